// How fast the studio plays examples/animated.json, in the real browser
// against the built command (a measurement, not a test): frames shown per
// second at the 1/2 preview and at full resolution, on the first pass (every
// frame rendered) and on a second pass once the frames are cached.
// Usage: node bench/studio/playback-bench.mjs [--size 1920x1080] [--frames 0-47]
// (after `npm ci` in tests/studio/browser, which holds the pinned playwright-core).
import { loadavg, cpus } from 'node:os';
import { join, resolve, dirname } from 'node:path';
import { readFileSync } from 'node:fs';
import { fileURLToPath } from 'node:url';
import { parseArgs } from 'node:util';
import { tempFolder, startStudio, launchBrowser, openStudio, waitIdle, writeJson } from '../../tests/studio/browser/harness.mjs';

const { values: options } = parseArgs({ options: {
  size: { type: 'string', default: '1920x1080' }, frames: { type: 'string', default: '0-47' } } });
const example = resolve(dirname(fileURLToPath(import.meta.url)), '../../examples/animated.json');

// Plays from the first frame to the last; what the player saw.
async function play(page) {
  await page.evaluate(() => window.__studio.app.setFrame(window.__studio.app.session.first));
  await waitIdle(page);
  const requests = await page.evaluate(() => window.__studio.stats.requests);
  await page.keyboard.press('Space');
  await page.waitForFunction(() => !window.__studio.app.player.playing, null, { timeout: 120000 });
  const pass = await page.evaluate((r) => {
    const p = window.__studio.app.player;
    return { shown: p.log.length, seconds: (p.endedAt - p.t0) / 1000, requests: window.__studio.stats.requests - r,
             frames: p.reached - p.startFrame + 1, rate: p.rate };
  }, requests);
  await waitIdle(page); // the skipped frames are fetched now
  return pass;
}

const folder = tempFolder();
const params = join(folder, 'animated.json');
writeJson(params, JSON.parse(readFileSync(example, 'utf8')));
const studio = await startStudio({ folder, params, size: options.size, args: ['--frames', options.frames, '--fps', '24'] });
const browser = await launchBrowser();
try {
  const page = await openStudio(browser, studio, { viewport: { width: 1600, height: 900 } });
  const load = loadavg();
  const rows = [];
  for (const scale of [2, 1]) {
    await page.locator('#scale').selectOption(String(scale));
    const first = await play(page);
    const cached = await play(page);
    rows.push({ scale, first, cached });
  }
  const fmt = (v) => v.toFixed(1);
  console.log(`layer ${options.size}, frames ${options.frames} at 24 fps, ${cpus().length} cores, load average before ${load.map(fmt).join(' ')}, after ${loadavg().map(fmt).join(' ')}`);
  for (const { scale, first, cached } of rows) {
    const line = (p) => `${fmt(p.shown / p.seconds)} fps (${p.shown} of ${p.frames} frames shown in ${fmt(p.seconds)} s, ${p.requests} renders asked)`;
    console.log(`${scale === 1 ? 'full' : `1/${scale}`}: first pass ${line(first)}; cached ${line(cached)}`);
  }
} finally {
  await browser.close();
  await studio.kill();
}
