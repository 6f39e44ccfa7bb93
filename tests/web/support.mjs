// What the web page's tests share with each other, bench/web-spin-rate.mjs
// and docs/make-web-picture.mjs: Debian's Chromium driven headless by
// puppeteer-core, the running program's state read through the page's test
// hook, the canvas's pixels, the capture tool's frame of a state, and two
// frames compared.
import { execFile } from 'node:child_process';
import { pathToFileURL } from 'node:url';
import { promisify } from 'node:util';
import { PNG } from 'pngjs';
import puppeteer from 'puppeteer-core';

export { PNG };

// SwiftShader: software WebGL, so frames do not depend on a GPU. The
// network switches keep Chromium from calling out on a closed network.
export function launch(extraArgs = []) {
  const args = ['--use-angle=swiftshader', '--enable-unsafe-swiftshader',
    '--disable-background-networking', '--disable-component-update', '--disable-sync',
    '--no-first-run', ...extraArgs];
  if (process.getuid && process.getuid() === 0) args.push('--no-sandbox');
  return puppeteer.launch({ executablePath: process.env.ML_CHROMIUM || '/usr/bin/chromium',
    headless: true, args });
}

// The page (ML_WEB_PAGE) opened from disk; `beforeLoad(...args)` runs in it
// before its scripts. Console lines are kept in page.consoleLines.
export async function openDemo(browser, beforeLoad, ...args) {
  const page = await browser.newPage();
  await page.setViewport({ width: 420, height: 520, deviceScaleFactor: 1 });
  page.consoleLines = [];
  page.on('console', (message) => page.consoleLines.push(message.text()));
  page.on('pageerror', (error) => page.consoleLines.push(`page error: ${error.message}`));
  if (beforeLoad) await page.evaluateOnNewDocument(beforeLoad, ...args);
  await page.goto(pathToFileURL(process.env.ML_WEB_PAGE).href);
  return page;
}

// The program's viewer state and count of frames drawn (ml_test_state).
export const state = (page) =>
  page.evaluate(() => JSON.parse(demo.UTF8ToString(demo._ml_test_state())));

export async function waitForFirstFrame(page) {
  try {
    await page.waitForFunction(() => demo &&
      JSON.parse(demo.UTF8ToString(demo._ml_test_state())).framesDrawn > 0, { timeout: 20000 });
  } catch (error) {
    const shown = await page.$eval('body', (body) => body.innerText);
    throw new Error(`no frame: ${error.message}\npage: ${shown}\n${page.consoleLines.join('\n')}`);
  }
}

// GLUT draws a redisplay at the next animation frame; by the one after, it
// is on screen.
export const settle = (page) => page.evaluate(
  () => new Promise((done) => requestAnimationFrame(() => requestAnimationFrame(done))));

export const sleep = (ms) => new Promise((done) => setTimeout(done, ms));

// The canvas as shown: {width, height, data} with RGBA bytes.
export async function canvasFrame(page) {
  await settle(page);
  return PNG.sync.read(Buffer.from(await (await page.$('#canvas')).screenshot()));
}

// The desktop program's frame of a state, from the capture tool (ML_CAPTURE).
export async function desktopFrame(s) {
  const { stdout } = await promisify(execFile)(process.env.ML_CAPTURE, ['--viewpoint',
    `${s.viewpoint}`, '--mode', `${s.lightingMode}`, '--angles', `${s.angleX},${s.angleY},${s.angleZ}`,
    '--size', '300x300', '--output', '-'], { encoding: 'buffer' });
  return PNG.sync.read(stdout);
}

// Counts of pixels equal, within `tolerance` levels on every channel, and
// beyond. A pixel is covered when it is not black; a coverage difference is
// a pixel black in one frame and more than `tolerance` from black in the
// other. It is on an edge when the frame that covers it has a black pixel
// within one pixel of it: a silhouette moved by a pixel, or a sliver only
// one rasteriser's pixel centres fall in. The others (a hole or a crack in
// a solid, a silhouette two pixels off, a stray blob) are `unexplained`.
export function compareFrames(a, b, tolerance = 2) {
  const { width, height } = a;
  if (b.width !== width || b.height !== height) throw new Error('frames of different sizes');
  const covered = [a, b].map((frame) =>
    Uint8Array.from({ length: width * height }, (_, p) =>
      frame.data[4 * p] || frame.data[4 * p + 1] || frame.data[4 * p + 2] ? 1 : 0));
  const counts = { exact: 0, within: 0, beyond: 0, coverage: 0, unexplained: 0 };
  const blackNear = (mask, x, y) => [-1, 0, 1].some((dy) => [-1, 0, 1].some((dx) =>
    mask[(y + dy) * width + x + dx] === 0 && x + dx >= 0 && x + dx < width));
  for (let p = 0; p < width * height; ++p) {
    let difference = 0;
    for (let c = 0; c < 3; ++c) {
      difference = Math.max(difference, Math.abs(a.data[4 * p + c] - b.data[4 * p + c]));
    }
    counts[difference === 0 ? 'exact' : difference <= tolerance ? 'within' : 'beyond'] += 1;
    if (covered[0][p] !== covered[1][p] && difference > tolerance) {
      counts.coverage += 1;
      const mask = covered[0][p] ? covered[0] : covered[1];
      if (!blackNear(mask, p % width, Math.floor(p / width))) counts.unexplained += 1;
    }
  }
  return counts;
}

// The lab page (ML_LAB_PAGE) opened at `address` (a fragment) in a window of
// `width` x `height` (a phone's or a tablet's with `touch`), and ready unless
// `ready` is false; page errors kept in page.problems.
export async function openLab(browser, { width = 1500, height = 1000, touch = false, address = '', ready = true } = {}) {
  const page = await browser.newPage();
  await page.setViewport({ width, height, deviceScaleFactor: 1, hasTouch: touch, isMobile: touch });
  page.problems = [];
  page.on('pageerror', (error) => page.problems.push(error.message));
  await page.goto(pathToFileURL(process.env.ML_LAB_PAGE).href + address);
  if (ready) await page.waitForFunction(() => document.body.dataset.ready === 'yes', { timeout: 20000 });
  return page;
}

// Where a world point lands in the picture of an outside camera as
// window.lab.outside() gives it (gluLookAt and gluPerspective worked out
// here): [x, y] in pixels from the upper left, and its depth before the eye.
const minus = (a, b) => a.map((v, i) => v - b[i]);
const dot = (a, b) => a.reduce((sum, v, i) => sum + v * b[i], 0);
const cross = (a, b) => [a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]];
const unit = (a) => a.map((v) => v / Math.hypot(...a));
function axes(camera) {
  const forward = unit(minus(camera.target, camera.eye)), side = unit(cross(forward, camera.up));
  const [w, h] = camera.size, tan = Math.tan(camera.fov * Math.PI / 360);
  return { forward, side, up: cross(side, forward), w, h, tan };
}
export function project(camera, point) {
  const { forward, side, up, w, h, tan } = axes(camera), v = minus(point, camera.eye), depth = dot(forward, v);
  return [(dot(side, v) / (depth * tan * w / h) + 1) * w / 2, (1 - dot(up, v) / (depth * tan)) * h / 2, depth];
}
export function unproject(camera, [x, y, depth]) {
  const { forward, side, up, w, h, tan } = axes(camera);
  const across = (2 * x / w - 1) * depth * tan * w / h, upwards = (1 - 2 * y / h) * depth * tan;
  return camera.eye.map((e, i) => e + depth * forward[i] + across * side[i] + upwards * up[i]);
}

// The outside view's canvas as drawn: {width, height, data}.
export async function outsideFrame(page) {
  const url = await page.$eval('#outside', (c) => c.toDataURL('image/png'));
  return PNG.sync.read(Buffer.from(url.split(',')[1], 'base64'));
}

// Page coordinates of pixel point [x, y] of a canvas, whatever size it is shown at.
export async function onCanvas(page, selector, [x, y]) {
  const [box, width, height] = await page.$eval(selector, (c) => {
    const b = c.getBoundingClientRect();
    return [{ left: b.left, top: b.top, width: b.width, height: b.height }, c.width, c.height];
  });
  return [box.left + x * box.width / width, box.top + y * box.height / height];
}

// A drag with the left button held from page point `from` (whole pixels)
// by (dx, dy), in steps.
export async function drag(page, from, [dx, dy], steps = 8, shift = false) {
  if (shift) await page.keyboard.down('Shift');
  await page.mouse.move(...from);
  await page.mouse.down();
  for (let i = 1; i <= steps; ++i) {
    await page.mouse.move(Math.round(from[0] + dx * i / steps), Math.round(from[1] + dy * i / steps));
  }
  await page.mouse.up();
  if (shift) await page.keyboard.up('Shift');
}

// Times the scene's next click from the event to the next animation frame
// with the lab's terms chart laid out; clickToChartTime(page) waits for it.
export const timeNextClickToChart = (page) => page.evaluate(() => {
  window.chartAfter = null;
  document.getElementById('scene').addEventListener('click', () => {
    const clicked = performance.now();
    requestAnimationFrame(() => {
      document.getElementById('terms').getBoundingClientRect();
      window.chartAfter = performance.now() - clicked;
    });
  }, { capture: true, once: true });
});

export const clickToChartTime = async (page) =>
  (await page.waitForFunction(() => window.chartAfter)).jsonValue();
