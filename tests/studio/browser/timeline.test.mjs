// Time in the studio page: keys set, eased, moved and played, and files
// rendered from the page, against what the command renders from the saved file.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync, readdirSync, mkdirSync } from 'node:fs';
import { execFileSync } from 'node:child_process';
import { join } from 'node:path';
import {
  tempFolder, startStudio, launchBrowser, openStudio, waitIdle, framePointOnPage, docValue,
  shownBytes, renderReference, writeJson, withScreenshot, RENDERER,
} from './harness.mjs';
import { decodePng } from './png.mjs';

const SIZE = '640x360';
const PATH = {
  'Point 1/Activate': true, 'Point 1/Point': [150, 120], 'Point 1/Handle': [110, 100],
  'Point 2/Activate': true, 'Point 2/Point': [330, 200], 'Point 2/Handle': [300, 150],
  'Point 3/Activate': true, 'Point 3/Point': [500, 260], 'Point 3/Handle': [540, 240],
};

let browser;
before(async () => { browser = await launchBrowser(); });
after(async () => { await browser?.close(); });

async function session(t, doc, frames = '0-48', size = SIZE) {
  const folder = tempFolder();
  const params = join(folder, 'strand.json');
  writeJson(params, doc);
  const studio = await startStudio({ folder, params, size, args: ['--frames', frames, '--fps', '24'] });
  t.after(() => studio.kill());
  const page = await openStudio(browser, studio);
  t.after(() => page.context().close());
  return { folder, params, page };
}

async function saved(page, params) {
  const reply = page.waitForResponse((r) => r.url().endsWith('/api/save'));
  await page.keyboard.press('Control+s');
  assert.equal((await reply).status(), 200);
  return JSON.parse(readFileSync(params, 'utf8'));
}

async function goTo(page, frame) {
  await page.locator('#frame').fill(String(frame));
  await page.locator('#frame').press('Enter');
  await waitIdle(page);
}

async function typeInto(page, name, text) {
  const field = page.locator(`.row[data-name="${name}"] input.number`).first();
  await field.fill(text);
  await field.press('Enter');
  await waitIdle(page);
}

const keyOnPage = (page, name, frame) => page.evaluate(([n, f]) => window.__studio.app.timeline.keyOnPage(n, f), [name, frame]);

async function dragBy(page, from, dx, dy = 0) {
  await page.mouse.move(...from);
  await page.mouse.down();
  await page.mouse.move(from[0] + dx, from[1] + dy, { steps: 8 });
  await page.mouse.up();
  await waitIdle(page);
}

// The picture on screen equals the command's render of the saved file at the frame.
async function assertFrameMatches(page, folder, params, frame) {
  const shown = await shownBytes(page);
  const reference = renderReference(folder, params, SIZE, ['--frames', String(frame)]);
  assert.ok(Buffer.compare(shown.bytes, reference.rgba) === 0, `frame ${frame}: the page shows the command's picture`);
}

test('keys set, eased and moved in the timeline render as the command renders the saved file', async (t) => {
  const { folder, params, page } = await session(t, PATH);
  await withScreenshot(t, page, async () => {
    await typeInto(page, 'Line Width', '20');
    await page.locator('.row[data-name="Line Width"] .key').click();
    await goTo(page, 48);
    await typeInto(page, 'Line Width', '80');
    await page.mouse.click(...await keyOnPage(page, 'Line Width', 0));
    await page.keyboard.down('Shift');
    await page.mouse.click(...await keyOnPage(page, 'Line Width', 48));
    await page.keyboard.up('Shift');
    await page.mouse.click(...await keyOnPage(page, 'Line Width', 48), { button: 'right' });
    await page.locator('#key-menu [data-ease="in-out"]').click();
    // Scrub from mouse-down on the ruler.
    const ruler = await page.locator('#ruler').boundingBox();
    const [x0] = await keyOnPage(page, null, 0);
    const [x24] = await keyOnPage(page, null, 24);
    await page.mouse.move(x0 + 30, ruler.y + 10);
    await page.mouse.down();
    assert.notEqual(await page.evaluate(() => window.__studio.app.frame), 48, 'the playhead moves on mouse-down');
    await page.mouse.move(x24, ruler.y + 10, { steps: 5 });
    await page.mouse.up();
    await waitIdle(page);
    assert.equal(await page.evaluate(() => window.__studio.app.frame), 24);
    const doc = await saved(page, params);
    assert.deepEqual(doc['Line Width'], [{ frame: 0, value: 20, ease: 'in-out' }, { frame: 48, value: 80, ease: 'in-out' }]);
    // Halfway between two keys that rest at both ends the value is halfway.
    assert.equal(await page.locator('.row[data-name="Line Width"] input.number').inputValue(), '50');
    await assertFrameMatches(page, folder, params, 24);
    await page.evaluate(() => window.__studio.app.timeline.toggleCurve('Line Width'));
    const curve = await (await page.waitForFunction(() => window.__studio.app.curves.get('Line Width')?.values)).jsonValue();
    assert.deepEqual([curve[0], curve[24], curve[48]], [20, 50, 80], 'the value curve under the row');

    const [x48, y48] = await keyOnPage(page, 'Line Width', 48);
    await dragBy(page, [x48, y48], (await keyOnPage(page, null, 36))[0] - x48);
    assert.deepEqual((await saved(page, params))['Line Width'].map((k) => k.frame), [0, 36], 'the key dragged from 48 to 36');

    // Copied, pasted at the playhead (clicked on the ruler), then deleted there.
    await page.mouse.click(...await keyOnPage(page, 'Line Width', 36));
    await page.keyboard.press('Control+c');
    await page.mouse.click((await keyOnPage(page, null, 12))[0], ruler.y + 10);
    await page.keyboard.press('Control+v');
    assert.deepEqual((await docValue(page, 'Line Width'))[1], { frame: 12, value: 80, ease: 'in-out' });
    await page.mouse.click(...await keyOnPage(page, 'Line Width', 12));
    await page.keyboard.press('Delete');
    assert.deepEqual((await docValue(page, 'Line Width')).map((k) => k.frame), [0, 36]);
  });
});

test('a point keyed at two frames shows the command\'s frame between them; a drag of keys undoes in one step', async (t) => {
  const { folder, params, page } = await session(t, PATH);
  await withScreenshot(t, page, async () => {
    await page.locator('.row[data-name="Point 2/Point"]').evaluate((row) => { row.closest('details').open = true; });
    await page.locator('.row[data-name="Point 2/Point"] .key').click();
    await goTo(page, 40);
    await dragBy(page, await framePointOnPage(page, PATH['Point 2/Point']), 60, 50);
    const moved = await docValue(page, 'Point 2/Point');
    assert.deepEqual(moved.map((k) => k.frame), [0, 40]);
    assert.deepEqual((await docValue(page, 'Point 2/Handle')).map((k) => k.frame), [0, 40], 'the handle is keyed with its point');
    await goTo(page, 17);
    await saved(page, params);
    await assertFrameMatches(page, folder, params, 17);

    // The summary diamond at 40 takes both keys; dragging it moves both, undo brings both back.
    const [x40, y40] = await keyOnPage(page, null, 40);
    await dragBy(page, [x40, y40], (await keyOnPage(page, null, 30))[0] - x40);
    for (const name of ['Point 2/Point', 'Point 2/Handle']) assert.deepEqual((await docValue(page, name)).map((k) => k.frame), [0, 30]);
    await page.keyboard.press('Control+z');
    await waitIdle(page);
    for (const name of ['Point 2/Point', 'Point 2/Handle']) assert.deepEqual((await docValue(page, name)).map((k) => k.frame), [0, 40]);
    assert.deepEqual(await docValue(page, 'Point 2/Point'), moved);

    // Switched off, the point keeps what frame 17 shows; a colour dot's toggle keys its three values.
    const shown = await page.evaluate(() => window.__studio.app.values);
    page.once('dialog', (dialog) => dialog.accept());
    await page.locator('.row[data-name="Point 2/Point"] .key').click();
    await page.locator('.dot-key').click();
    const doc = await page.evaluate(() => window.__studio.app.doc);
    assert.deepEqual([doc['Point 2/Point'], doc['Point 2/Handle']], [shown['Point 2/Point'], shown['Point 2/Handle']]);
    for (const name of ['Color', 'Opacity', 'Gradient Position'].map((n) => `Color Dot 1/${n}`)) {
      assert.deepEqual(doc[name], [{ frame: 17, value: shown[name] }], name);
    }
  });
});

test('playback follows the clock, dropping frames rather than slowing, and plays from memory the second time', async (t) => {
  const { page } = await session(t, { ...PATH, 'Line Width': [{ frame: 0, value: 10 }, { frame: 23, value: 90 }] }, '0-23');
  await withScreenshot(t, page, async () => {
    // With nothing selected on the frame, the keys move the playhead; Up and Down jump between keys.
    const steps = [['End', 23], ['Home', 0], ['Shift+ArrowRight', 10], ['ArrowRight', 11], ['ArrowLeft', 10],
                   ['ArrowDown', 23], ['ArrowUp', 0]];
    for (const [key, frame] of steps) {
      await page.keyboard.press(key);
      assert.equal(await page.evaluate(() => window.__studio.app.frame), frame, key);
    }
    // Slow renders on the first pass: the clock must drop frames, not wait for them.
    const slow = async (route) => { await new Promise((r) => setTimeout(r, 150)); await route.continue(); };
    await page.route('**/api/render', slow);
    const passes = [];
    for (let pass = 0; pass < 2; pass++) {
      if (pass === 1) await page.unroute('**/api/render', slow);
      const requests = await page.evaluate(() => window.__studio.stats.requests);
      await page.keyboard.press('Space');
      await waitIdle(page);
      passes.push(await page.evaluate((r) => {
        const p = window.__studio.app.player;
        return { frames: p.log.map((e) => e.frame), ms: p.endedAt - p.t0, requests: window.__studio.stats.requests - r };
      }, requests));
    }
    const budget = (24 / 24) * 1000 + 150; // 24 frames at 24 fps, and a margin
    for (const p of passes) {
      assert.ok(p.ms <= budget, `the playhead reached frame 23 after ${p.ms} ms`);
      assert.deepEqual(p.frames, [...new Set(p.frames)].sort((a, b) => a - b), 'frames shown in order, none twice');
    }
    t.diagnostic(`frames shown: first pass ${passes[0].frames.length}, second ${passes[1].frames.length} of 24`);
    assert.ok(passes[0].frames.length < 24 && passes[0].frames.at(-1) >= 12, `first pass showed ${passes[0].frames}`);
    assert.equal(passes[1].requests, 0, 'the second pass plays from the page\'s memory');
    assert.ok(passes[1].frames.length >= 20, `the second pass shows ${passes[1].frames}`);
  });
});

// Renders from the page into folder/name, returning the dialog's last line.
async function renderFromPage(page, name, frames, waitFor) {
  await page.locator('#render-button').click();
  await page.locator('#export [name="output"]').fill(`${name}/strand.####.png`);
  await page.locator('#export [name="first"]').fill(String(frames[0]));
  await page.locator('#export [name="last"]').fill(String(frames[1]));
  await page.locator('#export .start').click();
  await page.waitForFunction(waitFor, null, { timeout: 60000 });
}

test('a render from the page writes the command\'s files; a cancelled one keeps only whole ones', async (t) => {
  const doc = { ...PATH, 'Line Width': [{ frame: 0, value: 10 }, { frame: 23, value: 90, ease: 'in' }] };
  // 96 frames, so that a quick machine is still rendering when the cancel lands.
  const { folder, params, page } = await session(t, doc, '0-95', '1280x720');
  await withScreenshot(t, page, async () => {
    for (const name of ['reference', 'whole', 'cut']) mkdirSync(join(folder, name));
    execFileSync(RENDERER, ['render', '--params', params, '--size', '1280x720', '--fps', '24', '--frames', '0-95',
                            '--output', join(folder, 'reference/strand.####.png')], { stdio: 'ignore' });
    const sameAsCommand = (name) => readdirSync(join(folder, name)).map((file) => {
      const bytes = readFileSync(join(folder, name, file));
      decodePng(bytes);
      assert.ok(bytes.equals(readFileSync(join(folder, 'reference', file))), `${name}/${file} equals the command's`);
      return file;
    });
    await renderFromPage(page, 'whole', [0, 11], () => window.__studio.app.exporter.status.state === 'done');
    assert.match(await page.locator('.export-status').textContent(), /12 frames written to \/.*whole\/strand\.####\.png/);
    assert.equal(sameAsCommand('whole').length, 12);

    await page.locator('#export .close').click();
    await renderFromPage(page, 'cut', [0, 95], () => window.__studio.app.exporter.status.done >= 3);
    await page.locator('#export .cancel').click();
    await page.waitForFunction(() => window.__studio.app.exporter.status.state === 'cancelled', null, { timeout: 60000 });
    const kept = sameAsCommand('cut');
    t.diagnostic(`cancelled render kept ${kept.length} of 96 frames`);
    assert.ok(kept.length >= 3 && kept.length < 96, `${kept.length} frames kept`);
    assert.deepEqual(kept.sort(), (await page.evaluate(() => window.__studio.app.exporter.status.files)).map((f) => f.split('/').pop()).sort());
  });
});
