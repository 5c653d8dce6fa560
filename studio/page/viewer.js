// The frame on screen: a canvas whose backing store follows devicePixelRatio,
// with fit / 100 % zoom, wheel zoom about the cursor, panning, a checkerboard
// under transparent pixels and before/after (one or the other, or split).
// Coordinates: "frame" is full-resolution layer pixels, "screen" CSS pixels of
// the canvas.
// Two canvases: the given one holds the pictures and receives the pointer;
// a second one laid over it holds the overlay. A moving handle redraws only
// the overlay; the scaled picture (software-drawn without a GPU, the larger
// cost) is drawn again only when it, the view or the canvas size changed.

import { clock } from './api.js';

const MIN_ZOOM = 1 / 32;
const MAX_ZOOM = 32;

function checkerPattern(ctx) {
  const tile = document.createElement('canvas');
  tile.width = tile.height = 16;
  const t = tile.getContext('2d');
  t.fillStyle = '#3a3a3a';
  t.fillRect(0, 0, 16, 16);
  t.fillStyle = '#2c2c2c';
  t.fillRect(0, 0, 8, 8);
  t.fillRect(8, 8, 8, 8);
  return ctx.createPattern(tile, 'repeat');
}

// A received picture made drawable; keeps the bytes for tests and checks.
export function makePicture(raw, scale, key) {
  const canvas = document.createElement('canvas');
  canvas.width = raw.width;
  canvas.height = raw.height;
  canvas.getContext('2d').putImageData(new ImageData(raw.bytes, raw.width, raw.height), 0, 0);
  if (raw.timing) raw.timing.made = clock();
  return { ...raw, canvas, scale, key };
}

export class Viewer {
  constructor(canvas, frameWidth, frameHeight) {
    this.canvas = canvas;
    this.ctx = canvas.getContext('2d');
    this.top = document.createElement('canvas');
    this.top.className = 'overlay';
    this.top.style.cssText = 'position: absolute; inset: 0; width: 100%; height: 100%; pointer-events: none;';
    canvas.after(this.top);
    this.topCtx = this.top.getContext('2d');
    this.paintedState = null;
    this.frameWidth = frameWidth;
    this.frameHeight = frameHeight;
    this.zoom = 1;
    this.offsetX = 0;
    this.offsetY = 0;
    this.after = null;
    this.before = null;
    this.mode = 'after'; // 'after' | 'before' | 'split'
    this.split = 0.5; // of the frame's width
    this.fitted = true;
    this.decorate = null; // (ctx, viewer) draws the overlay in screen coordinates
    this.onDrawn = null;
    this.pattern = checkerPattern(this.ctx);
    this.drawQueued = false;
    // Timings of the last pictures painted (see api.js), for the benchmark.
    this.painted = [];
    new ResizeObserver(() => this.resize()).observe(canvas);
    this.resize();
  }

  // The canvas's CSS size is read here only, when the observer reports a new
  // size and layout is fresh: read on every draw or pointer move, after the
  // page has written to the DOM, it would force a layout each time.
  resize() {
    this.cssWidth = this.canvas.clientWidth;
    this.cssHeight = this.canvas.clientHeight;
    const ratio = window.devicePixelRatio || 1;
    this.canvas.width = this.top.width = Math.max(1, Math.round(this.cssWidth * ratio));
    this.canvas.height = this.top.height = Math.max(1, Math.round(this.cssHeight * ratio));
    this.paintedState = null;
    if (this.fitted) this.fit();
    else this.requestDraw();
  }

  toScreen(x, y) { return [x * this.zoom + this.offsetX, y * this.zoom + this.offsetY]; }
  toFrame(sx, sy) { return [(sx - this.offsetX) / this.zoom, (sy - this.offsetY) / this.zoom]; }

  fit() {
    const margin = 24;
    const zoom = Math.min((this.cssWidth - margin) / this.frameWidth, (this.cssHeight - margin) / this.frameHeight);
    this.setZoom(Math.max(MIN_ZOOM, zoom), this.cssWidth / 2, this.cssHeight / 2, true);
    this.fitted = true;
  }

  actualSize() {
    this.setZoom(1, this.cssWidth / 2, this.cssHeight / 2, true);
  }

  // Zoom to z keeping the frame point under (sx, sy) in place; centred
  // zooms put the frame's centre there.
  setZoom(z, sx, sy, centre = false) {
    z = Math.min(MAX_ZOOM, Math.max(MIN_ZOOM, z));
    const [fx, fy] = centre ? [this.frameWidth / 2, this.frameHeight / 2] : this.toFrame(sx, sy);
    this.zoom = z;
    this.offsetX = sx - fx * z;
    this.offsetY = sy - fy * z;
    this.fitted = false;
    this.requestDraw();
  }

  wheel(event) {
    event.preventDefault();
    const rect = this.canvas.getBoundingClientRect();
    const factor = Math.exp(-event.deltaY * (event.deltaMode === 1 ? 0.05 : 0.002));
    this.setZoom(this.zoom * factor, event.clientX - rect.left, event.clientY - rect.top);
  }

  panBy(dx, dy) {
    this.offsetX += dx;
    this.offsetY += dy;
    this.fitted = false;
    this.requestDraw();
  }

  show(picture, which = 'after') {
    this[which] = picture;
    this.requestDraw();
  }

  requestDraw() {
    if (this.drawQueued) return;
    this.drawQueued = true;
    requestAnimationFrame(() => {
      this.drawQueued = false;
      this.draw();
    });
  }

  drawPicture(picture) {
    if (!picture) return;
    this.ctx.drawImage(picture.canvas, 0, 0, this.frameWidth, this.frameHeight);
  }

  draw() {
    const state = [this.after, this.before, this.mode, this.mode === 'split' ? this.split : 0, this.zoom,
                   this.offsetX, this.offsetY, this.canvas.width, this.canvas.height];
    if (!this.paintedState || state.some((v, i) => v !== this.paintedState[i])) {
      this.paintPictures();
      this.paintedState = state;
    }
    this.paintOverlay();
    const timing = this.after?.timing;
    if (timing && !timing.painted) {
      timing.painted = clock();
      this.painted.push(timing);
      if (this.painted.length > 2000) this.painted.shift();
    }
    if (this.onDrawn) this.onDrawn();
  }

  paintPictures() {
    const ratio = this.canvas.width / Math.max(1, this.cssWidth);
    const ctx = this.ctx;
    ctx.setTransform(1, 0, 0, 1, 0, 0);
    ctx.clearRect(0, 0, this.canvas.width, this.canvas.height);
    ctx.setTransform(ratio * this.zoom, 0, 0, ratio * this.zoom, ratio * this.offsetX, ratio * this.offsetY);
    ctx.imageSmoothingEnabled = this.zoom * ratio < 1;
    ctx.save();
    ctx.scale(1 / this.zoom, 1 / this.zoom); // the checkerboard keeps its size on screen
    ctx.fillStyle = this.pattern;
    ctx.fillRect(0, 0, this.frameWidth * this.zoom, this.frameHeight * this.zoom);
    ctx.restore();
    if (this.mode === 'split') {
      const cut = this.frameWidth * this.split;
      ctx.save();
      ctx.beginPath();
      ctx.rect(0, 0, cut, this.frameHeight);
      ctx.clip();
      this.drawPicture(this.before);
      ctx.restore();
      ctx.save();
      ctx.beginPath();
      ctx.rect(cut, 0, this.frameWidth - cut, this.frameHeight);
      ctx.clip();
      this.drawPicture(this.after);
      ctx.restore();
    } else {
      this.drawPicture(this.mode === 'before' ? this.before : this.after);
    }
  }

  paintOverlay() {
    const ratio = this.top.width / Math.max(1, this.cssWidth);
    const ctx = this.topCtx;
    ctx.setTransform(1, 0, 0, 1, 0, 0);
    ctx.clearRect(0, 0, this.top.width, this.top.height);
    ctx.setTransform(ratio, 0, 0, ratio, 0, 0);
    if (this.mode === 'split') {
      const [sx] = this.toScreen(this.frameWidth * this.split, 0);
      const [, top] = this.toScreen(0, 0);
      const [, bottom] = this.toScreen(0, this.frameHeight);
      ctx.fillStyle = '#d8d8d8';
      ctx.fillRect(sx - 1, top, 2, bottom - top);
    }
    if (this.decorate) this.decorate(ctx, this);
  }
}
