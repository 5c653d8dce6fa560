// The studio page in Chromium against the built studio command.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import {
  tempFolder, startStudio, launchBrowser, openStudio, waitIdle, framePointOnPage, docValue,
  shownBytes, screenDiffers, renderReference, writeJson, withScreenshot,
} from './harness.mjs';

const SIZE = '960x540';
const OPENING = {
  'Line Width': [{ frame: 0, value: 30 }, { frame: 40, value: 80, ease: 'in-out' }],
  'Point 1/Activate': true, 'Point 1/Point': [300, 150], 'Point 1/Handle': [250, 140],
  'Point 2/Activate': true, 'Point 2/Point': [600, 270], 'Point 2/Handle': [560, 200],
  'Point 3/Activate': true, 'Point 3/Point': [380, 420], 'Point 3/Handle': [430, 400],
};

let browser;
before(async () => { browser = await launchBrowser(); });
after(async () => { await browser?.close(); });

async function session(t, { doc = OPENING, context = {}, folder = tempFolder() } = {}) {
  const params = join(folder, 'strand.json');
  if (doc) writeJson(params, doc);
  const studio = await startStudio({ folder, params, size: SIZE });
  t.after(() => studio.kill());
  const page = await openStudio(browser, studio, context);
  t.after(() => page.context().close());
  return { folder, params, studio, page };
}

async function save(page) {
  const reply = page.waitForResponse((r) => r.url().endsWith('/api/save'));
  await page.keyboard.press('Control+s');
  assert.equal((await reply).status(), 200);
}

// Opens the groups around a parameter's row.
async function reveal(page, name) {
  await page.locator(`.row[data-name="${name}"]`).evaluate((row) => {
    for (let d = row.closest('details'); d; d = d.parentElement.closest('details')) d.open = true;
  });
}

async function typeInto(page, name, text) {
  await reveal(page, name);
  const field = page.locator(`.row[data-name="${name}"] input.number`);
  await field.fill(text);
  await field.press('Enter');
}

async function drag(page, from, by, steps = 10) {
  await page.mouse.move(from[0], from[1]);
  await page.mouse.down();
  await page.mouse.move(from[0] + by[0], from[1] + by[1], { steps });
  await page.mouse.up();
}

test('a dragged point shows the frame the command renders from the saved file', async (t) => {
  const { folder, params, page } = await session(t);
  await withScreenshot(t, page, async () => {
    const zoom = await page.evaluate(() => window.__studio.app.viewer.zoom);
    await page.route('**/api/render', async (route) => { await new Promise((r) => setTimeout(r, 50)); await route.continue(); });
    await drag(page, await framePointOnPage(page, [600, 270]), [100, 0]);
    await waitIdle(page);
    const scales = await page.evaluate(() => window.__studio.stats.scales);
    assert.ok(scales.includes(2) && scales.at(-1) === 1, `drafts at 1/2 while dragging, full at the end: ${scales}`);
    const point = await docValue(page, 'Point 2/Point');
    const handle = await docValue(page, 'Point 2/Handle');
    assert.ok(Math.abs(point[0] - (600 + 100 / zoom)) <= 1 && point[1] === 270, `point ${point} at zoom ${zoom}`);
    assert.deepEqual([handle[0] - point[0], handle[1] - point[1]], [-40, -70], 'the handle moves with its point');
    // One more edit at full resolution: its picture comes as a patch of the last.
    await typeInto(page, 'Line Width', '37');
    await waitIdle(page);
    assert.ok(await page.evaluate(() => window.__studio.picture.patchOf > 0), 'the last picture came as a patch');
    const shown = await shownBytes(page);
    assert.equal(shown.scale, 1);
    await save(page);
    const reference = renderReference(folder, params, SIZE);
    assert.equal(`${shown.width}x${shown.height}`, `${reference.width}x${reference.height}`);
    assert.ok(Buffer.compare(shown.bytes, reference.rgba) === 0, 'the page shows the command\'s frame byte for byte');
    assert.equal(await screenDiffers(page, reference), 0, 'bytes on screen differing from the frame');
  });
});

// A gesture's panel field and gradient stop follow once per display frame,
// read here with the button still down.
test('what a gesture edits is shown while it lasts', async (t) => {
  const { page } = await session(t);
  await waitIdle(page);
  const dot = async () => { const b = await page.locator('.stop[data-dot="1"]').boundingBox(); return [b.x + 7, b.y + 4]; };
  for (const [grip, name, shown, read] of [
    [() => framePointOnPage(page, [600, 270]), 'Point 2/Point', '.row[data-name="Point 2/Point"] input', (n, v) => n.value === String(v[0])],
    [dot, 'Color Dot 1/Gradient Position', '.stop[data-dot="1"]', (n, v) => n.style.left === `${v}%`]]) {
    const [x, y] = await grip();
    await page.mouse.move(x, y);
    await page.mouse.down();
    await page.mouse.move(x + 40, y, { steps: 5 });
    await page.evaluate(() => new Promise(requestAnimationFrame));
    const value = await page.evaluate((n) => window.__studio.app.gestureActive && window.__studio.app.values[n], name);
    assert.ok(await page.locator(shown).first().evaluate(read, value), `${name} = ${value} shown while dragged`);
    await page.mouse.up();
    await waitIdle(page);
  }
});

test('of 20 rapid changes the picture ends on the last, never going back', async (t) => {
  const { page } = await session(t);
  await withScreenshot(t, page, async () => {
    // Slow replies make the changes pile up behind the one request in flight.
    await page.route('**/api/render', async (route) => { await new Promise((r) => setTimeout(r, 150)); await route.continue(); });
    const requestsBefore = await page.evaluate(() => window.__studio.stats.requests);
    for (let i = 1; i <= 20; i++) await typeInto(page, 'Falloff', String(i * 4));
    await waitIdle(page);
    const stats = await page.evaluate(() => ({ shown: window.__studio.stats.shown, requests: window.__studio.stats.requests }));
    assert.equal(await docValue(page, 'Falloff'), 80);
    assert.ok(stats.requests - requestsBefore < 20, `${stats.requests - requestsBefore} renders for 20 changes`);
    assert.deepEqual(stats.shown, [...stats.shown].sort((a, b) => a - b), 'pictures shown in request order');
    assert.equal(await page.locator('.row[data-name="Falloff"] input.number').inputValue(), '80');
    // Another picture put on screen by the page (noise here), then a reply
    // patching the stream's last one: the patch must not go onto the noise.
    await page.evaluate(() => {
      const { viewer, lastPicture: p } = window.__studio.app;
      const bytes = Uint8ClampedArray.from({ length: p.bytes.length }, (_, i) => i * 7);
      viewer.show({ ...p, bytes, image: new ImageData(bytes, p.width, p.height) });
    });
    await typeInto(page, 'Falloff', '30');
    await waitIdle(page);
    const last = await shownBytes(page);
    assert.ok(await page.evaluate(() => window.__studio.picture.patchOf > 0), 'the last picture came as a patch');
    assert.equal(await screenDiffers(page, { ...last, rgba: last.bytes }), 0, 'the screen ends on the last picture');
    // An edit taken back at once: its reply, arriving after the cached picture
    // of the undone state was shown, stays off the screen.
    await typeInto(page, 'Falloff', '44');
    await page.evaluate(() => window.__studio.app.undo());
    await waitIdle(page);
    assert.equal(await docValue(page, 'Falloff'), 30);
    assert.equal(await screenDiffers(page, { ...last, rgba: last.bytes }), 0, 'an older reply stays off the screen');
  });
});

test('typed values keep their decimals through the saved file', async (t) => {
  const { params, page } = await session(t);
  await withScreenshot(t, page, async () => {
    const typed = { Falloff: '1.15', 'Gradient Offset': '-0.83', 'Color Dot 2/Gradient Position': '33.3' };
    for (const [name, text] of Object.entries(typed)) {
      await typeInto(page, name, text);
    }
    await waitIdle(page);
    await save(page);
    const saved = readFileSync(params, 'utf8');
    for (const [name, text] of Object.entries(typed)) {
      assert.equal(JSON.parse(saved)[name], Number(text), name);
      assert.match(saved, new RegExp(`"${name}": ${text.replace('.', '\\.')}\\b`), `${name} written as typed`);
      assert.equal(await page.locator(`.row[data-name="${name}"] input.number`).inputValue(), text);
    }
  });
});

test('a refused value shows the effect\'s message and is taken back', async (t) => {
  const { page } = await session(t);
  await withScreenshot(t, page, async () => {
    await typeInto(page, 'Falloff', '500');
    await page.waitForFunction(() => {
      const status = document.querySelector('#status-text');
      return status.classList.contains('error') && status.textContent.includes('Falloff');
    });
    await waitIdle(page);
    assert.equal(await docValue(page, 'Falloff'), undefined, 'the document is as opened');
    assert.equal(await page.evaluate(() => window.__studio.app.history.undoStack.length), 0);
    // A good value typed while the refusal is on its way is kept.
    await typeInto(page, 'Falloff', '500');
    await typeInto(page, 'Falloff', '40');
    await waitIdle(page);
    assert.equal(await docValue(page, 'Falloff'), 40);
  });
});

test('undoing every edit saves the opened file back byte for byte', async (t) => {
  const folder = tempFolder();
  // First the studio writes the document in its own format; that file is then opened.
  const first = await session(t, { folder });
  await save(first.page);
  await first.page.context().close();
  await first.studio.kill();
  const opened = readFileSync(first.params);
  const { params, page } = await session(t, { doc: null, folder });
  await withScreenshot(t, page, async () => {
    await page.keyboard.press('Delete'); // nothing is selected yet: no change
    await drag(page, await framePointOnPage(page, [300, 150]), [40, 60]);
    await drag(page, await framePointOnPage(page, [560, 200]), [-30, 20]);
    const [point, handle] = [await docValue(page, 'Point 2/Point'), await docValue(page, 'Point 2/Handle')];
    await page.keyboard.press('Shift+ArrowRight');
    assert.deepEqual([await docValue(page, 'Point 2/Point'), await docValue(page, 'Point 2/Handle')],
                     [[point[0] + 10, point[1]], [handle[0] + 10, handle[1]]], 'Shift+arrow nudges point and handle');
    await page.keyboard.press('Delete');
    assert.equal(await docValue(page, 'Point 2/Activate'), false, 'Delete switches the selected point off');
    await typeInto(page, 'Line Width', '55.5');
    await reveal(page, 'Close Path?');
    await page.locator('.row[data-name="Close Path?"] input').check();
    await page.locator('.stop[data-dot="1"]').dragTo(page.locator('.gradient-bar'), { targetPosition: { x: 10, y: 5 } });
    await waitIdle(page);
    assert.notDeepEqual(await page.evaluate(() => window.__studio.app.doc), JSON.parse(opened));
    let undone = 0;
    while (undone < 50 && await page.evaluate(() => window.__studio.app.history.undoStack.length) > 0) {
      await page.keyboard.press('Control+z');
      undone++;
    }
    assert.equal(undone, 7, 'one step per gesture or edit');
    await page.keyboard.press('Control+z'); // nothing left to undo
    await page.keyboard.press('Control+Shift+z');
    assert.equal((await docValue(page, 'Point 1/Point'))[0] !== 300, true, 'redo brings the first drag back');
    await page.keyboard.press('Control+z');
    await waitIdle(page);
    await save(page);
    assert.ok(readFileSync(params).equals(opened), 'saved file equals the opened one');
  });
});

test('edits autosaved before the server was killed are offered back', async (t) => {
  const folder = tempFolder();
  const first = await session(t, { folder });
  const autosaved = first.page.waitForResponse((r) => r.url().endsWith('/api/autosave') && r.status() === 200,
                                               { timeout: 15000 });
  await typeInto(first.page, 'Line Width', '47.25');
  await autosaved;
  await first.studio.kill('SIGKILL');
  await first.page.context().close();
  const { page } = await session(t, { doc: null, folder });
  await withScreenshot(t, page, async () => {
    await page.locator('#recovery').waitFor({ state: 'visible' });
    await page.locator('#recovery .recover').click();
    // Idle does not count the autosave's fetch: wait for the edits to arrive.
    await page.waitForFunction(() => window.__studio.app.file.dirty);
    await waitIdle(page);
    const width = await docValue(page, 'Line Width');
    assert.deepEqual(width, [{ frame: 0, value: 47.25 }, { frame: 40, value: 80, ease: 'in-out' }]);
    assert.equal(await page.locator('#dirty').isVisible(), true, 'recovered edits are not saved yet');
  });
});

test('handles are hit on a high-density screen and by touch', async (t) => {
  const cases = [
    { name: 'mouse at 2x', context: { deviceScaleFactor: 2 }, grip: [560, 200], name2: 'Point 2/Handle' },
    { name: 'touch', context: { hasTouch: true }, grip: [380, 420], name2: 'Point 3/Point' },
    { name: 'empty frame pans', context: {}, grip: [100, 480], name2: null },
  ];
  for (const c of cases) {
    await t.test(c.name, async (st) => {
      const { page } = await session(st, { context: c.context });
      await withScreenshot(st, page, async () => {
        const backing = await page.evaluate(() => {
          const canvas = window.__studio.app.viewer.canvas;
          return canvas.width / canvas.clientWidth;
        });
        assert.equal(Math.round(backing), c.context.deviceScaleFactor || 1);
        const zoom = await page.evaluate(() => window.__studio.app.viewer.zoom);
        const [x, y] = await framePointOnPage(page, c.grip);
        // A grab a few pixels off the grip still takes it.
        const from = [x + 3, y - 3];
        if (c.context.hasTouch) {
          const cdp = await page.context().newCDPSession(page);
          const touch = (type, px, py) => cdp.send('Input.dispatchTouchEvent',
            { type, touchPoints: type === 'touchEnd' ? [] : [{ x: px, y: py }] });
          await touch('touchStart', ...from);
          for (let i = 1; i <= 10; i++) await touch('touchMove', from[0] + 5 * i, from[1] + 3 * i);
          await touch('touchEnd');
        } else {
          await drag(page, from, [50, 30]);
        }
        await waitIdle(page);
        if (!c.name2) {
          assert.deepEqual(await framePointOnPage(page, c.grip), [x + 50, y + 30], 'the frame follows the pointer');
          assert.deepEqual(await page.evaluate(() => window.__studio.app.history.undoStack.length), 0);
          return;
        }
        const moved = await docValue(page, c.name2);
        assert.ok(Math.abs(moved[0] - (c.grip[0] + 50 / zoom)) <= 1 && Math.abs(moved[1] - (c.grip[1] + 30 / zoom)) <= 1,
                  `${c.name2} went to ${moved}`);
        assert.deepEqual(await docValue(page, 'Point 1/Point'), [300, 150], 'nothing else moved');
      });
    });
  }
});
