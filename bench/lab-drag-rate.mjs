// The lab's page in headless Chromium (SwiftShader): how often both views
// follow a light dragged by its mark in the view from outside (the
// spotlight), with no pixel clicked and with one clicked (its vectors and
// corners drawn again at every step), against how often the scene alone
// followed the light moved from the panel before (OLD-PAGE, a lab built
// without the view from outside) and both views do now; how soon a click's
// marks are on screen; and the page's size.
//
//   node bench/lab-drag-rate.mjs PAGE [OLD-PAGE]
//
// Rates: one step at every animation frame for 3 seconds, frames counted;
// a frame is not drawn before the GL work of the last step is done, so the
// count is the steps the page shows a second (at most the display's 60).
// The drag's steps are pointermove events at the view from outside (which
// has the pointer captured), the button pressed on the spotlight's mark
// with a real mouse. A click: from the event
// to the second animation frame after it, when the marks are on screen;
// the median of 12 clicks on the cube's face.
import { stat } from 'node:fs/promises';
import { launch, onCanvas, openLab, project } from '../tests/web/support.mjs';

const [page, old] = process.argv.slice(2);
if (!page) {
  console.error('usage: node bench/lab-drag-rate.mjs PAGE [OLD-PAGE]');
  process.exit(2);
}

// Steps a second: `step(i)` at every animation frame for three seconds.
const stepsPerSecond = (lab, step) => lab.evaluate((source) => new Promise((done) => {
  const act = new Function('i', source);
  const start = performance.now();
  let frames = 0;
  const frame = () => {
    if (performance.now() - start > 3000) {
      done(frames / ((performance.now() - start) / 1000));
      return;
    }
    act(frames++);
    requestAnimationFrame(frame);
  };
  requestAnimationFrame(frame);
}), step);

const fromPanel = 'lab.set({ lights: [{}, {}, { position: [-12 + 0.01 * i, 0, 10, 1] }] });';
const report = (what, rate) => console.log(`${what}: ${rate.toFixed(1)} a second`);

async function dragRate(lab) {
  await lab.evaluate(() => { lab.reset(); lab.set({ mode: 2 }); });
  const camera = await lab.evaluate(() => lab.outside());
  const [x, y] = (await onCanvas(lab, '#outside', project(camera, [-12, 0, 10]))).map(Math.round);
  await lab.mouse.move(x, y);
  await lab.mouse.down();
  const rate = await stepsPerSecond(lab, `document.getElementById('outside').dispatchEvent(new PointerEvent(
    'pointermove', { pointerId: 1, pointerType: 'mouse', isPrimary: true, clientX: ${x} + (i % 80),
    clientY: ${y} - (i % 80) / 2, buttons: 1, bubbles: true }));`);
  await lab.mouse.up();
  const moved = await lab.evaluate(() => lab.state().lights[2].position);
  if (JSON.stringify(moved) === JSON.stringify([-12, 0, 10, 1])) throw new Error('the drag did not move the spotlight');
  return rate;
}

const browser = await launch();
try {
  console.log(`page: ${(await stat(page)).size} bytes`);
  if (old) {
    process.env.ML_LAB_PAGE = old;
    const before = await openLab(browser);
    await before.evaluate(() => lab.set({ mode: 2 }));
    report('the scene alone, the spotlight moved from the panel, before', await stepsPerSecond(before, fromPanel));
    await before.close();
  }
  process.env.ML_LAB_PAGE = page;
  const lab = await openLab(browser);
  await lab.evaluate(() => lab.set({ mode: 2 }));
  report('both views, the spotlight moved from the panel', await stepsPerSecond(lab, fromPanel));
  report('both views, the spotlight dragged by its mark', await dragRate(lab));

  await lab.evaluate(() => {
    window.clicks = [];
    let at = 0;
    window.addEventListener('click', () => { at = performance.now(); }, true);
    window.addEventListener('click', () => requestAnimationFrame(() => requestAnimationFrame(() =>
      window.clicks.push(performance.now() - at))));
  });
  for (let i = 0; i < 12; ++i) {
    await lab.mouse.click(...(await onCanvas(lab, '#scene', [190 + 3 * i, 60])).map(Math.ceil));
    await lab.waitForFunction((n) => window.clicks.length > n, {}, i);
  }
  const clicks = (await lab.evaluate(() => window.clicks)).sort((a, b) => a - b);
  console.log(`a click's marks on screen: median ${clicks[6].toFixed(1)} ms, slowest ${clicks[11].toFixed(1)} ms`);
  report('both views, the spotlight dragged by its mark, a pixel of the cube marked', await dragRate(lab));
} finally {
  await browser.close();
}
