// The lab against what the browser's renderer can draw of it, in one run:
// headless Chromium (SwiftShader), a round being the limit page
// (bench/lab-limit.html: the lab's own two views' draws, captured from the
// lab at the start of the run, replayed with a trivial shader), then the
// lab, each in a fresh tab. For each, two rates:
// - set: lab.set of an angle at every animation frame (the limit: both
//   views drawn at every animation frame);
// - drag: the spotlight dragged by its mark in the view from outside,
//   pointermove events dispatched at every animation frame with the button
//   held (the limit: both views drawn at every pointermove);
// and the CPU time of the browser's processes for one change, by kind of
// process (from /proc: the browser, its renderers, its GPU process, ...).
// Prints each round, then the median of the rounds' ratios (lab / limit)
// with their spread (lowest to highest).
//
//   node bench/lab-limit-rate.mjs PAGE [--before OLD-PAGE] [--rounds N] [--seconds S]
//
// With --before, each round measures OLD-PAGE (an earlier build of the lab)
// too, right after PAGE, so that the two are compared in the same run, under
// the same load.
//
// Each round also replays the same draws with the lab's own programs, their
// uniforms and vertex streams (bench/lab-limit.html?shaders=lab): the most a
// change can reach with GL's lighting worked out, the page doing nothing else.
//
// A frame is not drawn before the GL work of the last change is done, so the
// frames counted are the changes both views showed a second (at most 60).
import { readFileSync, readdirSync } from 'node:fs';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { launch, onCanvas, project } from '../tests/web/support.mjs';

const args = process.argv.slice(2);
const page = args.find((a, i) => !a.startsWith('--') && !(i > 0 && args[i - 1].startsWith('--')));
const text = (name) => (args.includes(name) ? args[args.indexOf(name) + 1] : undefined);
const option = (name, fallback) => (args.includes(name) ? Number(text(name)) : fallback);
const rounds = option('--rounds', 5), seconds = option('--seconds', 3), oldPage = text('--before');
if (!page || !(rounds >= 1) || !(seconds > 0) || (args.includes('--before') && !oldPage)) {
  console.error('usage: node bench/lab-limit-rate.mjs PAGE [--before OLD-PAGE] [--rounds N] [--seconds S]');
  process.exit(2);
}
const LIMIT_PAGE = fileURLToPath(new URL('lab-limit.html', import.meta.url));
const VIEWPORT = { width: 1500, height: 1000, deviceScaleFactor: 1 };

// Records, in the lab's page, what each WebGL context draws on its canvas
// while window.recording is on: the clears, and every draw with the
// position buffer's contents at the time, its layout, the element buffer,
// the depth test and u_modelViewProjection. Draws into framebuffers (the
// pick passes) are left out: they are not on screen.
function recorder() {
  const P = WebGLRenderingContext.prototype;
  const of = new WeakMap();  // context -> what is bound
  const info = new WeakMap();  // buffer -> {data, version}
  const bound = (gl) => {
    if (!of.has(gl)) of.set(gl, { array: null, element: null, program: null, framebuffer: null, attribs: [] });
    return of.get(gl);
  };
  const wrap = (name, after) => {
    const original = P[name];
    P[name] = function (...a) {
      const result = original.apply(this, a);
      after.call(this, bound(this), ...a);
      return result;
    };
  };
  const copy = (data) => (typeof data === 'number' ? new Uint8Array(data)
    : new Uint8Array(data.buffer || data, data.byteOffset || 0, data.byteLength).slice());
  window.recording = false;
  window.recorded = new Map();  // canvas id -> {ops, snapshots}
  wrap('bindBuffer', function (b, target, buffer) {
    if (target === this.ARRAY_BUFFER) b.array = buffer;
    else b.element = buffer;
  });
  wrap('bufferData', function (b, target, data) {
    const buffer = target === this.ARRAY_BUFFER ? b.array : b.element;
    const old = info.get(buffer);
    info.set(buffer, { data: copy(data), version: (old ? old.version : 0) + 1 });
  });
  wrap('bufferSubData', function (b, target, offset, data) {
    const buffer = target === this.ARRAY_BUFFER ? b.array : b.element;
    const now = info.get(buffer);
    const bytes = copy(data);
    const data2 = now.data.slice();
    data2.set(bytes, offset);
    info.set(buffer, { data: data2, version: now.version + 1 });
  });
  wrap('useProgram', (b, program) => { b.program = program; });
  // Each program's two sources, for the replay with the lab's shaders.
  const sources = new WeakMap(), shaders = new WeakMap();
  wrap('shaderSource', (b, shader, source) => { sources.set(shader, source); });
  wrap('attachShader', function (b, program, shader) {
    if (!shaders.has(program)) shaders.set(program, {});
    const vertex = this.getShaderParameter(shader, this.SHADER_TYPE) === this.VERTEX_SHADER;
    shaders.get(program)[vertex ? 'vertex' : 'fragment'] = shader;
  });
  wrap('bindFramebuffer', (b, target, framebuffer) => { b.framebuffer = framebuffer; });
  wrap('vertexAttribPointer', (b, slot, size, type, normalized, stride, offset) => {
    b.attribs[slot] = { buffer: b.array, size, type, normalized, stride, offset };
  });
  const view = (gl) => {
    const id = gl.canvas.id;
    if (!window.recorded.has(id)) {
      const box = gl.canvas.getBoundingClientRect();
      window.recorded.set(id, { width: gl.canvas.width, height: gl.canvas.height, cssWidth: box.width,
        cssHeight: box.height, attributes: gl.getContextAttributes(), ops: [], snapshots: new Map() });
    }
    return window.recorded.get(id);
  };
  const snapshot = (v, buffer) => {
    const { data, version } = info.get(buffer);
    if (!v.snapshots.has(buffer)) v.snapshots.set(buffer, new Map());
    const versions = v.snapshots.get(buffer);
    if (!versions.has(version)) versions.set(version, data);
    return [buffer, version];
  };
  const draw = function (b, op) {
    if (!window.recording || b.framebuffer) return;
    const v = view(this);
    const a = b.attribs[this.getAttribLocation(b.program, 'a_position')];
    op.position = { at: snapshot(v, a.buffer), size: a.size, stride: a.stride, offset: a.offset };
    op.matrix = Array.from(this.getUniform(b.program, this.getUniformLocation(b.program, 'u_modelViewProjection')));
    op.depth = this.isEnabled(this.DEPTH_TEST);
    // The lab's program as it was at the draw: sources, every attribute's
    // stream and every uniform's value.
    const { vertex, fragment } = shaders.get(b.program);
    op.program = { vertex: sources.get(vertex), fragment: sources.get(fragment), attribs: [], uniforms: [] };
    for (let k = 0; k < this.getProgramParameter(b.program, this.ACTIVE_ATTRIBUTES); ++k) {
      const { name } = this.getActiveAttrib(b.program, k), slot = this.getAttribLocation(b.program, name);
      const { buffer, ...layout } = b.attribs[slot];
      op.program.attribs.push({ name, slot, at: snapshot(v, buffer), ...layout });
    }
    for (let k = 0; k < this.getProgramParameter(b.program, this.ACTIVE_UNIFORMS); ++k) {
      const { name, size, type } = this.getActiveUniform(b.program, k);
      for (let j = 0; j < size; ++j) {
        const one = size > 1 ? name.replace(/\[0\]$/, `[${j}]`) : name;
        const value = this.getUniform(b.program, this.getUniformLocation(b.program, one));
        op.program.uniforms.push({ name: one, type, value: ArrayBuffer.isView(value) ? Array.from(value) : value });
      }
    }
    v.ops.push(op);
  };
  wrap('drawArrays', function (b, mode, first, count) { draw.call(this, b, { mode, first, count }); });
  wrap('drawElements', function (b, mode, count, type, offset) {
    draw.call(this, b, { mode, count, type, offset, elementsAt: snapshot(view(this), b.element) });
  });
  wrap('clear', function (b, mask) {
    if (window.recording && !b.framebuffer) {
      view(this).ops.push({ clear: mask, colour: Array.from(this.getParameter(this.COLOR_CLEAR_VALUE)) });
    }
  });
  // The views as bench/lab-limit.html loads them: buffers as base64, array
  // and element buffers apart.
  window.capturedViews = () => [...window.recorded.values()].map((v) => {
    const lists = { buffers: [], elements: [] }, index = new Map();
    const place = ([buffer, version], list) => {
      const key = v.snapshots.get(buffer).get(version);
      if (!index.has(key)) {
        let text = '';
        for (let i = 0; i < key.length; i += 0x8000) text += String.fromCharCode(...key.subarray(i, i + 0x8000));
        index.set(key, lists[list].push(btoa(text)) - 1);
      }
      return index.get(key);
    };
    const ops = v.ops.map(({ position, elementsAt, program, ...op }) => (op.clear !== undefined ? op : {
      ...op, position: { buffer: place(position.at, 'buffers'), size: position.size, stride: position.stride,
        offset: position.offset }, ...(elementsAt ? { elements: place(elementsAt, 'elements') } : {}),
      program: { ...program, attribs: program.attribs.map(({ at, ...a }) => ({ ...a, buffer: place(at, 'buffers') })) } }));
    const { snapshots, ...rest } = v;
    return { ...rest, ...lists, ops };
  });
}

// CPU seconds so far of the browser's processes, by kind (--type=).
function cpuByKind(rootPid) {
  const children = new Map(), stat = new Map();
  for (const name of readdirSync('/proc')) {
    if (!/^\d+$/.test(name)) continue;
    try {
      const text = readFileSync(`/proc/${name}/stat`, 'utf8');
      const fields = text.slice(text.lastIndexOf(')') + 2).split(' ');
      const pid = Number(name), ppid = Number(fields[1]);
      stat.set(pid, (Number(fields[11]) + Number(fields[12])) / 100);
      if (!children.has(ppid)) children.set(ppid, []);
      children.get(ppid).push(pid);
    } catch { /* gone since the listing */ }
  }
  const kinds = {};
  const visit = (pid) => {
    let kind = 'browser';
    try {
      const line = readFileSync(`/proc/${pid}/cmdline`, 'utf8');
      const type = /--type=([\w-]+)/.exec(line);
      if (type) kind = type[1] === 'utility' && /NetworkService/.test(line) ? 'network' : type[1];
      if (pid !== rootPid && !/chrom/i.test(line)) kind = 'other';
    } catch { /* gone */ }
    kinds[kind] = (kinds[kind] || 0) + (stat.get(pid) || 0);
    for (const child of children.get(pid) || []) visit(child);
  };
  visit(rootPid);
  return kinds;
}

// Changes a second: `act(i)` at every animation frame for `seconds`, and the
// CPU milliseconds of each kind of process for one change.
async function rate(browser, tab, act) {
  const pid = browser.process().pid;
  const before = cpuByKind(pid);
  const [count, elapsed] = await tab.evaluate((source, ms) => new Promise((done) => {
    const step = new Function('i', source);
    const start = performance.now();
    let frames = 0;
    const frame = () => {
      const now = performance.now();
      if (now - start > ms) {
        done([frames, (now - start) / 1000]);
        return;
      }
      step(frames++);
      requestAnimationFrame(frame);
    };
    requestAnimationFrame(frame);
  }), act, seconds * 1000);
  const after = cpuByKind(pid);
  const cpu = {};
  for (const kind of Object.keys(after)) cpu[kind] = ((after[kind] - (before[kind] || 0)) * 1000) / count;
  return { rate: count / elapsed, cpu };
}

const openTab = async (browser, url, beforeLoad) => {
  const tab = await browser.newPage();
  await tab.setViewport(VIEWPORT);
  if (beforeLoad) await tab.evaluateOnNewDocument(beforeLoad);
  await tab.goto(url);
  return tab;
};
const openLab = async (browser, beforeLoad, file = page) => {
  const tab = await openTab(browser, pathToFileURL(file).href, beforeLoad);
  await tab.waitForFunction(() => document.body.dataset.ready === 'yes', { timeout: 20000 });
  await tab.evaluate(() => { lab.reset(); return lab.set({ mode: 2 }); });
  await new Promise((done) => setTimeout(done, 500));
  return tab;
};

const SET_ANGLE = 'lab.set({ angles: [(i % 720) * 0.5, 10, 0] });';
// A pointer's move with the mouse's button held: at the lab's view from
// outside (which has the pointer captured), else at the window.
const MOVE = (x, y) => `(document.getElementById('outside') || window).dispatchEvent(new PointerEvent(` +
  `'pointermove', { pointerId: 1, pointerType: 'mouse', isPrimary: true, clientX: ${x} + (i % 80), ` +
  `clientY: ${y} - (i % 80) / 2, buttons: 1, bubbles: true }));`;

// The spotlight's mark in the lab's view from outside, pressed with the mouse.
async function pressSpotlight(tab) {
  const camera = await tab.evaluate(() => lab.outside());
  const [x, y] = (await onCanvas(tab, '#outside', project(camera, [-12, 0, 10]))).map(Math.round);
  await tab.mouse.move(x, y);
  await tab.mouse.down();
  return [x, y];
}

const browser = await launch();
try {
  // The lab's draws of one change, both views.
  const capturing = await openLab(browser, recorder);
  await capturing.evaluate(() => {
    window.recording = true;
    return lab.set({ angles: [0.5, 10, 0] }).then(() => { window.recording = false; });
  });
  const captured = await capturing.evaluate(() => window.capturedViews());
  await capturing.close();
  const triangles = captured.map((v) => v.ops.reduce((n, op) => n + (op.mode === 4 ? op.count / 3 : 0), 0));
  console.log(`== ${page}, ${rounds} rounds of ${seconds} s a rate; load average ${readFileSync('/proc/loadavg', 'utf8').split(' ').slice(0, 3).join(' ')}`);
  console.log(`== captured: ${captured.map((v, i) => `${v.width}x${v.height}, ${v.ops.length} operations, ` +
    `${triangles[i]} triangles`).join('; ')}`);

  const rows = [];
  for (let round = 1; round <= rounds; ++round) {
    const shadersTab = await openTab(browser, `${pathToFileURL(LIMIT_PAGE).href}?shaders=lab`);
    await shadersTab.evaluate((c) => { limit.load(c); limit.draw(); }, captured);
    const shadersSet = await rate(browser, shadersTab, 'limit.draw();');
    await shadersTab.close();
    const limitTab = await openTab(browser, pathToFileURL(LIMIT_PAGE).href);
    await limitTab.evaluate((c) => { limit.load(c); limit.draw(); }, captured);
    const limitSet = await rate(browser, limitTab, 'limit.draw();');
    await limitTab.evaluate(() => limit.onMove(true));
    await limitTab.mouse.move(400, 200);
    await limitTab.mouse.down();
    const limitDrag = await rate(browser, limitTab, MOVE(400, 200));
    await limitTab.mouse.up();
    await limitTab.close();

    // The lab's two rates, the page's at `file`.
    const measure = async (file) => {
      const labTab = await openLab(browser, undefined, file);
      const set = await rate(browser, labTab, SET_ANGLE);
      await labTab.evaluate(() => { lab.reset(); return lab.set({ mode: 2 }); });
      const [x, y] = await pressSpotlight(labTab);
      const drag = await rate(browser, labTab, MOVE(x, y));
      await labTab.mouse.up();
      const moved = await labTab.evaluate(() => JSON.stringify(lab.state().lights[2].position));
      await labTab.close();
      if (moved === JSON.stringify([-12, 0, 10, 1])) throw new Error(`the drag did not move the spotlight: ${moved}`);
      return [set, drag];
    };
    const [labSet, labDrag] = await measure(page);
    const [oldSet, oldDrag] = oldPage ? await measure(oldPage) : [];
    rows.push({ limitSet, limitDrag, labSet, labDrag, oldSet, oldDrag, shadersSet });
    const cpu = (r) => Object.entries(r.cpu).filter(([, ms]) => ms >= 0.5)
      .map(([kind, ms]) => `${kind} ${ms.toFixed(1)}`).join(', ');
    console.log(`round ${round}: set ${labSet.rate.toFixed(1)} / ${limitSet.rate.toFixed(1)} a second ` +
      `= ${(labSet.rate / limitSet.rate).toFixed(2)}; drag ${labDrag.rate.toFixed(1)} / ` +
      `${limitDrag.rate.toFixed(1)} = ${(labDrag.rate / limitDrag.rate).toFixed(2)}`);
    console.log(`  the lab's shaders replayed: ${shadersSet.rate.toFixed(1)} a second = ` +
      `${(shadersSet.rate / limitSet.rate).toFixed(2)} of the limit; CPU ms a change: ${cpu(shadersSet)}`);
    console.log(`  CPU ms a change: lab set: ${cpu(labSet)}; limit set: ${cpu(limitSet)}`);
    console.log(`                   lab drag: ${cpu(labDrag)}; limit drag: ${cpu(limitDrag)}`);
    if (oldPage) {
      console.log(`  before: set ${oldSet.rate.toFixed(1)} = ${(oldSet.rate / limitSet.rate).toFixed(2)}; drag ` +
        `${oldDrag.rate.toFixed(1)} = ${(oldDrag.rate / limitDrag.rate).toFixed(2)}; CPU ms a change: ` +
        `set: ${cpu(oldSet)}; drag: ${cpu(oldDrag)}`);
    }
  }

  const median = (values) => {
    const v = [...values].sort((a, b) => a - b), m = v.length >> 1;
    return v.length % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
  };
  // `who`: "lab" (PAGE), "old" (OLD-PAGE) or "shaders" (the lab's shaders replayed).
  const summary = (name, of, who = 'lab') => {
    const lab = rows.map((r) => r[`${who}${of}`].rate), limit = rows.map((r) => r[`limit${of}`].rate);
    const ratios = rows.map((r, i) => lab[i] / limit[i]);
    const cpuTotal = (key) => median(rows.map((r) => Object.values(r[key].cpu).reduce((a, b) => a + b, 0)));
    console.log(`${name}: ${{ lab: 'lab', old: 'before', shaders: 'replayed' }[who]} ${median(lab).toFixed(1)} a second, limit ` +
      `${median(limit).toFixed(1)}, ratio median ${median(ratios).toFixed(2)} (${Math.min(...ratios).toFixed(2)} ` +
      `to ${Math.max(...ratios).toFixed(2)}); CPU a change ${cpuTotal(`${who}${of}`).toFixed(1)} ms against ` +
      `${cpuTotal(`limit${of}`).toFixed(1)}`);
  };
  console.log('== medians over the rounds');
  summary("the lab's draws with its own shaders", 'Set', 'shaders');
  for (const who of oldPage ? ['old', 'lab'] : ['lab']) {
    summary('lab.set of an angle at every frame', 'Set', who);
    summary('the spotlight dragged by its mark ', 'Drag', who);
  }
} finally {
  await browser.close();
}
