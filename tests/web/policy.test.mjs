// Both pages under their Content-Security-Policy in headless Chromium: each
// draws, spins, explains and (the lab) opens a lesson with no violation
// reported, shows its icon, and markup slipped into a copy of the page does
// not run.
import assert from 'node:assert/strict';
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';
import { after, before, test } from 'node:test';
import { launch, sleep } from './support.mjs';

const PAGES = {
  demo: { file: process.env.ML_WEB_PAGE, ready: () => demo && JSON.parse(demo.UTF8ToString(demo._ml_test_state())).framesDrawn > 0,
    use: async (page) => {
      await page.focus('#canvas');
      const angle = () => page.evaluate(() => JSON.parse(demo.UTF8ToString(demo._ml_test_state())).angleX);
      const [from] = [await angle(), await page.keyboard.press('Enter'), await sleep(500)];
      assert.notEqual(await angle(), from, 'it spins');
    } },
  lab: { file: process.env.ML_LAB_PAGE, ready: () => document.body.dataset.ready === 'yes',
    use: (page) => page.evaluate(async () => {
      document.getElementById('spin').click();
      await new Promise((done) => setTimeout(done, 500));
      document.getElementById('spin').click();
      await lab.lesson('spotlight', 1);
      await lab.set({ lights: [{}, {}, { spot_cutoff: 40 }] });
      lab.click(90, 210);
      if (!document.querySelector('#terms svg') || lab.lessonState().lesson !== 'spotlight') throw new Error('not explained');
    }) },
};

let browser, dir;
before(async () => { browser = await launch(); dir = mkdtempSync(join(tmpdir(), 'ml-policy-')); });
after(async () => { await browser?.close(); rmSync(dir, { recursive: true, force: true }); });

async function open(file, ready) {
  const page = await browser.newPage();
  page.problems = [];
  page.on('pageerror', (error) => page.problems.push(error.message));
  await page.evaluateOnNewDocument(() => {
    window.violations = [];
    document.addEventListener('securitypolicyviolation', (e) => window.violations.push(e.violatedDirective));
  });
  await page.goto(pathToFileURL(file).href);
  await page.waitForFunction(ready, { timeout: 20000 });
  return page;
}

// What a slip could put in the markup, and the directive that stops it.
const SLIPPED = [['<script>window.ran = "script"</script>', 'script-src-elem'],
  ['<img src="data:," onerror="window.ran = \'handler\'">', 'script-src-attr'],
  ['<p id="slipped" style="color: rgb(1, 2, 3)">slipped</p>', 'style-src-attr']];

for (const [name, { file, ready, use }] of Object.entries(PAGES)) {
  test(`${name}: its policy lets it work, reports nothing, and stops what slips in`, async (t) => {
    const page = await open(file, ready);
    t.diagnostic(await page.$eval('meta[http-equiv=Content-Security-Policy]', (m) => m.content.replace(/'sha256-[^']*'/g, (h) => `${h.slice(0, 14)}...'`)));
    await use(page);
    const icon = await page.$eval('link[rel=icon]', (link) => new Promise((done) => {
      const image = Object.assign(new Image(), { src: link.href, onload: () => done(image.naturalWidth), onerror: () => done(0) });
    }));
    assert.ok(icon > 0, 'the icon is an image');
    assert.deepEqual([await page.evaluate(() => window.violations), page.problems], [[], []]);
    await page.close();

    const copy = join(dir, `${name}.html`);
    writeFileSync(copy, readFileSync(file, 'utf8').replace('</body>', `${SLIPPED.map(([markup]) => markup).join('\n')}\n</body>`));
    const slipped = await open(copy, ready);
    await sleep(200);
    assert.deepEqual(await slipped.evaluate(() => ['ran' in window, getComputedStyle(document.getElementById('slipped')).color === 'rgb(1, 2, 3)',
      [...new Set(window.violations)].sort()]), [false, false, SLIPPED.map(([, directive]) => directive).sort()]);
    await slipped.close();
  });
}
