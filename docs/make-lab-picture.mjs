// docs/lab.png: the lab in headless Chromium in a 1280 x 800 window, as
// docs/lab.md shows it: the preset "Spotlight on a large face, 16 x 16" with
// the lights marked, and a pixel of the spot on the cube clicked: its terms
// charted and explained, its vectors drawn in the view from outside.
//
//   node docs/make-lab-picture.mjs build-web/materials-lights-lab.html
import { writeFileSync } from 'node:fs';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { resolve } from 'node:path';
import { launch } from '../tests/web/support.mjs';

const page = resolve(process.argv[2] || 'build-web/materials-lights-lab.html');
const browser = await launch();
try {
  const tab = await browser.newPage();
  await tab.setViewport({ width: 1280, height: 800, deviceScaleFactor: 1 });
  await tab.goto(pathToFileURL(page).href);
  await tab.waitForFunction(() => document.body.dataset.ready === 'yes', { timeout: 20000 });
  await tab.evaluate(() => {
    for (const button of document.querySelectorAll('.preset button')) {
      if (button.textContent === 'Spotlight on a large face, 16 x 16') button.click();
    }
    lab.markLights(true);
  });
  const canvas = await (await tab.$('#scene')).boundingBox();
  await tab.mouse.move(canvas.x + 217.5, canvas.y + 80.5);
  await tab.mouse.click(canvas.x + 217.5, canvas.y + 80.5);
  await new Promise((done) => setTimeout(done, 300));
  const output = fileURLToPath(new URL('lab.png', import.meta.url));
  writeFileSync(output, await tab.screenshot());
  console.log(`wrote ${output}`);
} finally {
  await browser.close();
}
