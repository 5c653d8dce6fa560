// How fast the studio answers a point being dragged continuously, in the real
// browser against the built command (a measurement, not a test):
//   pictures shown per second at the 1/2 draft and at full resolution,
//   p95 latency from a pointer move to its picture on screen at 1/2,
//   time for a frame already in the page's cache to show.
// Usage: node bench/studio/drag-bench.mjs [--seconds 6] [--size 1920x1080]
//        [--rounds 1] [--baseline OTHER/lustre-strand]
// (after `npm ci` in tests/studio/browser, which holds the pinned playwright-core).
// With --baseline the two builds take turns, round after round, so that both
// see the same load; each figure is then the median over the rounds.
import { loadavg, cpus } from 'node:os';
import { join, resolve } from 'node:path';
import { parseArgs } from 'node:util';
import {
  tempFolder, startStudio, launchBrowser, openStudio, waitIdle, framePointOnPage, writeJson, COMMAND,
} from '../../tests/studio/browser/harness.mjs';

const { values: options } = parseArgs({ options: {
  seconds: { type: 'string', default: '6' }, size: { type: 'string', default: '1920x1080' },
  rounds: { type: 'string', default: '1' }, baseline: { type: 'string' } } });
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
  const before = await threadMetrics(page);
  const result = await page.evaluate(async ([x0, y0, ms]) => {
    const stats = window.__studio.stats;
    const canvas = window.__studio.app.viewer.canvas;
    const shown = stats.shown.length;
    const measured = stats.latencies.length;
    const painted = stats.paint.length;
    const viewer = window.__studio.app.viewer;
    viewer.painted ??= []; // a build that does not time its pictures
    const timed = viewer.painted.length;
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
             latencies: stats.latencies.slice(measured), paint: stats.paint.slice(painted),
             timings: viewer.painted.slice(timed) };
  }, [x, y, seconds * 1000]);
  const thread = threadShare(before, await threadMetrics(page), result.moves * seconds);
  await page.mouse.up();
  await waitIdle(page);
  return { ...result, p50: percentile(result.latencies, 50), p95: percentile(result.latencies, 95),
           paint: percentile(result.paint, 50), parts: cycleParts(result.timings), thread };
}

// The page's main thread as the browser counts it (durations in seconds).
async function threadMetrics(page) {
  page.cdp ??= await page.context().newCDPSession(page);
  await page.cdp.send('Performance.enable');
  const { metrics } = await page.cdp.send('Performance.getMetrics');
  return Object.fromEntries(metrics.map((m) => [m.name, m.value]));
}

// Of each second of the drag, the milliseconds the page's thread spent in
// tasks, in script, in style and layout; and style or layout passes per move.
function threadShare(a, b, moves) {
  const perSecond = (name) => ((b[name] - a[name]) * 1000) / seconds;
  return { busy: perSecond('TaskDuration'), script: perSecond('ScriptDuration'),
           layout: perSecond('LayoutDuration') + perSecond('RecalcStyleDuration'),
           passes: (b.LayoutCount - a.LayoutCount + b.RecalcStyleCount - a.RecalcStyleCount) / Math.max(1, moves) };
}

// Medians of where the time of a shown picture went: request sent to headers
// (of which: to the server's handler, its parse, lock wait, render, packing,
// patch, and from its end to the page seeing the headers), headers to body,
// body to the page's thread having it, to a drawable picture; body to on
// screen (by the page's thread, or by the worker before the page has it);
// the interval between successive requests sent.
const SERVER_PARTS = ['parse', 'wait', 'render', 'pack', 'patch'];

function cycleParts(timings) {
  if (!timings.length) return 'not timed by this build';
  const median = (values) => (values.length ? percentile(values, 50) : NaN);
  const parts = {
    reply: median(timings.map((t) => t.headers - t.sent)),
    toServer: median(timings.map((t) => t.server.received - t.sent)),
    ...Object.fromEntries(SERVER_PARTS.map((n) => [n, median(timings.map((t) => t.server[n] ?? 0))])),
    fromServer: median(timings.map((t) => t.headers - t.server.received -
                                    SERVER_PARTS.reduce((sum, n) => sum + (t.server[n] ?? 0), 0))),
    body: median(timings.map((t) => t.body - t.headers)),
    toPage: median(timings.map((t) => t.received - t.body)),
    made: median(timings.map((t) => t.made - (t.received ?? t.body))),
    shown: median(timings.map((t) => t.painted - t.body)),
    kB: median(timings.map((t) => (t.bytes ?? NaN) / 1000)),
    sendGap: median(timings.slice(1).map((t, i) => t.sent - timings[i].sent)),
  };
  return Object.entries(parts).map(([name, ms]) => `${name} ${ms.toFixed(1)}`).join(', ');
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

// One round against one build: the drags at 1/2 and full, then the cache.
async function round(browser, command) {
  const folder = tempFolder();
  const params = join(folder, 'bench.json');
  writeJson(params, doc);
  const studio = await startStudio({ folder, params, size: options.size, command });
  try {
    const page = await openStudio(browser, studio, { viewport: { width: 1600, height: 900 } });
    const half = await dragFor(page, 2);
    const full = await dragFor(page, 1);
    const cached = await cachedShow(page, 20);
    await page.context().close();
    return { half, full, cached };
  } finally {
    await studio.kill();
  }
}

const fmt = (v) => v.toFixed(1);
const median = (rows, pick) => percentile(rows.map(pick), 50);

function report(name, rows) {
  const m = (pick) => fmt(median(rows, pick));
  console.log(`${name} (${rows.length} round${rows.length > 1 ? 's' : ''}, medians):`);
  for (const [label, key] of [['1/2 ', 'half'], ['full', 'full']]) {
    console.log(`  drag at ${label}: ${m((r) => r[key].perSecond)} pictures/s (${m((r) => r[key].moves)} moves/s), ` +
                `latency p50 ${m((r) => r[key].p50)} ms, p95 ${m((r) => r[key].p95)} ms, reply to screen p50 ${m((r) => r[key].paint)} ms`);
  }
  for (const [label, key] of [['1/2 ', 'half'], ['full', 'full']]) {
    console.log(`  page thread at ${label}: busy ${m((r) => r[key].thread.busy)} ms/s, script ${m((r) => r[key].thread.script)}, ` +
                `style and layout ${m((r) => r[key].thread.layout)}; ${m((r) => r[key].thread.passes)} style or layout passes per move`);
  }
  for (const r of rows) console.log(`    parts (ms, medians) 1/2: ${r.half.parts}\n                        full: ${r.full.parts}`);
  console.log(`  cached frame: shown in ${m((r) => r.cached.p50)} ms (p50), ${m((r) => r.cached.max)} ms (max of 20)`);
}

const builds = options.baseline ? [['baseline', resolve(options.baseline)], ['this build', COMMAND]] : [['this build', COMMAND]];
const results = new Map(builds.map(([name]) => [name, []]));
const browser = await launchBrowser();
const load = loadavg();
try {
  for (let i = 0; i < Number(options.rounds); i++) {
    for (const [name, command] of builds) results.get(name).push(await round(browser, command));
  }
} finally {
  await browser.close();
}
console.log(`layer ${width}x${height}, ${cpus().length} cores, load average before ${load.map(fmt).join(' ')}, after ${loadavg().map(fmt).join(' ')}`);
for (const [name, rows] of results) report(name, rows);
if (options.baseline) {
  const [base, mine] = [...results.values()];
  const ratio = (pick) => fmt(median(mine, pick) / median(base, pick));
  console.log(`this build / baseline: pictures/s at 1/2 x${ratio((r) => r.half.perSecond)}, at full x${ratio((r) => r.full.perSecond)}; ` +
              `p95 latency at 1/2 x${ratio((r) => r.half.p95)}`);
}
