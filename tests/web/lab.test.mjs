// The lighting lab in headless Chromium: its frame of the demo's values is
// the demo page's; clicked pixels are explained as the command-line
// explainer explains them; changes show as the lighting equation predicts;
// a changed state is what the desktop's fixed-function pipeline draws of
// the same state file; bad values are refused and change nothing.
import assert from 'node:assert/strict';
import { execFile } from 'node:child_process';
import { mkdtemp, readFile, rm, stat, writeFile } from 'node:fs/promises';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';
import { promisify } from 'node:util';
import { after, before, test } from 'node:test';
import { canvasFrame, compareFrames, launch, openDemo, sleep, waitForFirstFrame, PNG } from './support.mjs';

const LAB = process.env.ML_LAB_PAGE;
const run = promisify(execFile);

let browser, dir;
before(async () => {
  browser = await launch();
  dir = await mkdtemp(join(tmpdir(), 'ml-lab-'));
});
after(async () => {
  await browser?.close();
  await rm(dir, { recursive: true, force: true });
});

async function openLab() {
  const page = await browser.newPage();
  await page.setViewport({ width: 1500, height: 1000, deviceScaleFactor: 1 });
  const problems = [];
  page.on('pageerror', (error) => problems.push(error.message));
  await page.goto(pathToFileURL(LAB).href);
  await page.waitForFunction(() => document.body.dataset.ready === 'yes', { timeout: 20000 });
  page.problems = problems;
  return page;
}

// The lab's frame as window.lab.pixels() gives it, as a PNG-like object.
const labFrame = (page) => page.evaluate(() => {
  const { width, height, data } = lab.pixels();
  return { width, height, data: Array.from(data) };
});
const setState = (page, partial) => page.evaluate((p) => lab.set(p).then(() => null, (e) => e.message), partial);
const pixel = (frame, x, y) => frame.data.slice(4 * (y * frame.width + x), 4 * (y * frame.width + x) + 3);
const brightness = (rgb) => rgb[0] + rgb[1] + rgb[2];

// Pixels of the frame that show a solid, on a grid `step` pixels apart.
function solidPixels(frame, step) {
  const found = [];
  for (let y = step >> 1; y < frame.height; y += step) {
    for (let x = step >> 1; x < frame.width; x += step) {
      if (brightness(pixel(frame, x, y)) > 30) found.push([x, y]);
    }
  }
  return found;
}

test('the demo values: the lab draws the demo page\'s frame', async () => {
  const lab = await openLab();
  const demo = await openDemo(browser);
  await waitForFirstFrame(demo);
  for (const [keys, patch] of [[[], {}], [['c', 'l', 'l', 'l'], { viewpoint: 1, mode: 3 }],
                               [['ArrowLeft', 'ArrowUp'], { viewpoint: 1, mode: 3, angles: [1, 1, 0] }]]) {
    for (const key of keys) await demo.keyboard.press(key);
    assert.equal(await setState(lab, patch), null);
    const n = compareFrames(await canvasFrame(demo), await labFrame(lab), 0);
    assert.equal(n.exact, 300 * 300, JSON.stringify(n));
  }
  const size = (await stat(LAB)).size;
  assert.ok(size <= 2.5 * 1024 * 1024, `the lab's file is ${size} bytes`);
  assert.deepEqual(lab.problems, []);
  await demo.close();
  await lab.close();
});

// The numbers of an explanation that come from the model: the point and
// its normal, the material, every light's terms, their sum and the
// equation, the model's corner colours. (Depths, weights and GL's corner
// colours come from each GL: feedback on the desktop, the page's passes.)
function modelNumbers(json) {
  const numbers = {};
  const walk = (value, path) => {
    if (typeof value === 'number') numbers[path] = value;
    else if (Array.isArray(value)) value.forEach((v, i) => walk(v, `${path}[${i}]`));
    else if (value && typeof value === 'object') for (const [k, v] of Object.entries(value)) walk(v, `${path}.${k}`);
  };
  for (const field of ['surface', 'material', 'emission', 'global_ambient', 'lights', 'sum', 'equation']) {
    walk(json[field], field);
  }
  json.vertices.forEach((v, i) => walk(v.model_colour, `vertices[${i}].model_colour`));
  walk(json.triangle.index, 'triangle.index');
  return numbers;
}

// Three states, as state files and as the lab's state.
const STATES = [
  {},
  { viewpoint: 1, mode: 3, angles: [10, -20, 5], material: { shininess: 20, emission: [0.1, 0, 0.1, 1] },
    lights: [{ position: [1, 0.5, 2, 1], attenuation: [1, 0.1, 0.02] }, {}, { spot_cutoff: 25, spot_exponent: 5 }] },
  { viewpoint: 2, mode: 0, local_viewer: true, two_sided: true, global_ambient: [0.3, 0.3, 0.3, 1],
    material: { ambient: [0.4, 0.4, 0.4, 1] }, tessellation: { sphere: [20, 10], cylinder: [16, 4] } },
  // Flat, more lights, the back material, the separate specular colour.
  { viewpoint: 2, mode: 3, angles: [30, 10, 0], shading: 'flat', two_sided: true, separate_specular: true,
    tessellation: { sphere: [24, 12], cylinder: [16, 3] },
    material: { shininess: 8, back: { diffuse: [0.9, 0.3, 0.6, 1], specular: [0.8, 0.8, 0.8, 1] } },
    lights: [{}, {}, {}, { on: true, position: [3, 3, 4, 1], diffuse: [0.6, 0.2, 0.2, 1] }, {},
             { on: true, position: [0, 6, 2, 1], spot_direction: [0.3, -1, -0.2], spot_cutoff: 25 }] },
];
// Drawn against the capture tool's frames too, each alone: flat and turned; the back material
// inside the tube; the separate specular colour where the sphere's green clamps; eight lights of
// every kind; Phong's highlight (the shader's).
const ALONE = [
  { angles: [20, 30, 0], shading: 'flat', tessellation: { sphere: [12, 8], cone: [10, 3] } },
  { viewpoint: 2, two_sided: true, material: { back: { ambient: [0.3, 0, 0, 1], diffuse: [0.2, 0.6, 0.9, 1],
    specular: [1, 1, 1, 1], emission: [0, 0.1, 0, 1], shininess: 10 } } },
  { mode: 0, separate_specular: true, lights: [{ position: [0.3, 0.5, 1, 0] }], tessellation: { sphere: [12, 8] } },
  { mode: 3, lights: [{}, {}, {}, { on: true, position: [-3, 2, 4, 1], diffuse: [0.3, 0.3, 0.6, 1], attenuation: [1, 0.05, 0] },
    { on: true, position: [0, -1, 1, 0], diffuse: [0.2, 0.4, 0.2, 1] }, { on: true, position: [2, 4, 3, 1], spot_direction: [0, -1, -0.5],
      spot_cutoff: 30, spot_exponent: 4, diffuse: [0.5, 0.3, 0, 1] }, { on: true, position: [1, 1, 1, 0], specular: [0.5, 0.5, 0.5, 1] },
    { on: true, position: [-2, -3, 2, 1], diffuse: [0.4, 0, 0.4, 1] }] },
  { shading: 'pixel', highlight: 'phong', lights: [{ position: [0.3, 0.5, 1, 0] }], material: { shininess: 12.5 } },
];

test('a clicked pixel is explained as the command-line explainer explains it', async (t) => {
  const lab = await openLab();
  let compared = 0, largest = 0;
  for (const [i, state] of STATES.entries()) {
    await lab.evaluate(() => lab.reset());
    assert.equal(await setState(lab, state), null);
    const file = join(dir, `state-${i}.json`);
    await writeFile(file, JSON.stringify(await lab.evaluate(() => lab.state())));
    const frame = await labFrame(lab);
    const candidates = solidPixels(frame, 13);
    // A pixel marked: its marks are on the canvas, and in neither the frame
    // the page reads nor the colours it explains.
    const onCanvas = await lab.evaluate(([x, y]) => {
      lab.click(x, y);
      const copy = Object.assign(document.createElement('canvas'), { width: 300, height: 300 });
      const context = copy.getContext('2d');
      context.drawImage(document.getElementById('scene'), 0, 0);
      return Array.from(context.getImageData(0, 0, 300, 300).data);
    }, candidates[0]);
    assert.ok(onCanvas.some((v, p) => v !== frame.data[p]), 'the marks are on the canvas');
    assert.deepEqual(await labFrame(lab), frame, 'the frame read with a pixel marked');
    let inState = 0;
    for (let c = 0; c < candidates.length && inState < 7; c += Math.max(1, Math.floor(candidates.length / 9))) {
      const [x, y] = candidates[c];
      const { stdout } = await run(process.env.ML_EXPLAIN, ['--state', file, '--pixel', `${x},${y}`, '--json']);
      const cli = JSON.parse(stdout);
      const page = await lab.evaluate((px, py) => lab.explain(px, py), x, y);
      assert.deepEqual(page.drawn, Array.from(pixel(frame, x, y)), `(${x}, ${y}): drawn`);
      // A pixel on an edge may go to either triangle in each GL.
      if (cli.flags.length || !cli.triangle || cli.triangle.index !== page.triangle.index) continue;
      const expected = modelNumbers(cli), got = modelNumbers(page);
      assert.ok(Object.keys(expected).length > 60, "the model's numbers are there");
      assert.deepEqual(Object.keys(got), Object.keys(expected), `(${x}, ${y}): the same fields`);
      for (const [path, value] of Object.entries(expected)) {
        assert.ok(Math.abs(got[path] - value) <= 1e-6, `state ${i}, (${x}, ${y}) ${path}: ${got[path]} against ${value}`);
        largest = Math.max(largest, Math.abs(got[path] - value));
      }
      inState += 1;
    }
    t.diagnostic(`state ${i}: ${inState} pixels, their model numbers within 1e-6 of the command line's`);
    compared += inState;
  }
  t.diagnostic(`largest difference of a model number: ${largest}`);
  assert.ok(compared >= 20, `${compared} pixels compared`);
  await lab.close();
});

test('a changed state is the frame the desktop\'s fixed-function pipeline draws of its file (its shader, for Phong\'s highlight)', async (t) => {
  const lab = await openLab();
  for (const [i, state] of [...STATES.slice(1), ...ALONE].entries()) {
    await lab.evaluate(() => lab.reset());
    assert.equal(await setState(lab, state), null);
    const file = join(dir, `changed-${i}.json`), png = join(dir, `changed-${i}.png`);
    await writeFile(file, JSON.stringify(await lab.evaluate(() => lab.state())));
    await run(process.env.ML_CAPTURE, ['--state', file, ...(state.highlight ? ['--renderer', 'shader'] : []), '--output', png]);
    const n = compareFrames(await labFrame(lab), PNG.sync.read(await readFile(png)));
    t.diagnostic(`changed state ${i + 1}: exact ${n.exact}, within 2 ${n.within}, beyond ${n.beyond}`);
    assert.ok(n.exact + n.within >= 0.99 * 300 * 300, JSON.stringify(n));
  }
  await lab.close();
});

test('changes show as the lighting equation predicts', async (t) => {
  const lab = await openLab();
  const explainAll = (points) => lab.evaluate((ps) => ps.map(([x, y]) => lab.explain(x, y)), points);

  // A cut-off of 180 makes the spotlight a point light: the whole face of
  // the cube at x = 1, turned towards the eye, is lit; at 8.59 degrees
  // most of it is dark (the corner in the spot brightens one end).
  const turned = { mode: 2, angles: [0, 50, 0] };
  await setState(lab, { ...turned, lights: [{}, {}, { spot_cutoff: 180 }] });
  const onFace = (await explainAll(solidPixels(await labFrame(lab), 6)))
    .filter((e) => e.surface && e.surface.part === 'face x = 1').map((e) => e.pixel);
  const litOnFace = async (cutoff) => {
    await setState(lab, { lights: [{}, {}, { spot_cutoff: cutoff }] });
    return (await explainAll(onFace)).filter((e) => e.drawn[0] > 100).length;
  };
  const [lit180, lit] = [await litOnFace(180), await litOnFace(8.59)];
  t.diagnostic(`face x = 1: ${lit180} of ${onFace.length} sampled pixels lit at 180, ${lit} at 8.59`);
  assert.ok(onFace.length >= 20);
  assert.equal(lit180, onFace.length);
  assert.ok(lit < onFace.length / 2);

  // w = 0: the white light from +Z lights the cube's front face alike all
  // over (a flat face, the light and the viewer at infinity); from a point
  // at (0, 0, 1) its colour changes across the face.
  const frontFace = async (w) => {
    await setState(lab, { mode: 0, angles: [0, 0, 0], lights: [{ position: [0, 0, 3, w],
      diffuse: [0.6, 0.6, 0.6, 1], specular: [0, 0, 0, 1] }] });
    const points = solidPixels(await labFrame(lab), 4).filter(([x, y]) => x > 180 && x < 250 && y > 50 && y < 115);
    const reds = (await explainAll(points)).filter((e) => e.surface?.part === 'face z = 1').map((e) => e.drawn[0]);
    return [Math.min(...reds), Math.max(...reds), reds.length];
  };
  const [lowest, highest, counted] = await frontFace(0);
  const [lowestPoint, highestPoint] = await frontFace(1);
  t.diagnostic(`cube's front face: red ${lowest} to ${highest} (w = 0), ${lowestPoint} to ${highestPoint} (w = 1)`);
  assert.ok(counted >= 20 && highest - lowest <= 1);
  assert.ok(highestPoint - lowestPoint > 20);

  // Attenuation 1 / (1 + 0.5 d): each pixel of the lit sides darkens by the
  // factor the distance from the light (at the origin) to its point gives.
  await setState(lab, { mode: 0, lights: [{ position: [0, 0, 0, 1], attenuation: [1, 0, 0],
                                          diffuse: [1, 1, 1, 1] }], material: { specular: [0, 0, 0, 1] } });
  const plain = await labFrame(lab);
  await setState(lab, { lights: [{ attenuation: [1, 0.5, 0] }] });
  const dimmed = await labFrame(lab);
  const points = solidPixels(plain, 5).filter(([x, y]) => Math.max(...pixel(plain, x, y)) > 60 &&
                                                          Math.max(...pixel(plain, x, y)) < 250);
  const explained = await explainAll(points);
  let checked = 0;
  for (const [i, [x, y]] of points.entries()) {
    const [px, py, pz] = explained[i].surface.point;
    const factor = 1 / (1 + 0.5 * Math.hypot(px, py, pz));
    const before = Math.max(...pixel(plain, x, y)), after_ = Math.max(...pixel(dimmed, x, y));
    assert.ok(Math.abs(after_ - factor * before) <= 3 + 0.05 * before, `(${x}, ${y}): ${before} -> ${after_}, factor ${factor}`);
    checked += 1;
  }
  t.diagnostic(`attenuation: ${checked} pixels darkened by 1 / (1 + 0.5 d)`);
  assert.ok(checked >= 20);

  // The spot on a large face: none with the face in two triangles, a disc
  // with it cut 16 x 16, and a disc shaded per pixel even uncut.
  const spotPixels = async (patch) => {
    await lab.evaluate(() => lab.reset());
    await setState(lab, { mode: 2, lights: [{}, {}, { position: [2, 2, 8, 1], spot_direction: [0, 0, -1],
      spot_cutoff: 8, diffuse: [1, 1, 1, 1], specular: [0, 0, 0, 1] }], ...patch });
    const frame = await labFrame(lab);
    return solidPixels(frame, 1).filter(([x, y]) => pixel(frame, x, y)[0] > 200).length;
  };
  const [uncut, cut, perPixel] = [await spotPixels({}), await spotPixels({ tessellation: { cube: 16 } }),
    await spotPixels({ shading: 'pixel' })];
  t.diagnostic(`bright red pixels of the spot: ${uncut} at 1 x 1, ${cut} at 16 x 16, ${perPixel} per pixel at 1 x 1`);
  assert.equal(uncut, 0);
  assert.ok(cut > 800 && perPixel > 800 && Math.abs(cut - perPixel) < 0.3 * perPixel);
  assert.deepEqual(lab.problems, []);
  await lab.close();
});

test('bad values are refused with a message, and the state stays as it was', async () => {
  const lab = await openLab();
  await setState(lab, { mode: 3, material: { shininess: 20 } });
  const before = await lab.evaluate(() => lab.state());
  const frame = await labFrame(lab);
  const REFUSED = [
    [{ material: { shininess: NaN } }, 'material.shininess'],
    [{ material: { shininess: -1 } }, 'material.shininess'],
    [{ lights: [{}, {}, { spot_cutoff: 95 }] }, 'lights[2].spot_cutoff'],
    [{ lights: [{ diffuse: [1, 2, 0, 1] }] }, 'lights[0].diffuse'],
    [{ tessellation: { cube: 0 } }, 'tessellation.cube'],
    [{ viewpoint: 3 }, 'viewpoint'],
    [{ shading: 'gouraud' }, 'shading'],
    [{ highlight: 'torrance' }, 'highlight'],
    [{ colour: 1 }, 'colour'],
    // A good field with a bad one: neither is taken.
    [{ mode: 1, lights: [{ spot_exponent: 200 }] }, 'lights[0].spot_exponent'],
  ];
  for (const [patch, named] of REFUSED) {
    const refusal = await lab.evaluate((p) => lab.set(p).then(() => null, (e) => e.message), patch);
    assert.ok(refusal && refusal.includes(named), `${JSON.stringify(patch)}: ${refusal}`);
    assert.ok((await lab.$eval('#status', (s) => s.textContent)).includes(named));
  }
  assert.deepEqual(await lab.evaluate(() => lab.state()), before);
  assert.equal(compareFrames(await labFrame(lab), frame, 0).exact, 300 * 300);

  // Typed into the panel: the row says what is wrong, the field shows the
  // value the state kept.
  const shininess = 'input[type=number][step="0.5"]';
  for (const typed of ['-3', '129', 'abc']) {
    await lab.$eval(shininess, (input, value) => {
      input.value = value;
      input.dispatchEvent(new Event('change'));
    }, typed);
    await lab.waitForFunction((s) => document.querySelector(s).closest('.row').querySelector('.error').textContent !== '',
                              {}, shininess);
    const [error, shown] = await lab.$eval(shininess, (input) =>
      [input.closest('.row').querySelector('.error').textContent, input.value]);
    assert.ok(error.includes('material.shininess'), `${typed}: ${error}`);
    assert.equal(shown, '20');
    await lab.$eval(shininess, (input) => { input.closest('.row').querySelector('.error').textContent = ''; });
  }
  assert.deepEqual(await lab.evaluate(() => lab.state()), before);
  assert.deepEqual(lab.problems, []);
  await lab.close();
});

// Hostile states and the limits' edges (as the tools get them in test_explain_e2e.cpp),
// through lab.set as text and (`parsed`) as the object JSON.parse makes, and the import
// box: the reader's words each time, the state kept, the page still answering.
const nested = (depth) => `{"lights":${'['.repeat(depth - 1)}${']'.repeat(depth - 1)}}`;
const MIB = 1 << 20, BAD = '{"viewpoint": 5}';
const HOSTILE = [
  ['200 000 deep', nested(200001), 'more than 16 deep', true],
  ['zero bytes', '\0'.repeat(2 * MIB), 'larger than 1 MiB'],
  ['a long string', `{"shading": "${'x'.repeat(2 * MIB)}"}`, 'larger than 1 MiB', true],
  ['1 MiB exactly', BAD.padEnd(MIB), 'viewpoint must be', true],
  ['1 MiB and 1 byte', BAD.padEnd(MIB + 1), 'larger than 1 MiB'],
  ['depth 16', nested(16), 'lights[0] must be an object', true],
  ['depth 17', nested(17), 'more than 16 deep', true],
  ['a field twice', '{"lights": [{}, {"on": true, "on": false}]}', 'lights[1].on is given twice'],
  ['a byte-order mark', `\uFEFF${BAD}`, 'viewpoint must be'],
];

// The panel offers what the reader takes: every field of the program's
// table is a row, in its order, whose sliders and numbers carry the
// table's ends and steps (the reader's, which the native tests hold the
// table to); on a few rows each end is taken by lab.set and a value just
// past it refused. Then lights are added and removed (three to eight): the
// groups of the lights the state has shown, a new light off till its row
// switches it on, each step undone (LIGHT_STEPS: what is done, the lights' switches after).
const AT_THE_ENDS = ['size', 'lights[0].spot_cutoff', 'material.shininess', 'tessellation.cube', 'tessellation.cone'];
const LIGHT_STEPS = [['Remove the last light', '100'], ['Add a light', '1000'], ['light 3 on', '1001'],
  ['Remove the last light', '100'], ['undo', '1001'], ['undo', '1000'], ['undo', '100'], ['Add a light', '1000'],
  ['Add a light', '10000'], ['Add a light', '100000'], ['Add a light', '1000000'], ['Add a light', '10000000'],
  ['Add a light', '10000000']];
const patchAt = (path, value) => path.reduceRight((inner, key) =>
  (typeof key === 'number' ? [...Array(key).fill({}), inner] : { [key]: inner }), value);
test('every range the panel offers is the reader\'s, ends taken and just past them refused; lights added and removed', async () => {
  const lab = await openLab();
  const table = await lab.evaluate(() => lab.fields());
  const rows = await lab.$$eval('#panel .row[data-path]', (all) => all.map((row) => [row.dataset.path,
    [...row.querySelectorAll('input[type=range], input[type=number]')].map((i) => [i.type, i.min, i.max, i.step])]));
  assert.deepEqual(rows.map(([path]) => path), table.fields.map((f) => f.path.join('.')));
  for (const [[path, inputs], field] of rows.map((row, i) => [row, table.fields[i]])) {
    const colour = field.parts?.length === 4 && field.values.every((v) => v.min === 0 && v.max === 1);
    assert.deepEqual(inputs, field.kind === 'switch' || field.choices ? [] : field.values.flatMap((v, e) => [
      ...(colour && e < 3 ? [] : [['range', String(v.slider[0]), String(v.slider[1]), String(v.step)]]),
      ['number', String(v.min ?? ''), String(v.also ?? v.max ?? ''), path === 'angles' ? 'any' : String(v.step)]]), path);
  }
  for (const field of table.fields.filter((f) => AT_THE_ENDS.includes(f.name))) {
    for (const [e, v] of field.values.entries()) {
      const set = (value) => setState(lab, patchAt(field.path, field.parts ? field.values.map((w, i) => (i === e ? value : w.demo)) : value));
      for (const [end, past] of [[v.min, -1], [v.max, 1]]) {
        assert.equal(await set(end), null, `${field.name} at ${end}`);
        const refused = await set(end + past * (field.kind === 'whole' ? 1 : 1e-3));
        assert.ok(refused?.startsWith(field.name), `${field.name} just past ${end}: ${refused}`);
      }
    }
  }
  for (const [what, on] of LIGHT_STEPS) {
    await lab.evaluate((w) => (w === 'undo' ? lab.undo() : [...document.querySelectorAll('#panel button, #panel input')]
      .find((c) => c.textContent === w || c.ariaLabel === w).click()), what);
    await lab.evaluate(() => new Promise((done) => setTimeout(done, 10)));
    assert.deepEqual(await lab.evaluate(() => [lab.state().lights.map((l) => (l.on ? 1 : 0)).join(''),
      [...document.querySelectorAll('#panel details details')].filter((d) => /^Light /.test(d.textContent) && !d.hidden).length,
      ['Add a light', 'Remove the last light'].map((t) => [...document.querySelectorAll('#panel button')].find((b) => b.textContent === t).disabled)]),
    [on, on.length, [on.length === 8, on.length === 3]], what);
  }
  assert.deepEqual(lab.problems, []);
  await lab.close();
});

test('hostile states and the limits\' edges: refused by lab.set and the import box', async (t) => {
  const lab = await openLab();
  await setState(lab, { viewpoint: 1, mode: 3 });
  const before = await lab.evaluate(() => lab.state());
  for (const [name, text, named, parsed] of HOSTILE) {
    const answers = await lab.evaluate(async (text, parsed) => {
      const status = () => document.getElementById('status').textContent;
      const refusal = (partial) => lab.set(partial).then(() => 'taken', (e) => [e.message, status()]);
      const answers = [await refusal(text), parsed ? await refusal(JSON.parse(text)) : []];
      document.querySelector('textarea').value = text;
      [...document.querySelectorAll('button')].find((b) => b.textContent === 'Import').click();
      await new Promise((done) => setTimeout(done, 0));
      return [...answers.flat(), status()];
    }, text, parsed);
    t.diagnostic(`${name}: ${answers[0]}`);
    assert.ok(answers.every((answer) => answer.includes(named)), `${name}: ${answers}`);
    assert.deepEqual(await lab.evaluate(() => lab.state()), before, name);
  }
  assert.equal(await setState(lab, { mode: 1 }), null);
  assert.deepEqual(lab.problems, []);
  await lab.close();
});

test('a change reaches the canvas in the next animation frame; explaining is quick', async (t) => {
  const lab = await openLab();
  const timing = await lab.evaluate(async () => {
    const before = lab.pixels().data.slice();
    const changed = await new Promise((done) => {
      lab.set({ mode: 3 }).then(() => requestAnimationFrame(() => {
        const now = lab.pixels().data;
        done(now.some((v, i) => v !== before[i]));
      }));
    });
    await new Promise((done) => setTimeout(done, 300));  // the page readies its passes
    const times = [];
    for (let i = 0; i < 12; ++i) {
      const start = performance.now();
      lab.explain(120 + 10 * i, 200);
      times.push(performance.now() - start);
    }
    times.sort((a, b) => a - b);
    return { changed, median: times[6], slowest: times[11] };
  });
  t.diagnostic(`explain: median ${timing.median.toFixed(1)} ms, slowest of 12 ${timing.slowest.toFixed(1)} ms`);
  assert.ok(timing.changed);
  assert.ok(timing.median < 50);
  await lab.close();
});

test('each preset is the demo\'s values and its own fields, shown with its paragraph', async () => {
  const lab = await openLab();
  const demo = await labFrame(lab);
  const presets = await lab.$$eval('.preset', (rows) => rows.map((row) =>
    [row.querySelector('button').textContent, row.querySelector('p').textContent]));
  assert.equal(presets.length, 8);
  for (const [i, [name, text]] of presets.entries()) {
    assert.ok(text.length > 80, `${name}: its paragraph`);
    // From a changed state, so a preset that kept what was there would show.
    await setState(lab, { viewpoint: 2, mode: 1, material: { shininess: 3 }, tessellation: { cube: 5 } });
    await lab.$$eval('.preset button', (buttons, at) => buttons[at].click(), i);
    const loaded = await lab.evaluate(() => lab.state());
    const expected = await lab.evaluate((at) => { lab.reset(); return lab.set(PRESETS[at].state); }, i);
    assert.deepEqual(loaded, expected, name);
    assert.ok(compareFrames(await labFrame(lab), demo, 0).exact < 300 * 300, `${name} changes the frame`);
  }
  await lab.close();
});

test('export and import give the state back; the demo\'s keys work on the picture', async () => {
  const lab = await openLab();
  const changed = { viewpoint: 1, angles: [5, 10, 15], two_sided: true, shading: 'pixel',
                    lights: [{ position: [1, 2, 3, 1], spot_exponent: 7 }], tessellation: { sphere: [30, 12] } };
  await setState(lab, changed);
  const state = await lab.evaluate(() => lab.state());
  const click = (text) => lab.$$eval('button', (buttons, t) => buttons.find((b) => b.textContent === t).click(), text);
  await click('Export');
  assert.deepEqual(JSON.parse(await lab.$eval('textarea', (t) => t.value)), state);
  await lab.evaluate(() => lab.reset());
  await click('Import');
  assert.deepEqual(await lab.evaluate(() => lab.state()), state);
  // A file holds only what it changes: the rest is the demo's.
  await lab.$eval('textarea', (t) => { t.value = '{"mode": 2}'; });
  await click('Import');
  assert.deepEqual(await lab.evaluate(() => lab.state()),
                   await lab.evaluate(() => { lab.reset(); return lab.set({ mode: 2 }); }));

  await lab.focus('#scene');
  const KEYS = [['l', (s) => s.mode === 3 && s.lights.every((light) => light.on)], ['c', (s) => s.viewpoint === 1],
                ['ArrowLeft', (s) => s.angles[1] === 1], ['PageDown', (s) => s.angles[2] === -1],
                ['L'], ['C'], ['x']];  // none: state and frame stay (press('L') is Caps Lock's L)
  for (const [key, holds] of KEYS) {
    const [before, frame] = [await lab.evaluate(() => lab.state()), await labFrame(lab)];
    await lab.keyboard.press(key);
    const now = await lab.evaluate(() => lab.state());
    if (holds) assert.ok(holds(now), `after ${key}`);
    else assert.deepEqual([now, compareFrames(await labFrame(lab), frame, 0).exact], [before, 300 * 300], key);
  }
  await lab.close();
});

// Every sampled pixel of a frame, clicked: its explanation gives the colour
// drawn there (the blend of the corners the page read back, or the
// equation for the fragment), within 2 levels on all but edge pixels.
test('the explanations account for what the page draws', async (t) => {
  const lab = await openLab();
  for (const shading of ['vertex', 'pixel']) {
    await setState(lab, { viewpoint: 1, mode: 3, angles: [0, 30, 0], local_viewer: true, shading,
                          lights: [{ attenuation: [1, 0.2, 0] }], tessellation: { sphere: [12, 6] } });
    const explained = await lab.evaluate((points) => points.map(([x, y]) => lab.explain(x, y)),
                                         solidPixels(await labFrame(lab), 4));
    const off = explained.filter((e) => Math.max(...e.difference.map(Math.abs)) > 2);
    t.diagnostic(`${shading}: ${explained.length - off.length} of ${explained.length} pixels within 2 levels`);
    assert.ok(explained.length > 200);
    assert.ok(off.length <= 0.02 * explained.length, JSON.stringify(off.slice(0, 2).map((e) => [e.pixel, e.difference])));
  }
  await lab.close();
});

test('a browser without WebGL is told so', async () => {
  const noWebgl = await launch(['--disable-webgl']);
  try {
    const page = await noWebgl.newPage();
    await page.goto(pathToFileURL(LAB).href);
    await page.waitForFunction(() => document.getElementById('status').textContent !== '', { timeout: 20000 });
    assert.match(await page.$eval('#status', (s) => s.textContent), /no WebGL/);
    assert.equal(await page.$eval('#scene', (c) => c.checkVisibility()), false);
  } finally {
    await noWebgl.close();
  }
});

// The start and a run of changes, watched from inside the page: the first
// draw on the scene's canvas, the animation frames, when the panel's first
// group appears, and every write of the address.
test('the first frame shows before the panel is built; changes at every frame write the address every 2 s and once at rest, and leave the panel\'s groups alone', async () => {
  const page = await browser.newPage();
  await page.setViewport({ width: 1500, height: 1000, deviceScaleFactor: 1 });
  await page.evaluateOnNewDocument(() => {
    const seen = window.seen = { drawn: 0, frames: [], built: 0, writes: 0, groupWrites: 0 };
    const draw = WebGLRenderingContext.prototype.drawElements;
    WebGLRenderingContext.prototype.drawElements = function (...a) {
      seen.drawn ||= performance.now();
      return draw.apply(this, a);
    };
    const tick = () => { seen.frames.push(performance.now()); if (!seen.built) requestAnimationFrame(tick); };
    requestAnimationFrame(tick);
    new MutationObserver((_, watch) => {
      if (document.querySelector('#panel details')) { seen.built = performance.now(); watch.disconnect(); }
    }).observe(document, { subtree: true, childList: true });
    // Any attribute of a group written (shown, hidden, opened) while only an angle changes.
    new MutationObserver((records) => {
      seen.groupWrites += records.filter((r) => r.target.matches('#panel details')).length;
    }).observe(document, { subtree: true, attributes: true });
    const write = history.replaceState;
    history.replaceState = function (...a) { seen.writes += 1; return write.apply(this, a); };
  });
  try {
    await page.goto(pathToFileURL(LAB).href);
    await page.waitForFunction(() => document.body.dataset.ready === 'yes', { timeout: 20000 });
    const { drawn, frames, built } = await page.evaluate(() => window.seen);
    assert.ok(drawn > 0 && frames.some((t) => t > drawn && t < built), `drawn ${drawn}, built ${built}, frames ${frames}`);

    // Changes at every frame for 60 frames, then for 2.5 s: the address is
    // written only after each 2 s of them, so once in the longer run.
    const run = (frames, least) => page.evaluate((frames, least) => new Promise((done) => {
      Object.assign(window.seen, { writes: 0, groupWrites: 0 });
      const start = performance.now();
      const step = (i) => {
        const ms = performance.now() - start;
        if (i >= frames && ms >= least) return done([window.seen.writes, ms, window.seen.groupWrites]);
        lab.set({ angles: [i % 360, 2 * i % 360, 0] });
        requestAnimationFrame(() => step(i + 1));
      };
      step(0);
    }), frames, least);
    for (const [frames, least] of [[60, 0], [0, 2500]]) {
      await sleep(400);  // the address at rest first: each run starts with none waiting
      const [writes, ms, groupWrites] = await run(frames, least);
      const most = Math.floor(ms / 2000);
      assert.ok(writes <= most && writes >= (least ? 1 : 0), `${writes} writes of the address in ${ms.toFixed(0)} ms`);
      assert.equal(groupWrites, 0, 'the panel\'s groups were written while only an angle changed');
    }
    await page.evaluate(() => lab.set({ angles: [59, 118, 0] }));
    await sleep(400);
    const [href, link] = await page.evaluate(() => [location.href, lab.link()]);
    assert.equal(href, link, 'the address at rest is the last state\'s');
    assert.ok(decodeURIComponent(href).includes('"angles":[59,118,0]'), href);
  } finally {
    await page.close();
  }
});

// The "As code" group's two views, as the page shows them after each change:
// the calls and the shader's #defines follow flat shading, the lights past
// the third, the back material, the separate specular colour and Phong's
// highlight (the calls then say that GL has none), and say nothing of them
// at the demo's values.
test('the code views show the shade model, every light, the back material, the colour control and the highlight', async () => {
  const lab = await openLab();
  const shown = () => lab.$$eval('details', (all) => ['OpenGL 1.x calls', "The shader, with its uniforms' values"].map((title) =>
    all.find((d) => d.querySelector('summary').textContent === title).querySelector('pre').textContent).join('\n'));
  // Opened, as a learner reads them: the views are written only while open.
  await lab.$$eval('details', (all) => all.filter((d) => d.querySelector('pre')).forEach((d) => { d.open = true; }));
  const NEW = ['glShadeModel(GL_FLAT);', 'GL_LIGHT3', 'GL_LIGHT4', 'GL_BACK', 'GL_SEPARATE_SPECULAR_COLOR', '#define FLAT',
    '#define PHONG', '#define SEPARATE_SPECULAR', '#define TWO_SIDED', 'u_back.', 'u_lights[4].', 'only the shader'];
  const CASES = [
    [{}, ['glShadeModel(GL_SMOOTH);', 'GL_LIGHT_MODEL_COLOR_CONTROL, GL_SINGLE_COLOR);', '#define LIGHT_COUNT 3']],
    [{ shading: 'flat', two_sided: true, separate_specular: true, material: { back: { diffuse: [0, 0, 1, 1] } },
       lights: [{}, {}, {}, {}, { on: true, position: [0, 2, 6, 1], spot_cutoff: 30 }] },
     ['glShadeModel(GL_FLAT);', 'glDisable(GL_LIGHT3);', 'glEnable(GL_LIGHT4);', 'glLightf(GL_LIGHT4, GL_SPOT_CUTOFF, 30.0f);',
      'glMaterialfv(GL_BACK, GL_DIFFUSE, back_diffuse);', 'GL_LIGHT_MODEL_COLOR_CONTROL, GL_SEPARATE_SPECULAR_COLOR);',
      '#define FLAT', '#define SEPARATE_SPECULAR', '#define TWO_SIDED', '#define LIGHT_COUNT 5', 'u_back.diffuse = [0,0,1,1]',
      'u_lights[4].spotCosCutoff', 'ADD(4, true, true, false)']],
    [{ shading: 'pixel', highlight: 'phong' }, ['#define PHONG', '#define PER_PIXEL', '#define LIGHT_COUNT 3',
      '/* Shaded per pixel, which only the shader does', "/* Phong's highlight, (R.V)^shininess, which only the shader draws"]],
  ];
  for (const [state, present] of CASES) {
    await lab.evaluate((s) => { lab.reset(); return lab.set(s); }, state);
    await lab.evaluate(() => new Promise(requestAnimationFrame));
    const text = await shown();
    for (const line of present) assert.ok(text.includes(line), `${JSON.stringify(state)}: ${line} not shown`);
    for (const line of NEW.filter((l) => !present.some((p) => p.includes(l)))) {
      assert.ok(!text.includes(line), `${JSON.stringify(state)}: ${line} shown`);
    }
  }
  assert.deepEqual(lab.problems, []);
  await lab.close();
});
