// The lab's links, its before and after, and its lessons in headless
// Chromium: a page opened at a state's link draws the same state; a held
// frame is compared pixel by pixel; every shipped lesson's steps load, each
// task is done by the actions its text asks for and not before them, and a
// malformed lesson is refused naming its step and field.
import assert from 'node:assert/strict';
import { pathToFileURL } from 'node:url';
import { after, before, test } from 'node:test';
import { launch } from './support.mjs';

const LAB = pathToFileURL(process.env.ML_LAB_PAGE).href;
let browser;
before(async () => { browser = await launch(); });
after(async () => { await browser?.close(); });

async function openAt(address) {
  const page = await browser.newPage();
  await page.setViewport({ width: 1280, height: 800, deviceScaleFactor: 1 });
  page.problems = [];
  page.on('pageerror', (error) => page.problems.push(error.message));
  await page.goto(address);
  await page.waitForFunction(() => document.body.dataset.ready === 'yes', { timeout: 20000 });
  return page;
}
const frameOf = (page) => page.evaluate(() => Array.from(lab.pixels().data));
const demoState = (page) => page.evaluate(() => { lab.reset(); return lab.state(); });
const status = (page) => page.$eval('#status', (s) => s.textContent);

test('links: a state opened at its link is the same state and frame; a broken one is said', async (t) => {
  const LINKED = [
    { mode: 3, angles: [10, -20.5, 0.1], lights: [{}, { on: false }, { spot_cutoff: 30, spot_exponent: 5 }] },
    { viewpoint: 2, shading: 'pixel', local_viewer: true, tessellation: { cube: 8 },
      material: { shininess: 7.5, diffuse: { cone: [1, 0.5, 0, 1] } } },
  ];
  const page = await openAt(LAB);
  const length = await page.evaluate(() => history.length);
  for (const state of LINKED) {
    await page.evaluate((s) => { lab.reset(); return lab.set(s); }, state);
    const [link, href, whole, frame] = [await page.evaluate(() => lab.link()), await page.evaluate(() => location.href),
      await page.evaluate(() => lab.state()), await frameOf(page)];
    t.diagnostic(`${link.split('#')[1].length} characters after #: #${decodeURIComponent(link.split('#')[1])}`);
    assert.equal(href, link, 'the address follows the change');
    const fresh = await openAt(link);
    assert.deepEqual(await fresh.evaluate(() => lab.state()), whole);
    assert.deepEqual(await frameOf(fresh), frame);
    await fresh.close();
  }
  assert.equal(await page.evaluate(() => history.length), length, 'no step of history for the changes');

  const handWritten = await openAt(`${LAB}#state={"mode":2}`);
  assert.deepEqual(await handWritten.evaluate(() => lab.state()),
                   await handWritten.evaluate(() => { lab.reset(); return lab.set({ mode: 2 }); }));
  await handWritten.close();
  const BROKEN = [['#state={"mode":', 'not JSON'], ['#state={"mode":9}', 'mode must be'],
                  ['#state={"colour":1}', 'unknown field colour'], ['#lesson=colour', 'no lesson "colour"'],
                  ['#lesson=spotlight&step=9', 'steps 1 to 4, not 9'], ['#top', 'not state= or lesson=']];
  for (const [fragment, message] of BROKEN) {
    const broken = await openAt(LAB + fragment);
    assert.ok((await status(broken)).includes(message), `${fragment}: ${await status(broken)}`);
    assert.deepEqual(await broken.evaluate(() => lab.state()), await demoState(broken), fragment);
    assert.deepEqual(broken.problems, []);
    await broken.close();
  }
  await page.close();
});

test('compare: the pixels that differ from the held frame, and the fields', async () => {
  const page = await openAt(LAB);
  await page.evaluate(() => lab.hold());
  assert.deepEqual(await page.evaluate(() => lab.compare()), { changed_pixels: 0, fields: [] });
  const held = await frameOf(page);
  for (const [change, fields] of [[{ mode: 2 }, ['mode']],
    [{ lights: [{}, {}, { spot_cutoff: 30 }], material: { shininess: 10 } }, ['mode', 'lights[2].spot_cutoff', 'material.shininess']]]) {
    await page.evaluate((c) => lab.set(c), change);
    const now = await frameOf(page);
    let differ = 0;
    for (let p = 0; p < now.length; p += 4) if ([0, 1, 2].some((c) => now[p + c] !== held[p + c])) ++differ;
    assert.ok(differ > 1000);
    assert.deepEqual(await page.evaluate(() => lab.compare()), { changed_pixels: differ, fields });
  }
  // b on the picture shows A over the scene's view, and B again.
  await page.focus('#scene');
  for (const shown of [true, false]) {
    await page.keyboard.press('b');
    assert.equal(await page.$eval('#held', (c) => !c.hidden), shown);
  }
  assert.deepEqual(page.problems, []);
  await page.close();
});

// What each task asks of the learner, done through window.lab: a set, then
// a click on pixel [x, y]. `wrong`: an action that does not do the task.
const TASKS = {
  modes: [{ wrong: [['click', 200, 200]], do: [['click', 220, 80]] }, { wrong: [['click', 64, 215]], do: [['click', 90, 215]] },
    { wrong: [['click', 90, 210]], do: [['click', 90, 115]] }, { wrong: [['click', 70, 200]], do: [['click', 90, 210]] }],
  'point-and-direction': [{ do: [['set', { lights: [{ position: [0, 0, 2.5, 0] }] }]] },
    { do: [['click', 220, 80]] },
    { wrong: [['set', { lights: [{ position: [0, 0, 2.5, 1], attenuation: [1, 0.5, 0] }] }]],
      do: [['set', { lights: [{ position: [0, 0, 2.5, 0], attenuation: [1, 0.5, 0] }] }]] }],
  spotlight: [{ wrong: [['click', 90, 115], ['click', 90, 230]], do: [['click', 90, 210]] },
    { wrong: [['set', { lights: [{}, {}, { spot_cutoff: 10.5 }] }]], do: [['set', { lights: [{}, {}, { spot_cutoff: 12 }] }]] },
    { wrong: [['click', 90, 210]], do: [['click', 200, 100]] }, { do: [['set', { lights: [{}, {}, { spot_exponent: 0 }] }]] }],
  gouraud: [{ wrong: [['click', 240, 110]], do: [['click', 218, 82]] },
    { wrong: [['set', { tessellation: { cube: 16 } }], ['set', { tessellation: { cube: 1 } }]], do: [['set', { shading: 'pixel' }]] },
    { wrong: [['set', { shading: 'pixel', tessellation: { cube: 16 } }], ['set', { shading: 'vertex', tessellation: { cube: 1 } }]],
      do: [['set', { tessellation: { cube: 16 } }]] },
    { wrong: [['set', { material: { shininess: 50 } }]], do: [['set', { material: { shininess: 10 } }]] }],
  highlights: [{ wrong: [['set', { material: { shininess: 30 } }]], do: [['set', { material: { shininess: 10 } }]] },
    { wrong: [['set', { material: { specular: [1, 0, 1, 1] } }]], do: [['set', { material: { specular: [1, 1, 0, 1] } }]] },
    { wrong: [['click', 248, 52]], do: [['click', 188, 112]] }, { do: [['set', { local_viewer: false }]] }],
  'ambient-and-distance': [{ do: [['set', { global_ambient: [1, 1, 1, 1] }]] },
    { do: [['set', { material: { ambient: [1, 0, 0, 1] } }]] },
    { wrong: [['set', { lights: [{ ambient: [0.3, 0.3, 0.3, 1] }] }], ['click', 200, 200]],
      do: [['click', 220, 80]] },
    { wrong: [['set', { lights: [{ on: false }] }]], do: [['set', { material: { emission: [0.3, 0.3, 0.3, 1] } }]] },
    { wrong: [['click', 200, 200]], do: [['click', 100, 200]] }],
};

test('lessons: every step loads; each task is done by what it asks, and not before', async (t) => {
  const page = await openAt(LAB);
  const lessons = await page.evaluate(() => LESSONS);
  assert.deepEqual(Object.keys(lessons), Object.keys(TASKS));
  const act = (actions) => page.evaluate(async (list) => {
    for (const [what, ...args] of list) await (what === 'set' ? lab.set(args[0]) : lab.click(...args));
    return lab.lessonState().done;
  }, actions);
  let tasks = 0;
  for (const [name, lesson] of Object.entries(lessons)) {
    assert.equal(lesson.steps.length, TASKS[name].length, name);
    for (const [i, step] of lesson.steps.entries()) {
      const expected = await page.evaluate((s) => { lab.lesson(null); lab.reset(); return lab.set(s); }, step.state || {});
      const opened = await page.evaluate((n, s) => lab.lesson(n, s), name, i + 1);
      assert.deepEqual(await page.evaluate(() => lab.state()), expected, `${name} step ${i + 1}`);
      assert.deepEqual(opened, { lesson: name, step: i + 1, done: step.task ? false : null });
      const { wrong = [], do: actions } = TASKS[name][i];
      assert.equal(await act(wrong), false, `${name} step ${i + 1}: done before its actions`);
      assert.equal(await act(actions), true, `${name} step ${i + 1}: ${await page.$eval('#lesson-result', (r) => r.textContent)}`);
      assert.match(await page.$eval('#lesson-result', (r) => r.textContent), /^Done\./);
      tasks += 1;
    }
  }
  t.diagnostic(`${tasks} tasks in ${Object.keys(lessons).length} lessons`);
  assert.deepEqual(page.problems, []);
  await page.close();
});

test('a malformed lesson loads nothing and names its step and field', async () => {
  const page = await openAt(LAB);
  await page.evaluate(() => lab.lesson('spotlight', 2));
  const [state, where] = await page.evaluate(() => [lab.state(), lab.lessonState()]);
  const step = (task) => ({ text: 'A step.', question: 'Why?', ...(task && { task: { do: 'Do it.', check: task } }) });
  const MALFORMED = [
    [{ title: 'L', steps: [step(), step(), step({ colour: {} })] }, 'step 3, steps[2].task.check: unknown check "colour"'],
    [{ title: 'L', steps: [step({ state: { path: 'material.shinyness', equals: 1 } })] },
      'steps[0].task.check.state.path: the state has no field "material.shinyness"'],
    [{ title: 'L', steps: [step({ all: [{ pixels: { box: [0, 0, 10] , at_least: 1 } }] })] }, 'steps[0].task.check.all[0].pixels.box'],
    [{ title: 'L', steps: [step({ changed: { at_most: 0 } })] }, 'steps[0].task.check.changed: needs "hold": true'],
    [{ title: 'L', steps: [step({ clicked: { lit_by: 3 } })] }, 'steps[0].task.check.clicked.lit_by'],
    [{ title: 'L', steps: [step(), { ...step(), state: { mode: 7 } }] }, 'step 2, steps[1].state: mode must be'],
    [{ title: 'L', steps: [{ text: 'A step.' }] }, 'steps[0].question must be a text'],
    [{ steps: [step()] }, 'title must be a text'],
  ];
  for (const [lesson, message] of MALFORMED) {
    const refusal = await page.evaluate((l) => lab.lesson(l).then(() => null, (e) => e.message), lesson);
    assert.ok(refusal?.includes(message), `${message}: ${refusal}`);
    assert.ok((await status(page)).includes(message));
    assert.deepEqual(await page.evaluate(() => [lab.state(), lab.lessonState()]), [state, where]);
  }
  await page.close();
});
