// Makes docs/studio-timeline.png: examples/animated.json open in the studio at
// 1280x720, frame 30, Line Width's curve shown and its keys at 60 selected.
// Usage: node scripts/studio-screenshot.mjs [OUTPUT.png]
// (after `npm ci` in tests/studio/browser, which holds the pinned playwright-core).
import { readFileSync } from 'node:fs';
import { join, resolve, dirname } from 'node:path';
import { fileURLToPath } from 'node:url';
import { tempFolder, startStudio, launchBrowser, openStudio, waitIdle, writeJson } from '../tests/studio/browser/harness.mjs';

const root = resolve(dirname(fileURLToPath(import.meta.url)), '..');
const output = process.argv[2] || join(root, 'docs/studio-timeline.png');
const folder = tempFolder();
const params = join(folder, 'animated.json');
writeJson(params, JSON.parse(readFileSync(join(root, 'examples/animated.json'), 'utf8')));
const studio = await startStudio({ folder, params, size: '1920x1080', args: ['--frames', '0-119', '--fps', '24'] });
const browser = await launchBrowser();
try {
  const page = await openStudio(browser, studio);
  const at = (name, frame) => page.evaluate(([n, f]) => window.__studio.app.timeline.keyOnPage(n, f), [name, frame]);
  await page.evaluate(() => window.__studio.app.timeline.toggleCurve('Line Width'));
  await page.mouse.click(...await at(null, 60));
  await page.evaluate(() => window.__studio.app.setFrame(30));
  await waitIdle(page);
  await page.screenshot({ path: output });
  if (page.errors.length) throw new Error(page.errors.join('; '));
  console.log(`wrote ${output}`);
} finally {
  await browser.close();
  await studio.kill();
}
