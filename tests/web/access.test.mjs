// Both pages for every learner, in headless Chromium: touch, phones and tablets, the keyboard
// alone, Tab out of the demo (framed too), axe-core, the demo's buttons against its keys, no WebGL.
import assert from 'node:assert/strict';
import { mkdtemp, rm, writeFile } from 'node:fs/promises';
import { readFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';
import { after, before, test } from 'node:test';
import { canvasFrame, compareFrames, launch, onCanvas, openDemo, openLab, project, state, waitForFirstFrame } from './support.mjs';

let browser, dir;
before(async () => { [browser, dir] = [await launch(), await mkdtemp(join(tmpdir(), 'ml-access-'))]; });
after(async () => { await browser?.close(); await rm(dir, { recursive: true, force: true }); });

// Fingers moving together through the DevTools protocol's touch events, 40 ms a step:
// `paths` holds each finger's start and move, in page pixels.
async function touch(page, paths, steps = 8) {
  const session = await page.createCDPSession();
  const send = (type, i) => session.send('Input.dispatchTouchEvent', { type, touchPoints: i < 0 ? []
    : paths.map(([[x, y], [dx, dy]], id) => ({ x: x + dx * i / steps, y: y + dy * i / steps, id })) });
  await send('touchStart', 0);
  for (let i = 1; i <= steps; ++i) await send('touchMove', i).then(() => new Promise((done) => setTimeout(done, 40)));
  await send('touchEnd', -1);
  await session.detach();
}

test('touch: one finger turns the view from outside or moves a light by its mark, two pinch', async () => {
  const page = await openLab(browser, { width: 1024, height: 768, touch: true });
  const [camera, start] = await page.evaluate(() => lab.set({ mode: 2 }).then((s) => [lab.outside(), s]));
  await touch(page, [[await onCanvas(page, '#outside', [290, 290]), [-40, 10]]]);
  assert.deepEqual(await page.evaluate(() => lab.state()), start, 'a drag on empty space moves no light');
  assert.notDeepEqual(await page.evaluate((c) => [lab.outside().eye, lab.setOutside(c)][0], camera), camera.eye);
  // The spotlight's star, a few pixels off under the finger: where the camera puts it moves with the finger.
  const [x, y] = project(camera, [-12, 0, 10]);
  await touch(page, [[await onCanvas(page, '#outside', [x + 5, y - 4]), [40, -25]]]);
  const [x1, y1] = project(camera, (await page.evaluate(() => lab.state())).lights[2].position.slice(0, 3));
  assert.ok(Math.hypot(x1 - x - 40, y1 - y + 25) <= 1, `lands ${x1 - x - 40}, ${y1 - y + 25} off`);
  const [[mx, my], distance] = [await onCanvas(page, '#outside', [150, 150]), (c) => Math.hypot(...c.eye.map((v, i) => v - c.target[i]))];
  await touch(page, [[[mx - 20, my], [-40, 0]], [[mx + 20, my], [40, 0]]]);
  const nearer = distance(await page.evaluate(() => lab.outside()));
  assert.ok(Math.abs(nearer - distance(camera) / 3) < 0.01 * nearer, `pinched out to ${nearer}`);
  assert.deepEqual(page.problems, []);
  await page.close();
});

test('phones and tablets: no sideways scroll; a tap on the scene (scrolled up under the lesson) shows its explanation; Next step in sight', async () => {
  for (const [width, height] of [[360, 640], [390, 844], [1024, 768]]) {
    const page = await openLab(browser, { width, height, touch: true });
    await page.evaluate(() => lab.lesson('spotlight').then(() => document.getElementById('scene').scrollIntoView({ block: 'end' })));
    await page.touchscreen.tap(...await onCanvas(page, '#scene', [90, 210]));
    const seen = await page.evaluate(() => {
      const [e, n] = ['explanation', 'lesson-next'].map((id) => document.getElementById(id).getBoundingClientRect());
      return { wide: document.documentElement.scrollWidth - innerWidth, tall: e.height, done: lab.lessonState().done,
               shown: Math.min(innerHeight, e.bottom) - Math.max(0, e.top), next: document.elementFromPoint(n.x + 9, n.y + 9)?.id };
    });
    assert.ok(seen.wide === 0 && seen.tall >= 150 && seen.shown >= 150 && seen.next === 'lesson-next' && seen.done,
              `${width} x ${height}: ${JSON.stringify(seen)}`);
    await page.close();
  }
  // At 1280 x 800, scrolled to the end: the views' captions in sight, a light's
  // position set to 0.1 by its slider, and any angle taken, as a spin leaves it.
  const page = await openLab(browser, { width: 1280, height: 800 });
  await page.evaluate(() => lab.set({ angles: [1234.5, -987, 0] })
    .then(() => { document.querySelectorAll('details').forEach((d) => { d.open = true; }); scrollTo(0, 1e6); }));
  const [scene, outside, slider] = await page.$$eval('#scene-caption, #outside-caption, [type=range][aria-label="light 0 position x"]',
    (found) => found.map((e) => e.getBoundingClientRect().toJSON()));
  assert.ok(scene.top >= 0 && outside.top >= 0 && 40 / slider.width <= 0.1, `${scene.top}, ${outside.top}, ${slider.width}`);
  assert.deepEqual(await page.$eval('[type=number][aria-label="angle x, degrees"]', (n) => [n.value, n.validity.valid]), ['1234.5', true]);
  await page.close();
});

// A key with a modifier held; Tab (Shift+Tab: `back`) pressed until the focused element matches `selector`.
async function chord(page, modifier, key) {
  await page.keyboard.down(modifier); await page.keyboard.press(key); await page.keyboard.up(modifier);
}
async function tabTo(page, selector, back = false) {
  for (let i = 0; i < 400; ++i) {
    await (back ? chord(page, 'Shift', 'Tab') : page.keyboard.press('Tab'));
    if (await page.evaluate((s) => document.activeElement.matches(s), selector)) return;
  }
  throw new Error(`${selector} not reached`);
}

test('a lesson from start to end with the keyboard alone; the lessons, views and pixel fields within 10 Tabs', async () => {
  let page;
  for (const address of ['#lesson=spotlight&step=2', '']) {
    page = await openLab(browser, { width: 1280, height: 800, address });
    const reached = [];
    for (let i = 0; i < 10; ++i) reached.push(await page.keyboard.press('Tab').then(() => page.evaluate(() => document.activeElement.id)));
    const wanted = ['lessons', 'scene', 'pixel-x', 'pixel-y', 'outside', ...(address ? ['lesson-next'] : [])];
    assert.deepEqual(wanted.filter((id) => !reached.includes(id)), [], `${address}: ${reached}`);
    if (address) await page.close();
  }
  await page.evaluate(() => ['mousedown', 'pointerdown', 'touchstart'].forEach((type) =>
    addEventListener(type, () => { window.pointed = true; }, true)));
  await tabTo(page, '#lessons', true);
  for (const key of ['Enter', 'ArrowDown', 'ArrowDown']) await page.keyboard.press(key);
  assert.equal(await page.evaluate(() => lab.lessonState().lesson), null, 'the arrows open no lesson');
  await tabTo(page, '[data-lesson=point-and-direction]');
  await page.keyboard.press('Enter');
  const type = (selector, text, then = 'Enter') => tabTo(page, selector).then(() => chord(page, 'Control', 'a'))
    .then(() => page.keyboard.type(text)).then(() => page.keyboard.press(then));
  const STEPS = [async () => { await tabTo(page, '#panel details details summary'); await page.keyboard.press('Enter');
    await type('[type=number][aria-label="light 0 position w"]', '0'); },
  async () => { await type('#pixel-x', '220', 'Tab'); await type('#pixel-y', '80'); },
  () => type('[type=number][aria-label="light 0 attenuation k1"]', '0.5')];
  for (const [i, act] of STEPS.entries()) {
    assert.deepEqual(await page.evaluate(() => lab.lessonState()), { lesson: 'point-and-direction', step: i + 1, done: false });
    await act();
    assert.equal(await page.evaluate(() => lab.lessonState().done), true, `step ${i + 1}: ${await page.$eval('#lesson-result', (r) => r.textContent)}`);
    if (i + 1 < STEPS.length) await tabTo(page, '#lesson-next', true).then(() => page.keyboard.press('Enter'));
  }
  assert.equal(await page.evaluate(() => window.pointed), undefined, 'no mouse, pointer or touch event');
  assert.deepEqual(page.problems, []);
  await page.close();
});

test('Tab leaves the demo\'s canvas, on its own page and framed in a host page that keeps its focus', async () => {
  const own = await openDemo(browser);
  await waitForFirstFrame(own);
  const focused = () => own.evaluate(() => document.activeElement.getAttribute('aria-keyshortcuts') ?? document.activeElement.tagName);
  await own.keyboard.press('Tab');
  assert.equal(await focused(), 'l', 'Tab on to the first button');
  for (let i = 0; i < 2; ++i) await chord(own, 'Shift', 'Tab');
  assert.equal(await focused(), 'BODY', 'Shift+Tab out of the canvas');
  await own.close();

  const host = join(dir, 'host.html');
  await writeFile(host, `<input id="a"><iframe src="${pathToFileURL(process.env.ML_WEB_PAGE).href}" width="320" height="640"></iframe><input id="b">`);
  const page = await browser.newPage();
  await page.goto(pathToFileURL(host).href);
  const frame = await (await page.waitForSelector('iframe')).contentFrame();
  await waitForFirstFrame(frame);
  assert.equal(await page.evaluate(() => document.activeElement.tagName), 'BODY', 'the frame took the host\'s focus');
  await page.focus('#a');
  await page.keyboard.press('Tab');
  await page.keyboard.press('l');
  assert.equal((await state(frame)).lightingMode, 1);
  for (let i = 0; i < 11; ++i) await page.keyboard.press('Tab');
  assert.equal(await page.evaluate(() => document.activeElement.id), 'b', 'Tab left the frame');
  await page.close();
});

// Every rule axe-core finds and how many nodes it finds it on. Its script is
// evaluated through DevTools: the pages' policy blocks a script tag added.
const AXE = readFileSync(createRequire(import.meta.url).resolve('axe-core/axe.min.js'), 'utf8');
async function axe(page, t, what) {
  await page.evaluate(AXE);
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
    const page = await openLab(browser, { width: 1280, height: 800 });
    await page.emulateMediaFeatures([{ name: 'prefers-color-scheme', value: scheme }]);
    const STATES = { 'at start': () => {}, 'a lesson open': () => lab.lesson('spotlight'),
      'a pixel explained': () => { lab.lesson(null); lab.click(200, 200); },
      'the comparison': () => { lab.hold(); return lab.set({ mode: 3 }).then(() => lab.click(90, 210)); } };
    for (const [what, reach] of Object.entries(STATES)) await page.evaluate(reach).then(() => axe(page, t, `the lab ${what}, ${scheme}`));
    // WCAG's contrast of each term's label, its computed fill against the hue it is drawn on.
    const contrasts = await page.$$eval('#terms text.on-term', (labels) => labels.map((label) => {
      const [a, b] = [getComputedStyle(label).fill, label.dataset.on].map((css) => css.match(/\d+/g).slice(0, 3)
        .reduce((sum, v, i) => sum + [0.2126, 0.7152, 0.0722][i] * (v <= 10 ? v / 3295 : ((v / 255 + 0.055) / 1.055) ** 2.4), 0));
      return (Math.max(a, b) + 0.05) / (Math.min(a, b) + 0.05);
    }));
    assert.ok(contrasts.length > 0 && Math.min(...contrasts) >= 4.5, `the chart's labels: ${contrasts}`);
    await page.close();
  }
});

test('each of the demo\'s buttons gives the frame and the state its key gives', async () => {
  const [keys, buttons] = [await openDemo(browser), await openDemo(browser)];
  // Only the page in front gets animation frames, so each draws its first in turn.
  for (const page of [keys, buttons]) await page.bringToFront().then(() => waitForFirstFrame(page));
  const KEYS = ['l', 'c', 'ArrowLeft', 'ArrowRight', 'ArrowUp', 'ArrowDown', 'PageUp', 'PageDown', 'Enter', 'Enter', 'Escape'];
  const without = ({ framesDrawn, ...rest }) => rest;
  // Each page in front in turn: a page behind gets no animation frames.
  const act = (page, key, press) => page.bringToFront().then(press)
    .then(async () => [await state(page), ['Enter', 'Escape'].includes(key) ? null : await canvasFrame(page)]);
  for (const key of KEYS) {
    const [[a, frameA], [b, frameB]] = [await act(keys, key, () => keys.focus('#canvas').then(() => keys.keyboard.press(key))),
      await act(buttons, key, () => buttons.click(`#keys button[aria-keyshortcuts=${key}]`))];
    // The spin turns each page at its own pace: Enter is held to the flag it switches.
    if (key === 'Enter') assert.equal(a.animating, b.animating);
    else if (key !== 'Escape') assert.deepEqual(without(a), without(b), key);
    if (frameA) assert.equal(compareFrames(frameA, frameB, 0).exact, 300 * 300, key);
  }
  for (const page of [keys, buttons]) {
    assert.equal(await page.$eval('#message', (m) => m.textContent), 'The program stopped (Escape).');
    await page.close();
  }
});

test('the lab without WebGL: every control clicked, no page error, the views hidden', async () => {
  const noWebgl = await launch(['--disable-webgl', '--disable-3d-apis']);
  const page = await openLab(noWebgl, { width: 1280, height: 800, ready: false });
  await page.waitForFunction(() => /no WebGL/.test(document.getElementById('status').textContent), { timeout: 20000 });
  let clicked = 0;
  for (const control of await page.$$('button, input, select, textarea, summary, canvas')) {
    if (await control.evaluate((c) => c.checkVisibility())) clicked += await control.click().then(() => 1);
  }
  const [views, message] = await page.evaluate(() => [['scene', 'outside'].map((id) => document.getElementById(id).checkVisibility()),
    document.getElementById('status').textContent]);
  await noWebgl.close();
  assert.ok(clicked >= 8 && /no WebGL/.test(message), `${clicked} controls: ${message}`);
  assert.deepEqual([views, page.problems], [[false, false], []]);
});
