// Hostile lessons and the limits' edges in headless Chromium, each handed
// to the lab as a file (the menu's file entry) and as an object: refused in
// one short line, leaving the learner's lesson, step and state as they were,
// or taken and decided within the budget; the page answers throughout. A
// refused address or import changes nothing either.
import assert from 'node:assert/strict';
import { mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, test } from 'node:test';
import { launch, openLab } from './support.mjs';

const MIB = 1 << 20;
const step = (check, more) => ({ text: 'A step.', question: 'Why?', task: { do: 'Do it.', check }, ...more });
const lesson = (...steps) => ({ title: 'L', steps });
const whole = { pixels: { at_least: 1e9 } };  // the whole frame scanned, never passing
const nest = (depth) => '['.repeat(depth) + ']'.repeat(depth);  // inside `equals`, at depth 6
const padded = (value, bytes) => JSON.stringify(value).replace(/}$/, `${' '.repeat(bytes - JSON.stringify(value).length)}}`);
const HOSTILE = [  // [name, the file's text or a lesson, what its refusal says, or null: taken]
  ['200 conditions, 1024 x 1024', lesson(step({ any: Array(200).fill(whole) }, { state: { size: [1024, 1024] } })), 'has 201 conditions, more than 64'],
  ['2000 conditions', lesson(step({ any: Array(2000).fill({ state: { path: 'mode', equals: 9 } }) })), 'more than 64'],
  ['10 MB', ' '.repeat(10 * MIB), 'larger than 1 MiB'],
  ['1 MiB exactly', padded(lesson(step(whole)), MIB), null],
  ['1 MiB and 1 byte', padded(lesson(step(whole)), MIB + 1), 'larger than 1 MiB'],
  ['a long title', { ...lesson(step(whole)), title: 'x'.repeat(MIB / 2) }, 'title is 524288 characters long, more than 200'],
  ['a title of 200', { ...lesson(step(whole)), title: 'x'.repeat(200) }, null],
  ['a text of 2001', lesson(step(whole, { text: 'x'.repeat(2001) })), 'steps[0].text is 2001 characters long'],
  ['a long unknown field', { ...lesson(step(whole)), ['y'.repeat(MIB / 2)]: 1 }, 'unknown field "yyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyy\u2026" (cut: 524288 characters)'],
  ['nested 2000 deep', lesson(step({ state: { path: 'mode', equals: JSON.parse(nest(2000)) } })), 'nests arrays and objects more than 32 deep'],
  ['depth 32', lesson(step({ state: { path: 'mode', equals: JSON.parse(nest(26)) } })), null],
  ['depth 33', lesson(step({ state: { path: 'mode', equals: JSON.parse(nest(27)) } })), 'more than 32 deep'],
  ['null', 'null', 'holds null, not a lesson'],
  ['a name', '"spotlight"', 'holds a text, not a lesson'],
  ['a title twice', '{"title": "A", "title": "B", "steps": []}', 'title is given twice'],
  ['a field twice in a step', '{"title": "A", "steps": [{}, {"text": "a", "text": "b"}]}', 'steps[1].text is given twice'],
  ['the path __proto__', lesson(step({ state: { path: '__proto__', equals: {} } })), 'the state has no field "__proto__"'],
  ['a pixel far out', lesson(step(whole, { task: { do: 'Do.', check: whole, pixel: [1e9, -1e9] } })), "pixel must be inside the step's frame, 300 x 300"],
  ['a box past the frame', lesson(step({ pixels: { box: [0, 0, 300, 10], at_least: 1 } })), "box must be inside the step's frame"],
  ['101 steps', lesson(...Array(101).fill(step(whole))), '101 steps, more than 100'],
  ['64 conditions', lesson(step({ any: Array(63).fill({ state: { path: 'mode', equals: 9 } }) })), null],
  ['15 whole frames', lesson(step({ any: Array(15).fill(whole) })), null],
  ['16 whole frames', lesson(step({ any: Array(16).fill(whole) })), 'units at a change, more than the page spends (3145728)'],
  ['a NUL byte and garbage', `${JSON.stringify(lesson(step(whole)))}\0garbage`, 'is not JSON'],
];

let browser, dir;
before(async () => { browser = await launch(); dir = mkdtempSync(join(tmpdir(), 'ml-lessons-')); });
after(async () => { await browser?.close(); rmSync(dir, { recursive: true, force: true }); });

// The learner's work: a lesson at its second step, its state changed.
const work = (page) => page.evaluate(() => [lab.state(), lab.lessonState()]);
const status = (page) => page.$eval('#status', (s) => s.textContent);
async function answersAtOnce(page) {
  const start = Date.now();
  await page.evaluate(() => lab.state());
  return Date.now() - start;
}

test('hostile lessons: refused in a short line leaving the learner\'s work, or decided within the budget', async (t) => {
  const page = await openLab(browser);
  await page.evaluate(async () => { await lab.lesson('spotlight', 2); await lab.set({ mode: 3 }); });
  const file = await page.$('#lesson-file');
  for (const [name, content, refusal] of HOSTILE) {
    const before = await work(page);
    const path = join(dir, 'lesson.json');
    writeFileSync(path, typeof content === 'string' ? content : JSON.stringify(content));
    await page.evaluate(() => { document.getElementById('status').textContent = ''; });
    await file.uploadFile(path);
    await page.waitForFunction(() => document.getElementById('status').textContent || lab.lessonState().lesson !== 'spotlight', { timeout: 5000 });
    const said = await status(page), wait = await answersAtOnce(page);
    t.diagnostic(`${name}: ${said || 'taken'} (answered in ${wait} ms)`);
    assert.ok(wait < 1000, `${name}: the page answered in ${wait} ms`);
    // As an object too, made in the page (the protocol cannot carry one 2000 deep).
    const objects = typeof content === 'string' ? []
      : [await page.evaluate((text) => lab.lesson(JSON.parse(text)).then(() => '', (e) => e.message), JSON.stringify(content))];
    if (refusal) {
      for (const line of [said, ...objects]) assert.ok(line.includes(refusal) && line.length <= 200, `${name}: ${line.slice(0, 300)}`);
      assert.deepEqual(await work(page), before, name);
      continue;
    }
    assert.deepEqual([said, ...objects], ['', ...objects.map(() => '')], name);
    // Taken: every change decides the check within the budget, and a frame
    // made larger than its check can be decided at is said.
    const times = await page.evaluate(async () => {
      const spent = [];
      for (const mode of [0, 1, 2, 3, 0]) {
        await lab.set({ mode });
        const start = performance.now();
        decideCheck(lessonNow.lesson.steps[0].task.check, sceneReadings());
        spent.push(performance.now() - start);
      }
      return spent.sort((a, b) => a - b);
    }).catch((error) => [error.message]);
    t.diagnostic(`${name}: decided in ${times.map((ms) => `${Number(ms).toFixed(1)}`).join(', ')} ms`);
    assert.ok(times[0] < 25 && times[2] < 200, `${name}: ${times}`);  // the fastest: the work itself
    if (JSON.stringify(content).includes('pixels')) {
      await page.evaluate(() => lab.set({ size: [2048, 2048] }));
      assert.match(await page.$eval('#lesson-result', (r) => r.textContent), /^Not yet: the check asks more than the page decides/);
    }
    await page.evaluate(async () => { await lab.lesson('spotlight', 2); await lab.set({ mode: 3 }); });
  }
  await page.close();
});

test('a refused address or import leaves the lesson, its step and the state as they were', async () => {
  const page = await openLab(browser);
  await page.evaluate(async () => { await lab.lesson('spotlight', 2); await lab.set({ mode: 3 }); });
  const before = await work(page);
  const REFUSED = [['address', '#state=%C0%AF', 'is not URI-encoded'], ['address', '#state={"mode":9}', 'mode must be'],
    ['address', '#state={"mode":2}%00garbage', 'a NUL byte at byte 11'], ['address', '#lesson=spotlight&step=9', 'steps 1 to 4'],
    ['import', '{"mode":2}\0garbage', 'a NUL byte at byte 11'], ['import', '{"mode": 9}', 'mode must be']];
  for (const [how, text, said] of REFUSED) {
    await page.evaluate((how, text) => {
      document.getElementById('status').textContent = '';
      if (how === 'address') location.hash = text;
      document.querySelector('textarea').value = text;
      if (how === 'import') [...document.querySelectorAll('button')].find((b) => b.textContent === 'Import').click();
    }, how, text);
    await page.waitForFunction((said) => document.getElementById('status').textContent.includes(said), { timeout: 5000 }, said);
    assert.deepEqual(await work(page), before, text);
    assert.equal(await page.$eval('#lesson-text', (p) => p.textContent), await page.evaluate(() => LESSONS.spotlight.steps[1].text));
  }
  assert.deepEqual(page.problems, []);
  await page.close();
});
