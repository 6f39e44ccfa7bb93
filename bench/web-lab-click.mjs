// The lab's page in headless Chromium (SwiftShader) at 1280 x 800: the time
// from a real click on a pixel of the scene to the next animation frame
// with the pixel's chart laid out (the explanation worked out in the page,
// the chart, the table and the text put in). Prints the median and the
// slowest over CLICKS clicks on pixels that show a solid, in four states.
//
//   node bench/web-lab-click.mjs PAGE [CLICKS]
import { pathToFileURL } from 'node:url';
import { clickToChartTime, launch, sleep, timeNextClickToChart } from '../tests/web/support.mjs';

const [file, clicks = 40] = process.argv.slice(2);
if (!file) {
  console.error('usage: node bench/web-lab-click.mjs PAGE [CLICKS]');
  process.exit(2);
}
const STATES = [{ mode: 0 }, { mode: 3 }, { mode: 2, shading: 'pixel' }, { mode: 1, tessellation: { cube: 16 } }];

const browser = await launch();
try {
  const page = await browser.newPage();
  await page.setViewport({ width: 1280, height: 800, deviceScaleFactor: 1 });
  await page.goto(pathToFileURL(file).href);
  await page.waitForFunction(() => document.body.dataset.ready === 'yes', { timeout: 20000 });
  const scene = await page.$('#scene');
  const times = [];
  for (let i = 0; i < clicks; ++i) {
    if (i % (clicks / STATES.length) === 0) {
      // A new state; the page readies a click's passes after each change.
      const solid = await page.evaluate((s) => lab.set(s).then(() => {
        const { width, data } = lab.pixels();
        const found = [];
        for (let p = 0; p < data.length / 4; p += 97) if (data[4 * p] + data[4 * p + 1] + data[4 * p + 2] > 30) found.push(p);
        return found.map((p) => [p % width, Math.floor(p / width)]);
      }), STATES[(i * STATES.length) / clicks]);
      page.solid = solid;
      await sleep(300);
    }
    const [x, y] = page.solid[(i * 7) % page.solid.length];
    await timeNextClickToChart(page);
    const box = await scene.boundingBox();
    await page.mouse.click(box.x + x + 0.5, box.y + y + 0.5);
    times.push(await clickToChartTime(page));
  }
  times.sort((a, b) => a - b);
  console.log(`click to chart: median ${times[times.length >> 1].toFixed(1)} ms, ` +
              `slowest ${times.at(-1).toFixed(1)} ms over ${times.length} clicks`);
} finally {
  await browser.close();
}
