// The page against the desktop program: real key presses walk through the
// twelve viewpoint and lighting-mode pairs, ten turns and the spin, and
// after each step the canvas is held against the capture tool's frame of
// the state the keys reached.
import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';
import { canvasFrame, compareFrames, desktopFrame, launch, openDemo, settle, sleep, state,
  waitForFirstFrame } from './support.mjs';

// What each key does, as the README's key table says.
const KEYS = {
  c: ['viewpoint', 1, 3], l: ['lightingMode', 1, 4],
  ArrowLeft: ['angleY', +1], ArrowRight: ['angleY', -1], ArrowUp: ['angleX', +1],
  ArrowDown: ['angleX', -1], PageUp: ['angleZ', +1], PageDown: ['angleZ', -1],
};
const after_ = (s, key) => {
  const [field, step, count] = KEYS[key];
  return { ...s, [field]: count ? (s[field] + step) % count : Math.fround(s[field] + step) };
};
const FIELDS = ['viewpoint', 'lightingMode', 'angleX', 'angleY', 'angleZ'];
const pick = (s) => Object.fromEntries(FIELDS.map((field) => [field, s[field]]));

// Each step's keys: none for the first pair; `l` through the modes and
// `l c` to the next viewpoint; then ten turns, from mode 3 seen from above.
const STEPS = [[], ...Array.from({ length: 11 }, (_, i) => ((i + 1) % 4 ? ['l'] : ['l', 'c'])),
  ...['ArrowLeft', 'ArrowLeft', 'ArrowUp', 'PageUp', 'ArrowRight', 'ArrowDown', 'PageDown',
    'PageDown', 'ArrowUp', 'ArrowLeft'].map((key) => [key])];

let browser;
before(async () => { browser = await launch(); });
after(async () => { await browser?.close(); });

test('every step of the walk draws the desktop frame of the state it reached', async (t) => {
  const page = await openDemo(browser);
  await waitForFirstFrame(page);
  const check = async (label, s) => {
    const n = compareFrames(await canvasFrame(page), await desktopFrame(s));
    const row = `${label.padEnd(20)} ${FIELDS.map((f) => s[f]).join(' ').padEnd(34)} exact ` +
      `${n.exact}, within 2 ${n.within}, beyond ${n.beyond}, coverage ${n.coverage} (off an edge ${n.unexplained})`;
    t.diagnostic(row);
    assert.ok(n.exact + n.within >= 0.99 * 300 * 300, row);
    assert.equal(n.unexplained, 0, row);
  };
  t.diagnostic('the canvas against the capture tool, of 90000 pixels:');

  let expected = { viewpoint: 0, lightingMode: 0, angleX: 0, angleY: 0, angleZ: 0 };
  for (const keys of STEPS) {
    for (const key of keys) {
      await page.keyboard.press(key);
      expected = after_(expected, key);
    }
    assert.deepEqual(pick(await state(page)), expected, `after ${keys.join(' ') || 'start'}`);
    await check(keys.join(' ') || 'start', expected);
  }

  // The spin: on, a while, off. Each idle step turns all three angles.
  await page.keyboard.press('Enter');
  await sleep(600);
  await page.keyboard.press('Enter');
  await settle(page);
  const spun = await state(page);
  assert.equal(spun.animating, 0);
  for (const f of ['angleX', 'angleY', 'angleZ']) assert.ok(spun[f] > expected[f], `${f} did not turn`);
  await sleep(200);
  assert.deepEqual(await state(page), spun, 'the spin went on after the second Enter');
  await check('Enter, 0.6 s, Enter', spun);
});
