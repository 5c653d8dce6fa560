// Starts the built studio command on a free port in a temporary folder, opens
// Chromium on it, and offers what the tests share: waiting until the page has
// nothing in flight, frame-to-page coordinates, reference renders, and a
// screenshot of the page when a test fails.
import { spawn, execFileSync } from 'node:child_process';
import { mkdtempSync, mkdirSync, writeFileSync, readFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve, dirname } from 'node:path';
import { fileURLToPath } from 'node:url';
import { createInterface } from 'node:readline';
import { chromium } from 'playwright-core';
import { decodePng } from './png.mjs';

const ROOT = resolve(dirname(fileURLToPath(import.meta.url)), '../../..');
// A relative path names a file from the caller's folder: the studio itself
// runs in its temporary folder.
export const COMMAND = resolve(process.env.LUSTRE_STRAND || join(ROOT, 'build/release/lustre-strand'));
export const RENDERER = resolve(process.env.LUSTRE_STRAND_RENDER || COMMAND);
const SHOTS = process.env.STUDIO_TEST_OUTPUT || join(ROOT, 'build/release/test-output/studio');
export const CHROMIUM_ARGS = ['--no-sandbox', '--headless', '--disable-gpu', '--disable-background-networking',
  '--disable-component-update', '--disable-sync', '--no-first-run'];

export function tempFolder() {
  return mkdtempSync(join(tmpdir(), 'studio-test-'));
}

// Runs `lustre-strand studio` and resolves once it printed its address.
export function startStudio({ folder, params, size = '960x540', args = [], command = COMMAND }) {
  const child = spawn(command, ['studio', '--port', '0', '--no-open', '--params', params, '--size', size, ...args],
                      { cwd: folder, stdio: ['ignore', 'pipe', 'pipe'] });
  let stderr = '';
  child.stderr.on('data', (chunk) => { stderr += chunk; });
  return new Promise((resolvePromise, reject) => {
    const timer = setTimeout(() => reject(new Error(`studio printed no address: ${stderr}`)), 20000);
    child.on('exit', (code) => reject(new Error(`studio exited with ${code}: ${stderr}`)));
    createInterface({ input: child.stdout }).once('line', (line) => {
      clearTimeout(timer);
      const match = line.match(/^Studio: (http:\/\/\S+)$/);
      if (!match) return reject(new Error(`unexpected first line: ${line}`));
      resolvePromise({
        url: match[1], child,
        kill: (signal = 'SIGTERM') => new Promise((done) => {
          if (child.exitCode !== null || child.signalCode) return done();
          child.removeAllListeners('exit');
          child.once('exit', done);
          child.kill(signal);
        }),
      });
    });
  });
}

export async function launchBrowser() {
  return chromium.launch({ executablePath: process.env.CHROMIUM || '/usr/lib/chromium/chromium', args: CHROMIUM_ARGS });
}

export async function openStudio(browser, studio, contextOptions = {}) {
  const context = await browser.newContext({ viewport: { width: 1280, height: 720 }, ...contextOptions });
  const page = await context.newPage();
  page.errors = [];
  page.on('pageerror', (error) => page.errors.push(error.message));
  await page.goto(studio.url);
  await page.waitForFunction(() => window.__studio && window.__studio.idle(), null, { timeout: 30000 });
  return page;
}

export async function waitIdle(page) {
  // Idle twice, a frame apart: the page may just be about to send the next request.
  await page.waitForFunction(() => window.__studio.idle(), null, { timeout: 30000 });
  await page.evaluate(() => new Promise(requestAnimationFrame));
  await page.waitForFunction(() => window.__studio.idle(), null, { timeout: 30000 });
}

// Page coordinates of a full-resolution frame point.
export async function framePointOnPage(page, [x, y]) {
  return page.evaluate(([fx, fy]) => {
    const viewer = window.__studio.app.viewer;
    const rect = viewer.canvas.getBoundingClientRect();
    const [sx, sy] = viewer.toScreen(fx, fy);
    return [rect.left + sx, rect.top + sy];
  }, [x, y]);
}

export async function docValue(page, name) {
  return page.evaluate((n) => window.__studio.app.doc[n], name);
}

export async function shownBytes(page) {
  const picture = await page.evaluate(() => {
    const p = window.__studio.picture;
    let text = '';
    for (let i = 0; i < p.bytes.length; i += 0x8000) text += String.fromCharCode(...p.bytes.subarray(i, i + 0x8000));
    return { width: p.width, height: p.height, scale: p.scale, base64: btoa(text) };
  });
  return { ...picture, bytes: Buffer.from(picture.base64, 'base64') };
}

// The bytes by which the picture on screen -- read back from the visible
// canvas the viewer shows -- differs from an RGBA image held in a canvas the
// same way (a canvas keeps premultiplied pixels, so a translucent pixel does
// not read back exactly as written).
export async function screenDiffers(page, { width, height, rgba }) {
  return page.evaluate(async ([w, h, base64]) => {
    const shown = await window.__studio.app.viewer.readShown();
    if (!shown.visible) return 'the picture is not visible';
    if (shown.width !== w || shown.height !== h) return `a canvas of ${shown.width}x${shown.height}`;
    const bytes = Uint8ClampedArray.from(atob(base64), (c) => c.charCodeAt(0));
    const held = document.createElement('canvas');
    Object.assign(held, { width: w, height: h });
    held.getContext('2d').putImageData(new ImageData(bytes, w, h), 0, 0);
    const expected = held.getContext('2d').getImageData(0, 0, w, h).data;
    return shown.bytes.reduce((n, v, i) => n + (v !== expected[i]), 0);
  }, [width, height, Buffer.from(rgba).toString('base64')]);
}

export function renderReference(folder, params, size, args = []) {
  const output = join(folder, 'reference.png');
  execFileSync(RENDERER, ['render', '--params', params, '--size', size, '--output', output, ...args], { stdio: 'ignore' });
  return decodePng(readFileSync(output));
}

export function writeJson(path, value) {
  writeFileSync(path, JSON.stringify(value, null, 2) + '\n');
}

// Runs body(page) and fails on any exception the page threw meanwhile; on
// failure keeps a screenshot of the page named after the test.
export async function withScreenshot(t, page, body) {
  try {
    await body();
    if (page.errors.length) throw new Error(`the page threw: ${page.errors.join('; ')}`);
  } catch (error) {
    mkdirSync(SHOTS, { recursive: true });
    const file = join(SHOTS, `${t.name.replace(/[^\w-]+/g, '_')}.png`);
    await page.screenshot({ path: file }).catch(() => {});
    const state = await page.evaluate(() => window.__studio?.explain()).catch(() => 'unknown');
    error.message += `\n(screenshot: ${file})\npage: ${state}`;
    throw error;
  }
}
