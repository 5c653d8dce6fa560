// How fast the studio answers a point being dragged continuously, in the real
// browser against the built command (a measurement, not a test):
//   pictures shown per second at the 1/2 draft and at full resolution,
//   p95 latency from a pointer move to its picture on screen at 1/2,
//   time for a frame already in the page's cache to show.
// Usage: node bench/studio/drag-bench.mjs [--seconds 6] [--size 1920x1080]
// (after `npm ci` in tests/studio/browser, which holds the pinned playwright-core).
import { loadavg, cpus } from 'node:os';
import { join } from 'node:path';
import { parseArgs } from 'node:util';
import {
  tempFolder, startStudio, launchBrowser, openStudio, waitIdle, framePointOnPage, writeJson,
} from '../../tests/studio/browser/harness.mjs';

const { values: options } = parseArgs({ options: {
  seconds: { type: 'string', default: '6' }, size: { type: 'string', default: '1920x1080' } } });
const [width, height] = options.size.split('x').map(Number);
const seconds = Number(options.seconds);

const doc = {
  'Point 1/Activate': true, 'Point 2/Activate': true, 'Point 3/Activate': true, 'Point 4/Activate': true,
  'Line Width': 60,
};

function percentile(values, p) {
  const sorted = [...values].sort((a, b) => a - b);
  return sorted[Math.min(sorted.length - 1, Math.ceil((p / 100) * sorted.length) - 1)];
}

// Drags Point 2 round a circle for the given time: the mouse button goes down
// through the browser's input, then the page itself moves the pointer once per
// display frame (a driver round trip per move would be slower than the
// studio), then the button comes up.
async function dragFor(page, draftScale) {
  await page.evaluate((s) => { window.__studio.app.draftScale = s; }, draftScale);
  const centre = await page.evaluate(() => window.__studio.app.values['Point 2/Point']);
  const [x, y] = await framePointOnPage(page, centre);
  await page.mouse.move(x, y);
  await page.mouse.down();
  const result = await page.evaluate(async ([x0, y0, ms]) => {
    const stats = window.__studio.stats;
    const canvas = window.__studio.app.viewer.canvas;
    const shown = stats.shown.length;
    const measured = stats.latencies.length;
    const painted = stats.paint.length;
    const start = performance.now();
    let moves = 0;
    while (performance.now() - start < ms) {
      await new Promise(requestAnimationFrame);
      const angle = moves++ * 0.05;
      canvas.dispatchEvent(new PointerEvent('pointermove', { pointerId: 1, pointerType: 'mouse', bubbles: true,
        clientX: x0 + 60 * Math.sin(angle), clientY: y0 + 60 * (1 - Math.cos(angle)) }));
    }
    const elapsed = (performance.now() - start) / 1000;
    return { perSecond: (stats.shown.length - shown) / elapsed, moves: moves / elapsed,
             latencies: stats.latencies.slice(measured), paint: stats.paint.slice(painted) };
  }, [x, y, seconds * 1000]);
  await page.mouse.up();
  await waitIdle(page);
  return { ...result, p50: percentile(result.latencies, 50), p95: percentile(result.latencies, 95),
           paint: percentile(result.paint, 50) };
}

// Undo and redo between two documents whose pictures the page holds.
async function cachedShow(page, times) {
  await page.keyboard.press('Control+z');
  await waitIdle(page);
  await page.keyboard.press('Control+Shift+z');
  await waitIdle(page);
  const spans = [];
  for (let i = 0; i < times; i++) {
    const requests = await page.evaluate(() => window.__studio.stats.requests);
    await page.keyboard.press(i % 2 ? 'Control+Shift+z' : 'Control+z');
    await waitIdle(page);
    const stats = await page.evaluate(() => ({ requests: window.__studio.stats.requests,
                                               last: window.__studio.stats.latencies.at(-1) }));
    if (stats.requests !== requests) throw new Error('a frame expected from the cache was rendered');
    spans.push(stats.last);
  }
  return { p50: percentile(spans, 50), max: Math.max(...spans) };
}

const folder = tempFolder();
const params = join(folder, 'bench.json');
writeJson(params, doc);
const studio = await startStudio({ folder, params, size: options.size });
const browser = await launchBrowser();
try {
  const page = await openStudio(browser, studio, { viewport: { width: 1600, height: 900 } });
  const load = loadavg();
  const half = await dragFor(page, 2);
  const full = await dragFor(page, 1);
  const cached = await cachedShow(page, 20);
  const fmt = (v) => v.toFixed(1);
  console.log(`layer ${width}x${height}, ${cpus().length} cores, load average before ${load.map(fmt).join(' ')}, after ${loadavg().map(fmt).join(' ')}`);
  console.log(`drag at 1/2:  ${fmt(half.perSecond)} pictures/s (${fmt(half.moves)} moves/s), latency p50 ${fmt(half.p50)} ms, p95 ${fmt(half.p95)} ms, reply to screen p50 ${fmt(half.paint)} ms`);
  console.log(`drag at full: ${fmt(full.perSecond)} pictures/s (${fmt(full.moves)} moves/s), latency p50 ${fmt(full.p50)} ms, p95 ${fmt(full.p95)} ms, reply to screen p50 ${fmt(full.paint)} ms`);
  console.log(`cached frame: shown in ${fmt(cached.p50)} ms (p50), ${fmt(cached.max)} ms (max of 20)`);
} finally {
  await browser.close();
  await studio.kill();
}
