// Both pages for every learner, in headless Chromium: touch drags in the
// view from outside, phones and tablets, a lesson with the keyboard alone,
// Tab out of the demo (in a page of its own and framed in another), axe-core
// over the pages' states, the demo's buttons against its keys, the lab
// without WebGL.
import assert from 'node:assert/strict';
import { mkdtemp, rm, writeFile } from 'node:fs/promises';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';
import { after, before, test } from 'node:test';
import { canvasFrame, compareFrames, launch, onCanvas, openDemo, project, state,
  waitForFirstFrame } from './support.mjs';

const AXE = createRequire(import.meta.url).resolve('axe-core/axe.min.js');
let browser, dir;
before(async () => {
  browser = await launch();
  dir = await mkdtemp(join(tmpdir(), 'ml-access-'));
});
after(async () => {
  await browser?.close();
  await rm(dir, { recursive: true, force: true });
});

async function openLab(width, height, touch = false, on = browser, address = '') {
  const page = await on.newPage();
  await page.setViewport({ width, height, deviceScaleFactor: 1, hasTouch: touch, isMobile: touch });
  page.problems = [];
  page.on('pageerror', (error) => page.problems.push(error.message));
  await page.goto(pathToFileURL(process.env.ML_LAB_PAGE).href + address);
  return page;
}
const ready = (page) => page.waitForFunction(() => document.body.dataset.ready === 'yes', { timeout: 20000 });
const box = (page, selector) => page.$eval(selector, (e) => JSON.parse(JSON.stringify(e.getBoundingClientRect())));

// Fingers moving together through the DevTools protocol: `paths` holds, per
// finger, its start and its move, in page pixels.
async function touch(page, paths, steps = 8) {
  const session = await page.createCDPSession();
  const at = (i) => paths.map(([[x, y], [dx, dy]], id) => ({ x: x + dx * i / steps, y: y + dy * i / steps, id }));
  await session.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: at(0) });
  for (let i = 1; i <= steps; ++i) {
    await session.send('Input.dispatchTouchEvent', { type: 'touchMove', touchPoints: at(i) });
    await new Promise((done) => setTimeout(done, 40));
  }
  await session.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
  await session.detach();
}

test('touch: one finger turns the view from outside or moves a light by its mark, two pinch', async () => {
  const page = await openLab(1024, 768, true);
  await ready(page);
  const [camera, start] = await page.evaluate(() => lab.set({ mode: 2 }).then((s) => [lab.outside(), s]));
  await touch(page, [[await onCanvas(page, '#outside', [290, 290]), [-40, 10]]]);
  const turned = await page.evaluate(() => lab.outside());
  assert.deepEqual(await page.evaluate(() => lab.state()), start, 'a drag on empty space moves no light');
  assert.notDeepEqual(turned.eye, camera.eye);
  await page.evaluate((c) => lab.setOutside(c), camera);
  // The spotlight's star, a few pixels off under the finger: where the camera puts it moves with the finger.
  const [x, y] = project(camera, [-12, 0, 10]);
  await touch(page, [[await onCanvas(page, '#outside', [x + 5, y - 4]), [40, -25]]]);
  const place = (await page.evaluate(() => lab.state())).lights[2].position;
  const [x1, y1] = project(camera, place.slice(0, 3));
  assert.ok(Math.hypot(x1 - x - 40, y1 - y + 25) <= 1, `lands ${x1 - x - 40}, ${y1 - y + 25} off`);
  const middle = await onCanvas(page, '#outside', [150, 150]);
  const distance = (c) => Math.hypot(...c.eye.map((v, i) => v - c.target[i]));
  await touch(page, [[[middle[0] - 20, middle[1]], [-40, 0]], [[middle[0] + 20, middle[1]], [40, 0]]]);
  const nearer = distance(await page.evaluate(() => lab.outside()));
  assert.ok(Math.abs(nearer - distance(camera) / 3) < 0.01 * nearer, `pinched out to ${nearer}`);
  assert.deepEqual(page.problems, []);
  await page.close();
});

test('phones and tablets: no sideways scroll; a tap shows its explanation; the lesson\'s Next step in sight', async () => {
  for (const [width, height] of [[360, 640], [390, 844], [1024, 768]]) {
    const page = await openLab(width, height, true);
    await ready(page);
    await page.evaluate(() => lab.lesson('spotlight'));
    await page.touchscreen.tap(...await onCanvas(page, '#scene', [90, 210]));
    const seen = await page.evaluate(() => {
      const explanation = document.getElementById('explanation').getBoundingClientRect();
      const next = document.getElementById('lesson-next').getBoundingClientRect();
      return { wide: document.documentElement.scrollWidth - document.documentElement.clientWidth,
               tall: explanation.height, shown: Math.min(innerHeight, explanation.bottom) - Math.max(0, explanation.top),
               next: document.elementFromPoint(next.x + next.width / 2, next.y + next.height / 2)?.id };
    });
    const at = `${width} x ${height}: ${JSON.stringify(seen)}`;
    assert.equal(seen.wide, 0, at);
    assert.ok(seen.tall >= 150 && seen.shown >= 150, at);
    assert.equal(seen.next, 'lesson-next', at);
    assert.equal(await page.evaluate(() => lab.lessonState().done), true, at);
    await page.close();
  }
  // At 1280 x 800, scrolled to the end: the views' captions in sight, a light's
  // position set to 0.1 by its slider, and any angle taken, as a spin leaves it.
  const page = await openLab(1280, 800);
  await ready(page);
  await page.evaluate(() => { document.querySelectorAll('details').forEach((d) => { d.open = true; }); scrollTo(0, 1e6); });
  assert.ok((await box(page, '#scene-caption')).top >= 0 && (await box(page, '#outside-caption')).top >= 0);
  const slider = await box(page, 'input[type=range][aria-label="light 0 position x"]');
  assert.ok(40 / slider.width <= 0.1, `${slider.width} pixels for -20 to 20`);
  await page.evaluate(() => lab.set({ angles: [1234.5, -987, 0] }));
  assert.deepEqual(await page.$eval('input[type=number][aria-label="angle x, degrees"]', (n) => [n.value, n.validity.valid]),
                   ['1234.5', true]);
  await page.close();
});

async function shiftTab(page) {
  await page.keyboard.down('Shift');
  await page.keyboard.press('Tab');
  await page.keyboard.up('Shift');
}
// Presses Tab (Shift+Tab: `back`) until `wanted(the focused element)` holds.
async function tabTo(page, wanted, back = false) {
  for (let i = 0; i < 400; ++i) {
    await (back ? shiftTab(page) : page.keyboard.press('Tab'));
    if (await page.evaluate(wanted)) return;
  }
  throw new Error(`not reached: ${wanted}`);
}
const named = (name) => new Function(`return document.activeElement.matches('${name}')`);

test('a lesson from start to end with the keyboard alone; the lessons, views and pixel fields within 10 Tabs', async () => {
  let page;
  for (const address of ['#lesson=spotlight&step=2', '']) {
    page = await openLab(1280, 800, false, browser, address);
    await ready(page);
    const reached = [];
    for (let i = 0; i < 10; ++i) {
      await page.keyboard.press('Tab');
      reached.push(await page.evaluate(() => document.activeElement.id));
    }
    const wanted = ['lessons', 'scene', 'pixel-x', 'pixel-y', 'outside', ...(address ? ['lesson-next'] : [])];
    assert.deepEqual(wanted.filter((id) => !reached.includes(id)), [], `${address}: ${reached}`);
    if (address) await page.close();
  }
  await page.evaluate(() => {
    window.pointed = 0;
    for (const type of ['mousedown', 'pointerdown', 'touchstart']) addEventListener(type, () => { window.pointed += 1; }, true);
  });
  await tabTo(page, named('#lessons'), true);
  await page.keyboard.press('Enter');
  await page.keyboard.press('ArrowDown');  // the arrows open nothing
  assert.equal(await page.evaluate(() => lab.lessonState().lesson), null);
  await tabTo(page, named('[data-lesson=point-and-direction]'));
  await page.keyboard.press('Enter');
  const type = async (selector, text) => {
    await tabTo(page, named(selector));
    await page.keyboard.down('Control'); await page.keyboard.press('a'); await page.keyboard.up('Control');
    await page.keyboard.type(text);
    await page.keyboard.press('Enter');
  };
  const open = async (title) => {
    await tabTo(page, new Function(`return document.activeElement.textContent.startsWith('${title}')`));
    await page.keyboard.press('Enter');
  };
  const STEPS = [async () => { await open('Light 0'); await type('[type=number][aria-label="light 0 position w"]', '0'); },
    async () => { await type('#pixel-x', '220'); await page.keyboard.press('Tab'); await page.keyboard.type('80'); await page.keyboard.press('Enter'); },
    async () => { await type('[type=number][aria-label="light 0 attenuation k1"]', '0.5'); }];
  for (const [i, act] of STEPS.entries()) {
    assert.deepEqual(await page.evaluate(() => lab.lessonState()), { lesson: 'point-and-direction', step: i + 1, done: false });
    await act();
    assert.equal(await page.evaluate(() => lab.lessonState().done), true, `step ${i + 1}: ${await page.$eval('#lesson-result', (r) => r.textContent)}`);
    if (i + 1 < STEPS.length) {
      await tabTo(page, named('#lesson-next'), true);
      await page.keyboard.press('Enter');
    }
  }
  assert.equal(await page.evaluate(() => window.pointed), 0, 'no mouse, pointer or touch event');
  assert.deepEqual(page.problems, []);
  await page.close();
});

test('Tab leaves the demo\'s canvas, on its own page and framed in a host page that keeps its focus', async () => {
  const own = await openDemo(browser);
  await waitForFirstFrame(own);
  await own.keyboard.press('Tab');
  assert.equal(await own.evaluate(() => document.activeElement.id), '', 'on to the first button');
  await shiftTab(own);
  await shiftTab(own);
  assert.equal(await own.evaluate(() => document.activeElement.tagName), 'BODY', 'Shift+Tab out of the canvas');
  await own.close();

  const host = join(dir, 'host.html');
  await writeFile(host, `<input id="a"><iframe src="${pathToFileURL(process.env.ML_WEB_PAGE).href}" width="320" height="640"></iframe><input id="b">`);
  const page = await browser.newPage();
  await page.goto(pathToFileURL(host).href);
  const frame = await (await page.waitForSelector('iframe')).contentFrame();
  await frame.waitForFunction(() => demo && JSON.parse(demo.UTF8ToString(demo._ml_test_state())).framesDrawn > 0);
  assert.equal(await page.evaluate(() => document.activeElement.tagName), 'BODY', 'the frame took the host\'s focus');
  await page.focus('#a');
  await page.keyboard.press('Tab');
  await page.keyboard.press('l');
  assert.equal(await frame.evaluate(() => JSON.parse(demo.UTF8ToString(demo._ml_test_state())).lightingMode), 1);
  for (let i = 0; i < 11; ++i) await page.keyboard.press('Tab');
  assert.equal(await page.evaluate(() => document.activeElement.id), 'b', 'Tab left the frame');
  await page.close();
});

// Every rule axe-core finds and how many nodes it finds it on.
async function axe(page, t, what) {
  await page.addScriptTag({ path: AXE });
  const found = await page.evaluate(async () => (await axe.run(document)).violations.map((v) => [v.id, v.impact, v.nodes.length]));
  t.diagnostic(`${what}: ${found.map(([id, impact, n]) => `${id} (${impact}) ${n}`).join(', ') || 'no violation'}`);
  assert.deepEqual(found.filter(([, impact]) => impact === 'critical' || impact === 'serious'), [], what);
}

test('axe-core: no critical or serious violation on either page, in each state; the chart\'s labels at 4.5:1', async (t) => {
  const demo = await openDemo(browser);
  await waitForFirstFrame(demo);
  await axe(demo, t, 'the demo');
  await demo.close();
  for (const scheme of ['light', 'dark']) {
    const page = await openLab(1280, 800);
    await page.emulateMediaFeatures([{ name: 'prefers-color-scheme', value: scheme }]);
    await ready(page);
    await axe(page, t, `the lab at start, ${scheme}`);
    await page.evaluate(() => lab.lesson('spotlight'));
    await axe(page, t, `a lesson open, ${scheme}`);
    await page.evaluate(() => { lab.lesson(null); lab.click(200, 200); });
    await axe(page, t, `a pixel explained, ${scheme}`);
    await page.evaluate(() => { lab.hold(); return lab.set({ mode: 3 }).then(() => lab.click(90, 210)); });
    await axe(page, t, `the comparison, ${scheme}`);
    const contrasts = await page.$$eval('#terms text.on-term', (labels) => labels.map((label) => {
      const luminance = (css) => css.match(/\d+/g).slice(0, 3).map((v) => v / 255)
        .map((v) => (v <= 0.04045 ? v / 12.92 : ((v + 0.055) / 1.055) ** 2.4))
        .reduce((sum, v, i) => sum + [0.2126, 0.7152, 0.0722][i] * v, 0);
      const [a, b] = [luminance(getComputedStyle(label).fill), luminance(label.dataset.on)].sort((p, q) => q - p);
      return (a + 0.05) / (b + 0.05);
    }));
    assert.ok(contrasts.length > 0 && Math.min(...contrasts) >= 4.5, `the chart's labels: ${contrasts}`);
    await page.close();
  }
});

test('each of the demo\'s buttons gives the frame and the state its key gives', async () => {
  const [keys, buttons] = [await openDemo(browser), await openDemo(browser)];
  await Promise.all([waitForFirstFrame(keys), waitForFirstFrame(buttons)]);
  const KEYS = ['l', 'c', 'ArrowLeft', 'ArrowRight', 'ArrowUp', 'ArrowDown', 'PageUp', 'PageDown', 'Enter', 'Enter', 'Escape'];
  const without = ({ framesDrawn, ...rest }) => rest;
  // Each page in front in turn: a page behind gets no animation frames.
  const act = async (page, press) => {
    await page.bringToFront();
    await press();
    return [await state(page), ['Enter', 'Escape'].includes(press.key) ? null : await canvasFrame(page)];
  };
  for (const key of KEYS) {
    const pressKey = async () => { await keys.focus('#canvas'); await keys.keyboard.press(key); };
    const pressButton = () => buttons.click(`#keys button[aria-keyshortcuts=${key}]`);
    pressKey.key = pressButton.key = key;
    const [[a, frameA], [b, frameB]] = [await act(keys, pressKey), await act(buttons, pressButton)];
    // The spin turns each page at its own pace: Enter is held to the flag it switches.
    if (key === 'Enter') assert.equal(a.animating, b.animating);
    else if (key !== 'Escape') assert.deepEqual(without(a), without(b), key);
    if (frameA) assert.equal(compareFrames(frameA, frameB, 0).exact, 300 * 300, key);
  }
  for (const page of [keys, buttons]) {
    assert.equal(await page.$eval('#message', (m) => m.textContent), 'The program stopped (Escape).');
  }
  await keys.close();
  await buttons.close();
});

test('the lab without WebGL: every control clicked, no page error, the views hidden', async () => {
  const noWebgl = await launch(['--disable-webgl', '--disable-3d-apis']);
  try {
    const page = await openLab(1280, 800, false, noWebgl);
    await page.waitForFunction(() => /no WebGL/.test(document.getElementById('status').textContent), { timeout: 20000 });
    const controls = await page.$$('button, input, select, textarea, summary, canvas');
    let clicked = 0;
    for (const control of controls) {
      if (!await control.evaluate((c) => c.checkVisibility())) continue;
      await control.click();
      clicked += 1;
    }
    assert.ok(clicked >= 8, `${clicked} controls`);
    assert.deepEqual(await page.$$eval('#scene, #outside', (views) => views.map((v) => v.checkVisibility())), [false, false]);
    assert.deepEqual(page.problems, []);
    assert.match(await page.$eval('#status', (s) => s.textContent), /no WebGL/);
  } finally {
    await noWebgl.close();
  }
});
