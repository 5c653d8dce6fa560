// Makes the README's two pictures of the studio, in FOLDER (default docs/):
//   studio.png           examples/showcase.json at 1440x860, point 2 and
//                        colour dot 3 selected;
//   studio-timeline.png  examples/animated.json at 1280x720, frame 30, Line
//                        Width's curve shown and its keys at 60 selected.
// Usage: node scripts/studio-screenshot.mjs [FOLDER]
// (after `npm ci` in tests/studio/browser, which holds the pinned playwright-core).
import { readFileSync } from 'node:fs';
import { join, resolve, dirname } from 'node:path';
import { fileURLToPath } from 'node:url';
import {
  tempFolder, startStudio, launchBrowser, openStudio, waitIdle, writeJson, framePointOnPage,
} from '../tests/studio/browser/harness.mjs';

const root = resolve(dirname(fileURLToPath(import.meta.url)), '..');
const outputs = process.argv[2] || join(root, 'docs');

// Opens an example in the studio, lets `pose` arrange the page, and saves it.
async function shoot(browser, example, viewport, output, pose) {
  const folder = tempFolder();
  const params = join(folder, example);
  writeJson(params, JSON.parse(readFileSync(join(root, 'examples', example), 'utf8')));
  const studio = await startStudio({ folder, params, size: '1920x1080', args: ['--frames', '0-119', '--fps', '24'] });
  try {
    const page = await openStudio(browser, studio, { viewport });
    await pose(page);
    await waitIdle(page);
    await page.screenshot({ path: output });
    if (page.errors.length) throw new Error(page.errors.join('; '));
    console.log(`wrote ${output}`);
  } finally {
    await studio.kill();
  }
}

const browser = await launchBrowser();
try {
  await shoot(browser, 'showcase.json', { width: 1440, height: 860 }, join(outputs, 'studio.png'), async (page) => {
    const point = await page.evaluate(() => window.__studio.app.values['Point 2/Point']);
    await page.mouse.click(...await framePointOnPage(page, point));
    await page.locator('#gradient button', { hasText: /^3$/ }).click();
  });
  await shoot(browser, 'animated.json', { width: 1280, height: 720 }, join(outputs, 'studio-timeline.png'), async (page) => {
    const at = (name, frame) => page.evaluate(([n, f]) => window.__studio.app.timeline.keyOnPage(n, f), [name, frame]);
    await page.evaluate(() => window.__studio.app.timeline.toggleCurve('Line Width'));
    await page.mouse.click(...await at(null, 60));
    await page.evaluate(() => window.__studio.app.setFrame(30));
  });
} finally {
  await browser.close();
}
