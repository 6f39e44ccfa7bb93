// The pages as the release ships them, unpacked from the Debian package
// (dpkg-deb -x) and from the Windows zip, each opened from disk: the demo
// draws its first frame, the lab gets ready and draws, and both say the
// release's version (the lab in its footer too).
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, test } from 'node:test';
import { pathToFileURL } from 'node:url';
import { PNG, launch, settle } from './support.mjs';

const { ML_RELEASE_DIR: dist, ML_PROJECT_VERSION: version } = process.env;
const zipName = `materials-lights-${version}-windows-x64`;
const folders = { package: 'deb/usr/share/materials-lights', zip: zipName };
const pages = [
  { file: 'materials-lights.html', canvas: '#canvas',
    ready: () => demo && JSON.parse(demo.UTF8ToString(demo._ml_test_state())).framesDrawn > 0 },
  { file: 'materials-lights-lab.html', canvas: '#scene',
    ready: () => document.body.dataset.ready === 'yes' },
];

let browser, unpacked;
before(async () => {
  unpacked = mkdtempSync(join(tmpdir(), 'ml-release-'));
  execFileSync(process.env.ML_DPKG_DEB,
    ['-x', join(dist, `materials-lights_${version}_amd64.deb`), join(unpacked, 'deb')]);
  execFileSync(process.env.ML_CMAKE_COMMAND, ['-E', 'tar', 'xf', join(dist, `${zipName}.zip`)],
    { cwd: unpacked });
  browser = await launch();
});
after(async () => {
  await browser?.close();
  if (unpacked) rmSync(unpacked, { recursive: true, force: true });
});

for (const [from, folder] of Object.entries(folders)) {
  for (const { file, canvas, ready } of pages) {
    test(`${file} from the ${from} opens from disk, draws and says its version`, async () => {
      assert.ok(readFileSync(join(unpacked, folder, file), 'utf8').includes('Copyright (c) 2026 The materials-lights authors\n\nPermission is hereby granted'));
      const page = await browser.newPage();
      await page.setViewport({ width: 1500, height: 1000, deviceScaleFactor: 1 });
      const problems = [];
      page.on('pageerror', (error) => problems.push(error.message));
      await page.goto(pathToFileURL(join(unpacked, folder, file)).href);
      await page.waitForFunction(ready, { timeout: 20000 });
      await settle(page);
      if (process.env.ML_TEST_PNG_DIR) {
        await page.screenshot({ path: join(process.env.ML_TEST_PNG_DIR, `release-${from}-${file}.png`), fullPage: true });
      }
      assert.equal(await page.$eval('meta[name=version]', (meta) => meta.content), version);
      if (canvas === '#scene') {
        assert.equal(await page.$eval('footer', (f) => (f.checkVisibility() ? f.textContent : null)),
          `materials-lights ${version}, free software under the MIT licence`);
      }
      // The scene is lit: the green sphere under the white point light.
      const frame = PNG.sync.read(Buffer.from(await (await page.$(canvas)).screenshot()));
      let green = 0;
      for (let p = 0; p < frame.width * frame.height; ++p) {
        green += frame.data[4 * p + 1] > 100 && frame.data[4 * p] < 100 ? 1 : 0;
      }
      assert.ok(green > 200, `only ${green} green pixels in the ${frame.width}x${frame.height} canvas`);
      assert.deepEqual(problems, []);
      await page.close();
    });
  }
}
