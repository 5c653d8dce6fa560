// The frame on screen, with fit / 100 % zoom, wheel zoom about the cursor,
// panning, a checkerboard under transparent pixels and before/after (one or
// the other, or split). Coordinates: "frame" is full-resolution layer pixels,
// "screen" CSS pixels of the stage.
// The given canvas, on top, holds the overlay (its backing store follows
// devicePixelRatio) and receives the pointer. Under it each picture is its own
// canvas, exactly the picture's pixels, laid out at the frame's size and
// placed by a CSS transform: the compositor scales it, off the page's thread.
// The after picture's canvas is drawn by the picture worker (see
// picture-loader.js), so the page's thread is not on a reply's way to the
// screen at all; the before picture's the page writes itself. The checkerboard is
// the background of an element under the pictures; split view clips the two
// pictures with clip-path. Drawing the scaled picture and the checkerboard
// into a stage-sized canvas took, in a trace of a drag at 1/2 on a 1920x1080
// layer without a GPU, 5-12 ms of the page's thread per display frame (most
// of its busy time, spent flushing that canvas for the compositor).

import { clock, screenCall } from './api.js';

const MIN_ZOOM = 1 / 32;
const MAX_ZOOM = 32;
const CHECKER_PX = 16; // one light and one dark square each way, CSS pixels

// A received picture made showable: an ImageData over the received bytes
// (no copy); the bytes stay for tests and checks.
export function makePicture(raw, scale, key) {
  const image = new ImageData(raw.bytes, raw.width, raw.height);
  if (raw.timing) raw.timing.made = clock();
  return { ...raw, image, scale, key };
}

// One picture's element: its canvas, and what is written to its style, so
// that a value is set only when it changes.
class PictureLayer {
  constructor(before, drawn = true) {
    this.canvas = document.createElement('canvas');
    this.canvas.className = 'picture';
    this.ctx = drawn ? this.canvas.getContext('2d') : null;
    this.picture = null;
    this.styles = {};
    before.before(this.canvas);
  }

  set(name, value) {
    if (this.styles[name] === value) return;
    this.styles[name] = value;
    this.canvas.style[name] = value;
  }

  // Writes a picture's bytes into the canvas, unless it holds them already.
  hold(picture) {
    if (!picture || picture === this.picture) return;
    if (this.canvas.width !== picture.width) this.canvas.width = picture.width;
    if (this.canvas.height !== picture.height) this.canvas.height = picture.height;
    this.ctx.putImageData(picture.image, 0, 0);
    this.picture = picture;
  }

  async read() {
    const { width, height } = this.canvas;
    return { width, height, bytes: this.ctx.getImageData(0, 0, width, height).data };
  }
}

// The layer whose canvas the picture worker draws: a picture goes to it as
// soon as it is shown, in order with the replies the worker puts there itself.
class ScreenLayer extends PictureLayer {
  constructor(before) {
    super(before, false);
    const offscreen = this.canvas.transferControlToOffscreen();
    screenCall({ screen: offscreen }, [offscreen]);
  }

  hold() {}

  // Puts a picture on screen unless the worker did (screened); seq, when
  // not 0, is the newest request the picture stands for, so that replies to
  // older ones stay off the screen. Resolves with when it went there (clock).
  take(picture, seq, screened) {
    const put = picture !== this.picture && !screened;
    this.picture = picture;
    if (screened) return Promise.resolve(picture.timing.painted);
    const bytes = put ? picture.bytes.slice() : null;
    return screenCall({ seq, display: bytes && { width: picture.width, height: picture.height, bytes } },
                      bytes ? [bytes.buffer] : []).then((reply) => reply.shownAt);
  }

  read() {
    return screenCall({ read: true });
  }
}

export class Viewer {
  constructor(canvas, frameWidth, frameHeight) {
    this.canvas = canvas;
    this.ctx = canvas.getContext('2d');
    this.frameWidth = frameWidth;
    this.frameHeight = frameHeight;
    this.backdrop = document.createElement('div');
    this.backdrop.className = 'backdrop';
    this.backdrop.style.backgroundSize = `${CHECKER_PX}px ${CHECKER_PX}px`;
    canvas.before(this.backdrop);
    this.layers = { before: new PictureLayer(canvas), after: new ScreenLayer(canvas) };
    for (const layer of Object.values(this.layers)) {
      layer.canvas.style.width = `${frameWidth}px`;
      layer.canvas.style.height = `${frameHeight}px`;
    }
    this.placed = null;
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
    this.drawQueued = false;
    this.overlayStale = true;
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
    this.canvas.width = Math.max(1, Math.round(this.cssWidth * ratio));
    this.canvas.height = Math.max(1, Math.round(this.cssHeight * ratio));
    this.placed = null;
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

  // A new picture redraws only the pictures, not the overlay. An after
  // picture goes to the screen at once (see ScreenLayer.take); the promise
  // says when. A before picture is drawn with the next display frame (null).
  show(picture, which = 'after', { seq = 0, screened = false } = {}) {
    this[which] = picture;
    this.requestDraw(false);
    if (which !== 'after') return null;
    if (screened) this.timed(picture.timing);
    return this.layers.after.take(picture, seq, screened);
  }

  timed(timing) {
    this.painted.push(timing);
    if (this.painted.length > 2000) this.painted.shift();
  }

  requestDraw(overlay = true) {
    if (overlay) this.overlayStale = true;
    if (this.drawQueued) return;
    this.drawQueued = true;
    requestAnimationFrame(() => {
      this.drawQueued = false;
      this.draw();
    });
  }

  // The pixels of the picture shown in the mode (the after one in split
  // view) as its canvas holds them, and whether it is visible; for tests.
  async readShown() {
    const layer = this.layers[this.mode === 'before' ? 'before' : 'after'];
    return { visible: getComputedStyle(layer.canvas).visibility === 'visible', ...await layer.read() };
  }

  draw() {
    this.placePictures();
    if (this.overlayStale) this.paintOverlay();
    this.overlayStale = false;
    if (this.onDrawn) this.onDrawn();
  }

  // The pictures' bytes into their canvases, and the view into their styles;
  // the style is written only when the view changed.
  placePictures() {
    const shown = { before: this.mode !== 'after' && this.before, after: this.mode !== 'before' && this.after };
    for (const [which, layer] of Object.entries(this.layers)) layer.hold(shown[which]);
    const ratio = this.canvas.width / Math.max(1, this.cssWidth);
    const state = [this.mode, this.split, this.zoom, this.offsetX, this.offsetY, ratio, Boolean(shown.before),
                   Boolean(shown.after)];
    if (this.placed && state.every((v, i) => v === this.placed[i])) return;
    this.placed = state;
    const place = `translate(${this.offsetX}px, ${this.offsetY}px)`;
    const backdrop = this.backdrop.style;
    backdrop.transform = place;
    backdrop.width = `${this.frameWidth * this.zoom}px`;
    backdrop.height = `${this.frameHeight * this.zoom}px`;
    // Smoothed when shrunk; enlarged (100 % included), pixels stay square and sharp.
    const rendering = this.zoom * ratio < 1 ? 'auto' : 'pixelated';
    const cut = this.frameWidth * this.split;
    const clips = this.mode === 'split'
      ? { before: `inset(0 ${this.frameWidth - cut}px 0 0)`, after: `inset(0 0 0 ${cut}px)` } : { before: 'none', after: 'none' };
    for (const [which, layer] of Object.entries(this.layers)) {
      layer.set('visibility', shown[which] ? 'visible' : 'hidden');
      layer.set('transform', `${place} scale(${this.zoom})`);
      layer.set('imageRendering', rendering);
      layer.set('clipPath', clips[which]);
    }
  }

  paintOverlay() {
    const ratio = this.canvas.width / Math.max(1, this.cssWidth);
    const ctx = this.ctx;
    ctx.setTransform(1, 0, 0, 1, 0, 0);
    ctx.clearRect(0, 0, this.canvas.width, this.canvas.height);
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
