// The lab's links, its before and after, and its lessons in headless
// Chromium: a page opened at a state's link draws the same state; a held
// frame is compared pixel by pixel; every shipped lesson's steps load, each
// task is done by the actions its text asks for and not before them, and a
// malformed lesson is refused naming its step and field.
import assert from 'node:assert/strict';
import { readFileSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
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

// Each task: what it asks (`do`, and `also` another way), which must pass,
// and wrong actions, which must not, each from the step freshly opened. An
// action is a list of lab.set objects and [x, y] clicks.
const L0 = (light) => ({ lights: [light] }), L1 = (light) => ({ lights: [{}, light] }), L2 = (light) => ({ lights: [{}, {}, light] });
const M = (material) => ({ material }), SPECULAR = (c) => [{ material: { specular: c } }], SPHERE = (...t) => ({ tessellation: { sphere: t } });
const TASKS = {
  modes: [{ do: [[220, 80]], wrong: [[[200, 200]], [L0({ position: [2, 2, 3, 1] }), [220, 80]], [M({ ambient: [0.3, 0.3, 0.3, 1] }), [220, 80]]] },
    { do: [[90, 215]], wrong: [[[64, 215]], [M({ diffuse: { cylinder: [1, 1, 1, 1] } }), [90, 215]], [L1({ diffuse: [1, 1, 1, 1] }), [90, 215]]] },
    { do: [[90, 115]], wrong: [[[90, 210]], [M({ diffuse: { cone: [1, 1, 0, 1] } }), [90, 115]], [M({ shininess: 1 }), [90, 115]]] },
    { do: [[90, 210]], wrong: [[[70, 200]], [{ mode: 2 }, [90, 210]], [L2({ spot_cutoff: 20 }), [90, 210]]] }],
  'point-and-direction': [{ do: [L0({ position: [0, 0, 2.5, 0] })],
    wrong: [[L0({ position: [0, 0, 2.5, 0.5] })], [L0({ position: [0, 0, -2.5, 0] })], [{ mode: 1 }]] },
  { do: [[220, 80]], wrong: [[[200, 200]], [M({ diffuse: { cube: [0.5, 0, 0, 1] } }), [220, 80]], [{ angles: [0, 20, 0] }, [220, 80]]] },
  { do: [L0({ attenuation: [1, 0.5, 0] })], wrong: [[L0({ position: [0, 0, 2.5, 1], attenuation: [1, 0.5, 0] })],
    [L0({ attenuation: [2, 0, 0] })], [{ lights: [{ attenuation: [1, 0.5, 0] }, { diffuse: [1, 0, 0, 1] }] }]] }],
  spotlight: [{ do: [[90, 210]], wrong: [[[90, 115]], [L2({ spot_exponent: 10 }), [90, 210]], [L2({ spot_cutoff: 30 }), [90, 210]]] },
    { do: [L2({ spot_cutoff: 12 })], wrong: [[M({ ambient: [1, 0, 0, 1] })], [L2({ spot_cutoff: 10.5 })],
      [L2({ spot_cutoff: 12, spot_exponent: 5 })], [L2({ spot_direction: [1, 0.1, -1] })]] },
    { do: [[200, 100]], wrong: [[[90, 210]], [L2({ spot_exponent: 0 }), [200, 100]], [L2({ spot_cutoff: 15 }), [200, 100]]] },
    { do: [L2({ spot_exponent: 0 })], wrong: [[L2({ spot_exponent: 1 })], [L2({ spot_exponent: 0, spot_cutoff: 60 })], [L2({ spot_cutoff: 20 })]] }],
  gouraud: [{ do: [[218, 82]], wrong: [[[240, 110]], [{ shading: 'pixel' }, [218, 82]], [L2({ spot_cutoff: 20 }), [218, 82]]] },
    { do: [{ shading: 'pixel' }], wrong: [[L0({ diffuse: [1, 1, 1, 1] })], [L2({ spot_cutoff: 15 })],
      [{ tessellation: { cube: 16 } }], [{ shading: 'pixel', tessellation: { cube: 16 } }]] },
    { do: [{ tessellation: { cube: 16 } }], wrong: [[L2({ spot_cutoff: 15 })], [{ shading: 'pixel' }],
      [{ tessellation: { cube: 16 }, ...L0({ diffuse: [1, 1, 1, 1] }) }], [{ tessellation: { cube: 16 }, shading: 'pixel' }]] },
    { do: [M({ shininess: 10 })], wrong: [[M({ shininess: 50 })], [{ shading: 'pixel' }], [{ ...M({ shininess: 10 }), tessellation: { sphere: [32, 16] } }]] }],
  shading: [{ do: [[200, 200]], wrong: [[[220, 80]], [{ shading: 'vertex' }, [200, 200]]] }, { do: [SPHERE(24, 12)], wrong: [[SPHERE(16, 8)], [M({ shininess: 10 })]] },
    { do: [{ shading: 'vertex' }], wrong: [[{ shading: 'pixel' }], [{ shading: 'vertex', separate_specular: true }], [SPHERE(72, 72)]] },
    { do: [{ shading: 'pixel' }], wrong: [[{ shading: 'flat' }], [{ shading: 'pixel', highlight: 'phong' }]] }],
  highlights: [{ do: [M({ shininess: 10 })], wrong: [[M({ shininess: 30 })], [{ shading: 'pixel' }], [M({ shininess: 10, ambient: [0, 0.2, 0, 1] })]] },
    { do: SPECULAR([1, 1, 0, 1]), also: [L0({ specular: [1, 1, 0, 1] })], wrong: [[M({ diffuse: { sphere: [1, 1, 0, 1] } })],
      SPECULAR([1, 0, 1, 1]), SPECULAR([1, 0, 0, 1]), [L1({ specular: [1, 1, 0, 1] })]] },
    { do: [[188, 112]], wrong: [[[248, 52]], [{ local_viewer: false }, [188, 112]], [M({ shininess: 1 }), [188, 112]]] },
    { do: [{ local_viewer: false }], wrong: [[M({ emission: [1, 1, 1, 1] })], [M({ shininess: 0 })], [L0({ position: [0, 0.1, 1, 0] })]] }],
  phong: [{ do: [{ highlight: 'phong' }], wrong: [[M({ shininess: 128 })], [{ highlight: 'phong', ...M({ shininess: 12.5 }) }], [{ shading: 'vertex' }]] },
    { do: [M({ shininess: 12.5 })], also: [M({ shininess: 14 })], wrong: [[{ highlight: 'blinn' }], [M({ shininess: 8 })], [M({ shininess: 25 })]] },
    { do: [[222, 210]], wrong: [[[232, 210]], [{ highlight: 'blinn' }, [222, 210]]] },
    { do: [{ separate_specular: true }], wrong: [[{ separate_specular: true, shading: 'pixel' }], [M({ back: { diffuse: [1, 0, 0, 1] } })]] }],
  'ambient-and-distance': [{ do: [{ global_ambient: [1, 1, 1, 1] }],
    wrong: [[{ global_ambient: [1, 1, 1, 1], ...M({ ambient: [0.5, 0, 0, 1] }) }], [{ global_ambient: [0.5, 0.5, 0.5, 1] }], [L0({ ambient: [1, 1, 1, 1] })]] },
  { do: [M({ ambient: [1, 0, 0, 1] })], also: [M({ ambient: [0, 1, 0, 1] })], wrong: [[M({ emission: [0.3, 0, 0, 1] })],
    [{ global_ambient: [1, 1, 1, 1] }], [L0({ ambient: [1, 1, 1, 1] })], [M({ ambient: [0.05, 0, 0, 1] })]] },
  { do: [L0({ ambient: [0.3, 0.3, 0.3, 1] }), [220, 80]], also: [L0({ ambient: [0, 0.3, 0, 1] }), [220, 80]],
    wrong: [[L0({ ambient: [0.3, 0.3, 0.3, 1] }), [200, 200]], [[220, 80]], [{ global_ambient: [0.3, 0.3, 0.3, 1] }, [220, 80]],
      [L1({ ambient: [0.3, 0.3, 0.3, 1] }), [220, 80]]] },
  { do: [{ ...L0({ on: false }), ...M({ emission: [0.3, 0.3, 0.3, 1] }) }], wrong: [[L0({ on: false })], [M({ emission: [0.3, 0.3, 0.3, 1] })],
    [L0({ on: false }), M({ ambient: [1, 1, 1, 1] })], [L0({ on: false }), M({ emission: [0.02, 0.02, 0.02, 1] })]] },
  { do: [[100, 200]], wrong: [[[200, 200]], [[90, 60]], [L0({ attenuation: [1, 0, 0] }), [100, 200]]] }],
};

test('lessons: each task is done by what it asks, and by no wrong action; what the page says is so', async (t) => {
  const page = await openAt(LAB);
  const lessons = await page.evaluate(() => LESSONS);
  assert.deepEqual(Object.keys(lessons), Object.keys(TASKS));
  // Opens the step fresh, does the actions; the step's state before them, whether it is done, what the page says.
  const run = (name, step, actions) => page.evaluate(async (n, s, list) => {
    await lab.lesson(null);
    lab.reset();
    const opened = [await lab.lesson(n, s), lab.state()];
    for (const a of list) await (Array.isArray(a) ? lab.click(...a) : lab.set(a));
    return [...opened, lab.lessonState().done, document.getElementById('lesson-result').textContent];
  }, name, step, actions);
  let answers = 0;
  for (const [name, lesson] of Object.entries(lessons)) {
    assert.equal(lesson.steps.length, TASKS[name].length, name);
    for (const [i, step] of lesson.steps.entries()) {
      const expected = await page.evaluate((s) => { lab.reset(); return lab.set(s); }, step.state || {});
      const { do: asked, also, wrong } = TASKS[name][i], at = `${name} step ${i + 1}`;
      for (const [right, actions] of [[true, asked], ...(also ? [[true, also]] : []), ...wrong.map((w) => [false, w])]) {
        const [opened, state, done, said] = await run(name, i + 1, actions);
        assert.deepEqual([opened, state], [{ lesson: name, step: i + 1, done: false }, expected], at);
        t.diagnostic(`${at} | ${JSON.stringify(actions)} | ${said.split('\n')[0]}`);
        assert.equal(done, right, `${at}, ${JSON.stringify(actions)}: ${said}`);
        if (right) assert.match(said, /^Done\. [^{}]*\nPixel \(\d+, \d+\), marked and explained/, at);
        else assert.match(said, /^Not yet: [^[\]_{}]+\.$/, `${at}: ${said}`);
        assert.ok(!said.includes('(not known)'));
        const parts = said.split(/[;:] /);
        assert.equal(new Set(parts).size, parts.length, `each thing once: ${said}`);
        answers += 1;
      }
    }
  }
  t.diagnostic(`${answers} answers in ${Object.keys(lessons).length} lessons`);
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
    [{ title: 'L', steps: [step({ only: ['material.shinyness'] })] }, 'check.only[0]: the state has no field "material.shinyness"'],
    [{ title: 'L', steps: [step({ light: { light: 0, term: 'glow', at_least: 1 } })] }, 'check.light.term must be one of'],
    [{ title: 'L', steps: [{ ...step({ only: [] }), task: { do: 'Do it.', check: { only: [] }, found: 'At {state.colour}.' } }] },
      'steps[0].task.found: {state.colour} names no field'],
    [{ title: 'L', steps: [step({ state: { path: 'mode', equals: 1, missing: ' ' } })] }, 'check.state.missing must be a text'],
  ];
  for (const [lesson, message] of MALFORMED) {
    const refusal = await page.evaluate((l) => lab.lesson(l).then(() => null, (e) => e.message), lesson);
    assert.ok(refusal?.includes(message), `${message}: ${refusal}`);
    assert.ok((await status(page)).includes(message));
    assert.deepEqual(await page.evaluate(() => [lab.state(), lab.lessonState()]), [state, where]);
  }
  await page.close();
});

test("a teacher's lesson from a file, the guide's example: a wrong cause refused, the right one done", async () => {
  const file = join(tmpdir(), 'front-face-lesson.json');
  writeFileSync(file, readFileSync(new URL('../../docs/lessons.md', import.meta.url), 'utf8').match(/```json\n([^`]*)```/)[1]);
  const page = await openAt(LAB);
  await (await page.$('#lesson-file')).uploadFile(file);
  await page.waitForFunction(() => lab.lessonState().step === 1);
  await page.click('#lesson-next');
  const said = () => page.$eval('#lesson-result', (r) => r.textContent);
  await page.evaluate(() => lab.set({ material: { ambient: [1, 0, 0, 1] } }));
  assert.equal(await page.evaluate(() => lab.lessonState().done), false);
  assert.match(await said(), /^Not yet: .*the material's ambient was changed; light 0 does not light the cube's front face all over yet \(0 pixels/);
  await page.evaluate(() => { lab.undo(); return lab.set({ lights: [{ position: [2, 2, 3, 1] }] }); });
  assert.deepEqual(await page.evaluate(() => lab.lessonState()), { lesson: "Why is the cube's front face black?", step: 2, done: true });
  assert.match(await said(), /^Done\. With light 0 at \(2, 2, 3, 1\), .* here it is [\d.]+\.\nPixel \(220, 80\)/);
  assert.deepEqual(page.problems, []);
  await page.close();
});
