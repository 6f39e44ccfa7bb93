// The demo's page in headless Chromium (SwiftShader): time from navigation
// to the first frame, then the spin in lighting mode 3 (l l l, Enter), as
// ml-spin-rate drives the desktop program. Prints one line: first frame ms
// (fresh browser, page opened again), frames per second over the first and
// the second half of the spin, idle steps per second.
//
//   node bench/web-spin-rate.mjs PAGE SECONDS [CHROMIUM-SWITCH...]
//
// Frames: display() calls, counted by the page's test hook; idle steps:
// the spin's turn about X over its step (0.4256 degrees, app/input.cpp).
import { launch, openDemo, sleep, state } from '../tests/web/support.mjs';

const [page, seconds, ...switches] = process.argv.slice(2);
if (!page || !(seconds >= 2)) {
  console.error('usage: node bench/web-spin-rate.mjs PAGE SECONDS [CHROMIUM-SWITCH...]');
  process.exit(2);
}
process.env.ML_WEB_PAGE = page;
const SPIN_STEP_X = 0.4256;

const firstFrame = (tab) => tab.waitForFunction(() => demo && demo._ml_test_state &&
  JSON.parse(demo.UTF8ToString(demo._ml_test_state())).framesDrawn > 0 && performance.now(),
{ polling: 'raf', timeout: 20000 }).then((handle) => handle.jsonValue());

const browser = await launch(switches);
try {
  // Milliseconds from navigation to the first animation frame after the
  // first display(): in a fresh browser (its GPU process starts with the
  // page's first WebGL context), then the page opened again.
  const cold = await openDemo(browser);
  const coldMs = await firstFrame(cold);
  await cold.close();
  const tab = await openDemo(browser);
  const warmMs = await firstFrame(tab);

  for (const key of ['l', 'l', 'l', 'Enter']) await tab.keyboard.press(key);
  const marks = [];
  for (let i = 0; i < 3; ++i) {
    if (i > 0) await sleep((seconds * 1000) / 2);
    marks.push({ at: performance.now(), ...(await state(tab)) });
  }
  const rate = (a, b, value) => (value(b) - value(a)) / ((b.at - a.at) / 1000);
  const frames = (s) => s.framesDrawn, steps = (s) => s.angleX / SPIN_STEP_X;
  console.log([coldMs, warmMs, rate(marks[0], marks[1], frames), rate(marks[1], marks[2], frames),
    rate(marks[0], marks[2], steps)].map((x) => x.toFixed(1)).join(' '));
} finally {
  await browser.close();
}
