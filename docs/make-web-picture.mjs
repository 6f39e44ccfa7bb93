// docs/web-page.png: the page in headless Chromium, as docs/web.md shows it:
// running in lighting mode 3 (l l l), and after Escape.
//
//   node docs/make-web-picture.mjs build-web/materials-lights.html
import { writeFileSync } from 'node:fs';
import { fileURLToPath } from 'node:url';
import { launch, openDemo, PNG, settle, waitForFirstFrame } from '../tests/web/support.mjs';

process.env.ML_WEB_PAGE = process.argv[2] || 'build-web/materials-lights.html';
const WIDTH = 330, HEIGHT = 600, GAP = 12;

const browser = await launch();
try {
  const page = await openDemo(browser);
  await page.setViewport({ width: WIDTH, height: HEIGHT, deviceScaleFactor: 1 });
  await waitForFirstFrame(page);
  const shots = [];
  for (const keys of [['l', 'l', 'l'], ['Escape']]) {
    for (const key of keys) await page.keyboard.press(key);
    await settle(page);
    shots.push(PNG.sync.read(Buffer.from(await page.screenshot())));
  }
  // Side by side on a grey ground, each with a grey border.
  const picture = new PNG({ width: 2 * WIDTH + 3 * GAP, height: HEIGHT + 2 * GAP });
  picture.data.fill(0xc8);
  shots.forEach((shot, i) => PNG.bitblt(shot, picture, 0, 0, WIDTH, HEIGHT, GAP + i * (WIDTH + GAP), GAP));
  const output = fileURLToPath(new URL('web-page.png', import.meta.url));
  writeFileSync(output, PNG.sync.write(picture));
  console.log(`wrote ${output}`);
} finally {
  await browser.close();
}
