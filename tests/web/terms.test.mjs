// The lab's terms chart and layout in headless Chromium at 1280 x 800, with
// real clicks: the chart's table holds the explanation's terms and its bars
// add up to their sum, which, clamped, is the colour drawn; the page fits
// the window and keeps both views in sight; zoom and the colour picker work.
import assert from 'node:assert/strict';
import { pathToFileURL } from 'node:url';
import { after, before, test } from 'node:test';
import { clickToChartTime, launch, timeNextClickToChart } from './support.mjs';

let browser, page;
before(async () => {
  browser = await launch();
  page = await browser.newPage();
  await page.setViewport({ width: 1280, height: 800, deviceScaleFactor: 1 });
  await page.goto(pathToFileURL(process.env.ML_LAB_PAGE).href);
  await page.waitForFunction(() => document.body.dataset.ready === 'yes', { timeout: 20000 });
});
after(async () => { await browser?.close(); });

// A real click on the scene's pixel (x, y), at the zoom it is shown at.
async function clickPixel(x, y) {
  const at = await page.$eval('#scene', (c) => {
    const box = c.getBoundingClientRect();
    return { left: box.left, top: box.top, zoom: box.width / c.width };
  });
  await page.mouse.click(at.left + (x + 0.5) * at.zoom, at.top + (y + 0.5) * at.zoom);
}

// What the chart shows: its table's rows by term, and the length of each
// channel's bar in units of the clamp line's distance from the bar's start.
const chart = () => page.$eval('#terms', (terms) => {
  const rows = Object.fromEntries([...terms.querySelectorAll('tr[data-term]')].map((row) =>
    [row.dataset.term, [...row.querySelectorAll('td')].map((cell) => Number(cell.textContent))]));
  const parts = [...terms.querySelectorAll('rect.term')];
  const start = Math.min(...parts.map((r) => Number(r.getAttribute('x'))));
  const one = Number(terms.querySelector('line.clamp')?.getAttribute('x1')) - start;
  const bars = [0, 1, 2].map((c) => parts.filter((r) => r.dataset.channel === String(c))
    .reduce((length, r) => length + Number(r.getAttribute('width')) / one, 0));
  return { rows, bars, over: terms.querySelectorAll('rect.over').length };
});

// The frame's brightest pixel, [x, y].
const brightest = () => page.evaluate(() => {
  const { width, data } = lab.pixels();
  const sum = (p) => data[4 * p] + data[4 * p + 1] + data[4 * p + 2];
  let best = 0;
  for (let p = 1; p < data.length / 4; ++p) if (sum(p) > sum(best)) best = p;
  return [best % width, Math.floor(best / width)];
});

// The pixel (else the frame's brightest), and the channels whose sum goes over 1.
const CASES = [
  { what: 'lit, per vertex: the sphere in mode 0', state: { mode: 0 }, pixel: [200, 200], over: [] },
  { what: 'black: the cube\'s front face in mode 0', state: { mode: 0 }, pixel: [220, 80], over: [], black: true },
  { what: 'a clamping highlight, per vertex: the sphere in mode 1', state: { mode: 1 }, pixel: [240, 220], over: [1] },
  { what: 'a clamping highlight, per vertex: the cylinder in mode 2', state: { mode: 2 }, over: [0, 1] },
  { what: 'a clamping highlight, per pixel: the sphere in mode 3', state: { mode: 3, shading: 'pixel' }, over: [1] },
  { what: 'lit, per pixel, with emission and ambient terms: the cube\'s top in mode 0',
    state: { mode: 0, shading: 'pixel', material: { ambient: [0.3, 0.3, 0.3, 1], emission: [0.1, 0, 0.1, 1] },
             lights: [{ ambient: [0.2, 0.2, 0.2, 1] }] }, pixel: [180, 120], over: [] },
];

test('the chart holds the terms of the explanation, and their sum, clamped, is the colour drawn', async (t) => {
  const times = [];
  for (const { what, state, pixel, over: clamped, black } of CASES) {
    await page.evaluate((s) => { lab.reset(); return lab.set(s); }, state);
    const [x, y] = pixel || await brightest();
    // From the click to the next frame, the chart laid out (after the page
    // readied its passes, as it does after every change).
    await page.evaluate(() => new Promise((done) => setTimeout(done, 50)));
    await timeNextClickToChart(page);
    await clickPixel(x, y);
    times.push(await clickToChartTime(page));
    const [explained, drawn] = await page.evaluate((px, py) => {
      const { width, data } = lab.pixels();
      return [lab.explain(px, py), Array.from(data.slice(4 * (py * width + px), 4 * (py * width + px) + 3))];
    }, x, y);
    const { rows, bars, over } = await chart();
    const near = (a, b, within, name) => a.forEach((v, c) =>
      assert.ok(Math.abs(v - b[c]) <= within, `${what}, (${x}, ${y}) ${name}[${c}]: ${v} against ${b[c]}`));
    const terms = ['emission', 'global_ambient'];
    explained.lights.forEach((light, i) => {
      if (light.on) terms.push(...['ambient', 'diffuse', 'specular'].map((kind) => `lights.${i}.${kind}`));
    });
    const term = (key) => key.split('.').reduce((v, k) => v[k], explained);
    for (const key of terms) near(rows[key], term(key), 5e-5, key);
    near(rows.sum, explained.sum, 5e-5, 'sum');
    near(bars, explained.sum, 1e-3, 'bars');
    const added = [0, 1, 2].map((c) => terms.reduce((s, key) => s + rows[key][c], 0));
    near(added.map((v) => 255 * Math.min(v, 1)), drawn, 2, 'the terms added and clamped against the drawn colour');
    near(rows.drawn, drawn, 0, 'drawn');
    assert.deepEqual(added.flatMap((v, c) => (v > 1 ? [c] : [])), clamped, `${what}: the channels over 1`);
    assert.equal(over, clamped.length, `${what}: hatched beyond 1`);
    if (black) assert.deepEqual([drawn, Boolean(explained.surface)], [[0, 0, 0], true]);
    // Per vertex, the corners' colours as read, blended by their weights.
    if (state.shading !== 'pixel') {
      explained.vertices.forEach((v, k) => near(rows[`corner.${k}`], v.colour.map((c) => 255 * c), 0.5, `corner ${k}`));
      near(rows.interpolated, drawn, 2, 'the corners blended');
    } else {
      near(rows.fragment, drawn, 2, 'the fragment');
    }
    t.diagnostic(`${what}, pixel (${x}, ${y}): sum ${added.map((v) => v.toFixed(3))}, drawn ${drawn}`);
  }
  times.sort((a, b) => a - b);
  t.diagnostic(`click to chart on screen: median ${times[times.length >> 1].toFixed(1)} ms, slowest ${times.at(-1).toFixed(1)} ms`);
});

test('at 1280 x 800 nothing scrolls sideways, and both views stay in sight by a light\'s controls', async () => {
  await page.evaluate(() => { lab.reset(); window.scrollTo(0, 0); });
  for (const open of [false, true]) {
    await page.$$eval('details', (all, o) => all.forEach((d) => { d.open = o; }), open);
    const fits = await page.evaluate(() => document.documentElement.scrollWidth <= document.documentElement.clientWidth);
    assert.ok(fits, `every group ${open ? 'open' : 'closed'}: no sideways scrolling`);
  }
  for (const i of [0, 2]) {
    await page.$$eval('#panel details details', (lights, at) => lights[at].querySelector('input[type=color]').scrollIntoView(), i);
    const seen = await page.$$eval('#scene, #outside', (views) => views.map((v) => {
      const box = v.getBoundingClientRect();
      return box.top >= 0 && box.left >= 0 && box.bottom <= innerHeight && box.right <= innerWidth;
    }));
    assert.deepEqual(seen, [true, true], `light ${i}: both views in the window, scrolled by ${await page.evaluate(() => scrollY)}`);
  }
});

test('zoom x3 shows a view at 900 pixels, and a click there explains the pixel under it', async () => {
  await page.evaluate(() => { lab.reset(); window.scrollTo(0, 0); });
  await clickPixel(200, 200);
  for (const view of ['scene', 'outside']) {
    await page.click(`.zoom[data-view=${view}] button:nth-child(3)`);
    assert.equal(await page.$eval(`#${view}`, (c) => c.getBoundingClientRect().width), 900);
  }
  for (const [x, y] of [[200, 200], [195, 207], [210, 190]]) {  // near the middle the zoom kept
    await clickPixel(x, y);
    assert.deepEqual(JSON.parse(await page.$eval('#explain-json', (p) => p.textContent)).pixel, [x, y]);
  }
  await page.click('.zoom[data-view=scene] button:nth-child(1)');
  assert.equal(await page.$eval('#scene', (c) => c.getBoundingClientRect().width), 300);
});

test('a colour set with the picker reaches the state, its alpha kept', async () => {
  await page.evaluate(() => lab.set({ lights: [{}, { diffuse: [0, 1, 1, 0.5] }] }));
  await page.$$eval('#panel details details', (lights) => {
    const picker = lights[1].querySelectorAll('input[type=color]')[1];
    picker.value = '#336699';
    picker.dispatchEvent(new Event('input', { bubbles: true }));
  });
  assert.deepEqual((await page.evaluate(() => lab.state())).lights[1].diffuse, [0.2, 0.4, 0.6, 0.5]);
});
