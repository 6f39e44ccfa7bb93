// The page as a visitor meets it: the demo's window in it, keys it ignores,
// Escape and a new start, and what it shows when the browser cannot draw.
import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';
import { canvasFrame, compareFrames, launch, openDemo, sleep, state,
  waitForFirstFrame } from './support.mjs';

// What the page shows of an element: its text, or null when it is not shown.
const shown = (page, selector) =>
  page.$eval(selector, (e) => (e.checkVisibility() ? e.textContent : null));
const sameFrame = async (page, frame) =>
  assert.equal(compareFrames(await canvasFrame(page), frame, 0).exact, 300 * 300);

let browser;
before(async () => { browser = await launch(); });
after(async () => { await browser?.close(); });

test('the page holds the demo window, with the focus', async () => {
  const page = await openDemo(browser);
  await waitForFirstFrame(page);
  assert.equal(await page.title(), 'Materiels et lumieres OpenGL');
  const canvas = () => page.$eval('#canvas', (c) => [c.width, c.height, c.clientWidth,
    c.clientHeight, `${getComputedStyle(c).outlineStyle} ${getComputedStyle(c).outlineOffset}`,
    document.activeElement === c]);
  // Its focus ring is drawn round it, outside the frame.
  assert.deepEqual(await canvas(), [300, 300, 300, 300, 'solid 2px', true]);
  assert.equal(await shown(page, '#message'), null);
  await page.$eval('#canvas', (c) => c.blur());
  await page.click('#canvas');
  assert.equal((await canvas())[5], true);
  await page.close();
});

// press('L') without Shift sends what Caps Lock makes: key 'L', key code 76.
test('keys the demo does not know change nothing, capitals from Caps Lock or Shift', async () => {
  const page = await openDemo(browser);
  await waitForFirstFrame(page);
  await page.keyboard.press('l');
  const frame = await canvasFrame(page);
  const before = await state(page);
  assert.equal(before.lightingMode, 1, 'l acts');
  await page.keyboard.down('Shift');
  for (const key of ['L', 'C']) await page.keyboard.press(key);
  await page.keyboard.up('Shift');
  for (const key of ['L', 'C', 'x', 'F1', 'Home', 'End', 'Tab']) await page.keyboard.press(key);
  await sameFrame(page, frame);
  assert.deepEqual(await state(page), before);
  await page.close();
});

for (const spin of [false, true]) {
  test(`Escape stops the program${spin ? ' while it spins' : ''}, the button starts it again`, async () => {
    const page = await openDemo(browser);
    await waitForFirstFrame(page);
    const first = await canvasFrame(page);
    for (const key of spin ? ['c', 'Enter', 'Escape'] : ['c', 'Escape']) await page.keyboard.press(key);
    assert.equal(await shown(page, '#message'), 'The program stopped (Escape).');
    assert.equal(await shown(page, '#canvas'), null);
    const stopped = await state(page);
    await page.keyboard.press('l');
    await sleep(200);
    assert.deepEqual(await state(page), stopped, 'the program went on after Escape');

    await page.click('#restart');
    await waitForFirstFrame(page);
    assert.deepEqual([await shown(page, '#message'), await shown(page, '#restart')], [null, null]);
    assert.equal(await page.evaluate(() => document.activeElement.id), 'canvas');
    await sameFrame(page, first);
    await page.close();
  });
}

// Failures: WebGL switched off in Chromium, or one WebGL call answering as a
// broken driver would (`call` fails, `log` gives the compiler's text).
function breakCall(call, log) {
  const webgl = WebGLRenderingContext.prototype, real = webgl[call];
  webgl[call] = function (object, name) {
    if (call === 'getError') return window.keyPressed ? this.INVALID_OPERATION : real.call(this);
    return name === this.COMPILE_STATUS || name === this.LINK_STATUS ? false : real.call(this, object, name);
  };
  if (log) webgl[log] = () => 'made to fail';
  window.addEventListener('keydown', () => { window.keyPressed = true; }, true);
}
const FAILURES = [
  { name: 'no WebGL', args: ['--disable-webgl'], message: /gives the page no WebGL/ },
  { name: 'a shader that does not compile', call: 'getShaderParameter', log: 'getShaderInfoLog',
    message: /lighting shader failed/, details: /^vertex shader does not compile: made to fail$/ },
  { name: 'a program that does not link', call: 'getProgramParameter', log: 'getProgramInfoLog',
    message: /lighting shader failed/, details: /^shader program does not link: made to fail$/ },
  { name: 'an OpenGL error', call: 'getError', message: /^Erreur OpenGL$/, drawn: true },
];

for (const failure of FAILURES) {
  test(`the page says so on ${failure.name}`, async () => {
    const own = failure.args ? await launch(failure.args) : null;
    try {
      const page = await openDemo(own ?? browser, failure.call && breakCall, failure.call, failure.log);
      if (failure.drawn) {
        await waitForFirstFrame(page);
        await page.keyboard.press('l');
      }
      await page.waitForFunction(() => document.getElementById('message').textContent !== '');
      assert.match(await shown(page, '#message'), failure.message);
      assert.equal(await shown(page, '#canvas') !== null, Boolean(failure.drawn));
      assert.match(await shown(page, '#log') ?? 'not shown', failure.details ?? /^not shown$/);
      if (failure.drawn) assert.ok(page.consoleLines.includes('Erreur OpenGL'), page.consoleLines.join('\n'));
      assert.equal(await shown(page, '#restart'), null);
      await page.close();
    } finally {
      await own?.close();
    }
  });
}
