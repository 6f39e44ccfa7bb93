// docs/lab.png and docs/lab-phone.png: the lab in headless Chromium, as
// docs/lab.md shows it.
// - lab.png, a 1280 x 800 window: the preset "Spotlight on a large face,
//   16 x 16" with the lights marked, and a pixel of the spot on the cube
//   clicked: its terms charted and explained, its vectors drawn in the view
//   from outside;
// - lab-phone.png, a 390 x 844 phone with touch: the spotlight lesson's
//   first step, its task done by a tap on the cylinder, at the page's top.
//
//   node docs/make-lab-picture.mjs build-web/materials-lights-lab.html
import { writeFileSync } from 'node:fs';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { resolve } from 'node:path';
import { launch } from '../tests/web/support.mjs';

const page = resolve(process.argv[2] || 'build-web/materials-lights-lab.html');
const browser = await launch();

async function open(width, height, touch) {
  const tab = await browser.newPage();
  await tab.setViewport({ width, height, deviceScaleFactor: 1, hasTouch: touch, isMobile: touch });
  await tab.goto(pathToFileURL(page).href);
  await tab.waitForFunction(() => document.body.dataset.ready === 'yes', { timeout: 20000 });
  return tab;
}

async function save(tab, name) {
  await new Promise((done) => setTimeout(done, 300));
  const output = fileURLToPath(new URL(name, import.meta.url));
  writeFileSync(output, await tab.screenshot());
  console.log(`wrote ${output}`);
}

try {
  const tab = await open(1280, 800, false);
  await tab.evaluate(() => {
    for (const button of document.querySelectorAll('.preset button')) {
      if (button.textContent === 'Spotlight on a large face, 16 x 16') button.click();
    }
    lab.markLights(true);
  });
  const canvas = await (await tab.$('#scene')).boundingBox();
  await tab.mouse.move(canvas.x + 217.5, canvas.y + 80.5);
  await tab.mouse.click(canvas.x + 217.5, canvas.y + 80.5);
  await save(tab, 'lab.png');

  // The tap is the lab's own (a real one brings the explanation up, past the scene).
  const phone = await open(390, 844, true);
  await phone.evaluate(() => lab.lesson('spotlight').then(() => lab.click(90, 210)));
  await save(phone, 'lab-phone.png');
} finally {
  await browser.close();
}
