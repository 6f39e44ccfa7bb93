// The lab's view from outside in headless Chromium, with real mouse
// events: it starts at the capture tool's --overview camera and draws its
// picture; a light dragged by its mark lands where that camera puts it, the
// scene is then the desktop's frame of the new state, and undo and redo
// give the states back; a clicked pixel's vectors are drawn where they
// project, and nothing else changes.
import assert from 'node:assert/strict';
import { execFile } from 'node:child_process';
import { mkdtemp, readFile, rm, writeFile } from 'node:fs/promises';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { promisify } from 'node:util';
import { after, before, test } from 'node:test';
import { compareFrames, drag, launch, onCanvas, openLab, outsideFrame, project, unproject,
  PNG } from './support.mjs';

const run = promisify(execFile);
let browser, dir;
before(async () => {
  browser = await launch();
  dir = await mkdtemp(join(tmpdir(), 'ml-outside-'));
});
after(async () => {
  await browser?.close();
  await rm(dir, { recursive: true, force: true });
});

const capture = async (args) => PNG.sync.read((await run(process.env.ML_CAPTURE, [...args, '--output', '-'],
  { encoding: 'buffer', maxBuffer: 1 << 26 })).stdout);
const share = (n, frame) => (n.exact + n.within) / (frame.width * frame.height);
const evaluate = (page, f, ...args) => page.evaluate(f, ...args);
const labFrame = (page) => evaluate(page, () => {
  const { width, height, data } = lab.pixels();
  return { width, height, data: Array.from(data) };
});

// A scene point where the state's turns (about Z, then Y, then X) put it.
function turned([ax, ay, az], p) {
  const turn = ([x, y, z], degrees, axis) => {
    const c = Math.cos(degrees * Math.PI / 180), s = Math.sin(degrees * Math.PI / 180);
    return [[x, c * y - s * z, s * y + c * z], [c * x + s * z, y, -s * x + c * z], [c * x - s * y, s * x + c * y, z]][axis];
  };
  return turn(turn(turn(p, az, 2), ay, 1), ax, 0);
}

test('the view from outside starts at --overview\'s camera and draws its picture', async (t) => {
  const lab = await openLab(browser);
  const start = await evaluate(lab, () => lab.outside());
  assert.deepEqual([start.eye, start.target, start.up, start.size], [[-28, 20, 42], [2.5, 0.5, 2], [0, 1, 0], [300, 300]]);
  assert.ok(Math.abs(start.fov - 32) < 1e-9, `fov ${start.fov}`);
  // --overview marks only the lights that are on; the lab dims the others.
  const CASES = [
    [{ mode: 3 }, 300, ['--viewpoint', '0', '--mode', '3', '--size', '300x300'], 0.995],
    [{ viewpoint: 2, mode: 3, angles: [0, 40, 0] }, 300, ['--viewpoint', '2', '--mode', '3', '--angles', '0,40,0', '--size', '300x300'], 0.995],
    [{ mode: 3 }, 600, 'docs/lights-overview.png', 0.99],
    [{ mode: 0 }, 300, ['--viewpoint', '0', '--mode', '0', '--size', '300x300'], 0.97],
  ];
  for (const [state, size, desktop, least] of CASES) {
    await evaluate(lab, (s, camera) => { lab.reset(); lab.setOutside(camera); return lab.set(s); }, state, { size: [size, size] });
    const expected = typeof desktop === 'string' ? PNG.sync.read(await readFile(join(import.meta.dirname, '../..', desktop)))
      : await capture([...desktop, '--overview']);
    const n = compareFrames(await outsideFrame(lab), expected);
    t.diagnostic(`${JSON.stringify(state)} at ${size}: exact ${n.exact}, within 2 ${n.within}, beyond ${n.beyond}`);
    assert.ok(share(n, expected) >= least, JSON.stringify(n));
  }

  // A drag away from the lights turns the camera about its target and
  // moves no light; the wheel takes it further.
  await evaluate(lab, (camera) => { lab.reset(); lab.setOutside(camera); }, start);
  const [state, first] = [await evaluate(lab, () => lab.state()), await outsideFrame(lab)];
  await drag(lab, (await onCanvas(lab, '#outside', [290, 290])).map(Math.round), [-40, 10]);
  const turnedCamera = await evaluate(lab, () => lab.outside());
  const distance = (c) => Math.hypot(...c.eye.map((v, i) => v - c.target[i]));
  assert.deepEqual(await evaluate(lab, () => lab.state()), state);
  assert.deepEqual(turnedCamera.target, start.target);
  assert.ok(Math.abs(distance(turnedCamera) - distance(start)) < 1e-9 && turnedCamera.eye[0] !== start.eye[0]);
  await lab.mouse.move(...await onCanvas(lab, '#outside', [150, 150]));
  await lab.mouse.wheel({ deltaY: 100 });
  assert.ok(Math.abs(distance(await evaluate(lab, () => lab.outside())) - 1.1 * distance(start)) < 1e-9);
  await evaluate(lab, (camera) => lab.setOutside(camera), start);
  assert.equal(compareFrames(await outsideFrame(lab), first, 0).exact, 300 * 300);
  assert.match(await evaluate(lab, () => { try { lab.setOutside({ fov: 200 }); } catch (e) { return e.message; } }), /fov/);
  assert.deepEqual(lab.problems, []);
  await lab.close();
});

// [name, state, light, its handle in the scene's frame, (dx, dy) in the
// canvas's pixels, Shift, the view's zoom]
const DRAGS = [
  ['the spotlight', { mode: 2 }, 2, [-12, 0, 10], [40, -25], false, 1],
  ['a point light, the scene turned', { mode: 0, angles: [20, 30, 0], lights: [{ position: [1, -1, 2, 1] }] },
    0, [1, -1, 2], [-30, 20], false, 1],
  ['a point light with w = 2, zoomed x2', { mode: 0, lights: [{ position: [2, 2, 4, 2] }] }, 0, [1, 1, 2], [15, 35], false, 2],
  ['the spotlight, Shift', { mode: 2 }, 2, [-12, 0, 10], [0, -30], true, 1],
];

test('a light dragged by its mark lands where the camera puts it, and undo gives the state back', async (t) => {
  const lab = await openLab(browser);
  const camera = await evaluate(lab, () => lab.outside());
  const pixelWorth = (depth) => 2 * depth * Math.tan(camera.fov * Math.PI / 360) / camera.size[1];
  for (const [name, patch, light, handle, [dx, dy], shift, zoom] of DRAGS) {
    const before = await evaluate(lab, (p) => { lab.reset(); return lab.set(p); }, patch);
    await lab.$$eval('.zoom[data-view=outside] button', (buttons, z) => buttons[z - 1].click(), zoom);
    const [x0, y0, depth0] = project(camera, turned(before.angles, handle));
    await drag(lab, (await onCanvas(lab, '#outside', [x0, y0])).map(Math.round), [dx * zoom, dy * zoom], 8, shift);
    await lab.$$eval('.zoom[data-view=outside] button', (buttons) => buttons[0].click());
    const moved = await evaluate(lab, () => lab.state());
    const position = moved.lights[light].position;
    const [x1, y1, depth1] = project(camera, turned(moved.angles, position.slice(0, 3).map((v) => v / position[3])));
    t.diagnostic(`${name}: (${x0.toFixed(2)}, ${y0.toFixed(2)}) depth ${depth0.toFixed(3)} to (${x1.toFixed(2)}, ${y1.toFixed(2)}) depth ${depth1.toFixed(3)}`);
    const [ex, ey] = shift ? [x0, y0] : [x0 + dx, y0 + dy];
    assert.ok(Math.hypot(x1 - ex, y1 - ey) <= 0.5, `${name}: lands ${x1 - ex}, ${y1 - ey} off`);
    if (shift) assert.ok(depth1 > 1.2 * depth0, `${name}: further from the camera`);
    else assert.ok(Math.abs(depth1 - depth0) <= 0.5 * pixelWorth(depth0), `${name}: depth ${depth1} against ${depth0}`);
    assert.deepEqual({ ...moved, lights: null }, { ...before, lights: null });

    // The panel's numbers follow; the scene is the desktop's frame of the state.
    const shown = await lab.$$eval('.row', (rows, i) => Array.from(rows.filter((row) =>
      row.querySelector('.name')?.textContent === 'position')[i].querySelectorAll('input[type=number]'),
    (input) => Number(input.value)), light);
    assert.deepEqual(shown, position);
    const file = join(dir, 'moved.json');
    await writeFile(file, JSON.stringify(moved));
    const n = compareFrames(await labFrame(lab), await capture(['--state', file]));
    t.diagnostic(`${name}: the scene against the capture tool: exact ${n.exact}, within 2 ${n.within}, beyond ${n.beyond}`);
    assert.ok(share(n, { width: 300, height: 300 }) >= 0.99, JSON.stringify(n));

    // The drag is one step, undone and redone by the page and by the keys.
    const steps = [[() => lab.undo(), before], [() => lab.redo(), moved]];
    for (const [step, expected] of steps) assert.deepEqual(await evaluate(lab, step) && await evaluate(lab, () => lab.state()), expected);
    for (const [keys, expected] of [[['Control', 'z'], before], [['Control', 'y'], moved], [['Control', 'z'], before],
                                    [['Control', 'Shift', 'Z'], moved]]) {
      for (const key of keys) await lab.keyboard.down(key);
      for (const key of keys.reverse()) await lab.keyboard.up(key);
      assert.deepEqual(await evaluate(lab, () => lab.state()), expected, keys.join('+'));
    }
  }

  // A spot's aim, dragged onto the cube's centre, turns its axis through
  // it; a directional light's arrow turns its direction.
  const spot = await evaluate(lab, () => { lab.reset(); return lab.set({ mode: 2 }); });
  const [ax, ay] = project(camera, [-2, 0, 0]), [cx, cy] = project(camera, [2, 2, 0]);
  await drag(lab, (await onCanvas(lab, '#outside', [ax, ay])).map(Math.round), [Math.round(cx - ax), Math.round(cy - ay)]);
  const aimed = (await evaluate(lab, () => lab.state())).lights[2];
  assert.deepEqual(aimed.position, spot.lights[2].position);
  const reach = -aimed.position[2] / aimed.spot_direction[2];
  const [hx, hy] = project(camera, aimed.position.slice(0, 3).map((v, i) => v + reach * aimed.spot_direction[i]));
  assert.ok(Math.hypot(hx - ax - Math.round(cx - ax), hy - ay - Math.round(cy - ay)) <= 0.5, `aim at ${hx}, ${hy}`);

  await evaluate(lab, () => { lab.reset(); return lab.set({ mode: 1 }); });
  const middle = project(camera, [3.95, 0, 0]);
  await drag(lab, (await onCanvas(lab, '#outside', middle)).map(Math.round), [0, -30]);
  const towards = (await evaluate(lab, () => lab.state())).lights[1].position;
  const dragged = unproject(camera, [middle[0], middle[1] - 30, middle[2]]);
  const cosine = towards.slice(0, 3).reduce((s, v, i) => s + v * dragged[i], 0) / Math.hypot(...dragged);
  assert.ok(towards[3] === 0 && cosine > 0.9999, `direction ${towards} against ${dragged}`);
  assert.deepEqual(lab.problems, []);
  await lab.close();
});

test('a clicked pixel\'s N and L are drawn from its point in the view from outside, and nothing far from them changes', async (t) => {
  const lab = await openLab(browser);
  const camera = await evaluate(lab, () => lab.outside());
  const frames = await evaluate(lab, () => {
    const found = {};
    for (let y = 7; y < 300; y += 14) {
      for (let x = 7; x < 300; x += 14) {
        const e = lab.explain(x, y);
        if (e.surface && !found[e.surface.solid] && e.surface.part !== 'base') found[e.surface.solid] = e;
      }
    }
    return Object.values(found);
  });
  assert.equal(frames.length, 4);
  const [before, scene] = [await outsideFrame(lab), await labFrame(lab)];
  for (const explained of frames) {
    const [x, y] = explained.pixel, solid = explained.surface.solid;
    await lab.mouse.click(...(await onCanvas(lab, '#scene', [x, y])).map(Math.ceil));
    assert.deepEqual(await evaluate(lab, () => lab.markedPixel()), { x, y });
    const now = await outsideFrame(lab);
    assert.equal(compareFrames(await labFrame(lab), scene, 0).exact, 300 * 300, 'lab.pixels() is the frame alone');
    const changed = (px, py) => [-1, 0, 1].some((oy) => [-1, 0, 1].some((ox) => {
      const at = 4 * ((Math.round(py) + oy) * now.width + Math.round(px) + ox);
      return [0, 1, 2].some((c) => now.data[at + c] !== before.data[at + c]);
    }));
    // Each arrow runs 2 units from the point: N, V (the eye's line of sight,
    // +Z, for the front viewpoint unturned), L and H of the white light.
    const point = explained.surface.point, light = explained.lights[0];
    const vectors = { N: explained.surface.lit_normal, L: light.to_light, V: [0, 0, 1], H: light.half_vector };
    const segments = Object.entries(vectors).map(([n, v]) => [n, project(camera, point),
      project(camera, point.map((p, i) => p + 2 * v[i]))]);
    for (const [n, a, b] of segments.filter(([n]) => n === 'N' || n === 'L')) {
      let hit = 0;
      for (let k = 3; k <= 9; ++k) hit += changed(a[0] + (b[0] - a[0]) * k / 10, a[1] + (b[1] - a[1]) * k / 10) ? 1 : 0;
      assert.ok(hit >= 6, `${solid}: ${n} from (${a[0].toFixed(1)}, ${a[1].toFixed(1)}) to (${b[0].toFixed(1)}, ${b[1].toFixed(1)}): ${hit} of 7 changed`);
    }
    // Away from the arrows and their labels (beyond the tips) nothing
    // changes from the frame before any click.
    const near = (px, py) => segments.some(([, a, b]) => {
      const ex = b[0] - a[0], ey = b[1] - a[1], length = Math.hypot(ex, ey) || 1;
      const along = ((px - a[0]) * ex + (py - a[1]) * ey) / length;
      const off = Math.abs((px - a[0]) * ey - (py - a[1]) * ex) / length;
      return (along > -6 && along < length + 6 && off < 6) || Math.hypot(px - b[0], py - b[1]) < 24;
    });
    let away = 0, changedAway = 0;
    for (let py = 0; py < now.height; ++py) {
      for (let px = 0; px < now.width; ++px) {
        if (near(px + 0.5, py + 0.5)) continue;
        away += 1;
        const at = 4 * (py * now.width + px);
        changedAway += [0, 1, 2].some((c) => now.data[at + c] !== before.data[at + c]) ? 1 : 0;
      }
    }
    t.diagnostic(`${solid} at (${x}, ${y}): ${away} pixels away from the vectors, ${changedAway} changed`);
    assert.equal(changedAway, 0, solid);
  }
  assert.deepEqual(lab.problems, []);
  await lab.close();
});
