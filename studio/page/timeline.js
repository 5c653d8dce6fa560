// The timeline under the frame: a ruler of frame numbers and times at the
// rate, the playhead (scrubbed from mouse-down on the ruler or an empty part of
// the rows), a summary row of every key and one row per animated parameter
// with its keys as diamonds whose shape says the ease. Keys are selected
// (Shift adds), dragged in time as one undo step, given an ease from the menu
// on right-click, and under a slider's row its value curve can be shown.
import { keysOf, allowedShift } from './keys.js';
import { isKeyframed } from './document.js';

const LABEL_W = 180;
const PAD = 10;
const RULER_H = 30;
const ROW_H = 20;
const CURVE_H = 44;
const KEY_R = 6;
const HIT_R = 8;
const COLORS = { text: '#d6d6d6', dim: '#8c8c8c', line: '#3a3a3a', band: '#242424', key: '#cfcfcf',
                 selected: '#e0b449', playhead: '#e0b449', curve: '#9ab8d8' };

export function parseRate(text) {
  const [n, d = '1'] = String(text).split('/');
  return Number(n) / Number(d);
}

// "0:01.50": minutes, seconds and hundredths of the time of a frame at the rate.
export function timeText(frame, rate) {
  const t = frame / rate;
  const sign = t < 0 ? '-' : '';
  const a = Math.abs(t);
  return `${sign}${Math.floor(a / 60)}:${(a % 60).toFixed(2).padStart(5, '0')}`;
}

// Ruler step: the smallest of 1, 2, 5, 10, 20, 50, ... frames that leaves
// at least minPx between labels.
function tickStep(pxPerFrame, minPx) {
  for (let step = 1; ; step *= 10) {
    for (const m of [1, 2, 5]) if (step * m * pxPerFrame >= minPx) return step * m;
  }
}

// The diamond's shape tells the ease: linear a diamond, hold a square, "in"
// rounded on its left (the value arrives slowly), "out" rounded on its right,
// "in-out" a circle.
function keyPath(ctx, x, y, ease, r = KEY_R) {
  ctx.beginPath();
  if (ease === 'hold') {
    ctx.rect(x - r + 1, y - r + 1, 2 * r - 2, 2 * r - 2);
  } else if (ease === 'in-out') {
    ctx.arc(x, y, r, 0, 2 * Math.PI);
  } else if (ease === 'in' || ease === 'out') {
    const round = ease === 'in' ? -1 : 1;
    ctx.moveTo(x, y - r);
    ctx.arc(x, y, r, -Math.PI / 2, Math.PI / 2, round < 0);
    ctx.lineTo(x - round * r, y);
    ctx.closePath();
  } else {
    ctx.moveTo(x, y - r);
    ctx.lineTo(x + r, y);
    ctx.lineTo(x, y + r);
    ctx.lineTo(x - r, y);
    ctx.closePath();
  }
}

function fitCanvas(canvas, cssHeight) {
  const ratio = window.devicePixelRatio || 1;
  const width = canvas.parentElement.clientWidth;
  const w = Math.max(1, Math.round(width * ratio));
  const h = Math.max(1, Math.round(cssHeight * ratio));
  // Setting a size, even the same one, reallocates the canvas: only when it changed.
  if (canvas.width !== w || canvas.height !== h) {
    canvas.style.height = `${cssHeight}px`;
    canvas.width = w;
    canvas.height = h;
  }
  const ctx = canvas.getContext('2d');
  ctx.setTransform(ratio, 0, 0, ratio, 0, 0);
  return { ctx, width };
}

export class Timeline {
  // app: { session, params, doc, frame, setFrame(f), editDoc(doc), moveSelectedKeys(delta),
  //        curves: Map name -> {values}, wantCurve(name, on), keyMenu(x, y) }
  constructor(root, app) {
    this.app = app;
    this.ruler = root.querySelector('#ruler');
    this.rowsCanvas = root.querySelector('#rows');
    this.first = app.session.first;
    this.last = app.session.last;
    this.rate = parseRate(app.session.fps);
    this.selection = []; // picks {name, frame}
    this.curveShown = new Set();
    this.gesture = null;
    // A row's label is the parameter's, with its group's name where the label alone is ambiguous.
    const params = app.params.filter((p) => 'default' in p);
    const count = (label) => params.filter((p) => p.label === label).length;
    this.labels = new Map(params.map((p) => [p.name, {
      label: p.group && count(p.label) > 1 ? `${p.group} · ${p.label}` : (p.label || p.name), type: p.type }]));
    for (const canvas of [this.ruler, this.rowsCanvas]) {
      canvas.addEventListener('pointerdown', (e) => this.down(e, canvas));
      canvas.addEventListener('pointermove', (e) => this.move(e));
      canvas.addEventListener('pointerup', (e) => this.up(e));
      canvas.addEventListener('pointercancel', () => { this.gesture = null; this.draw(); });
    }
    this.rowsCanvas.addEventListener('contextmenu', (e) => this.contextMenu(e));
    new ResizeObserver(() => this.draw()).observe(root);
  }

  get width() { return this.ruler.parentElement.clientWidth; }
  get pxPerFrame() { return (this.width - LABEL_W - 2 * PAD) / Math.max(1, this.last - this.first); }
  frameToX(frame) { return LABEL_W + PAD + (frame - this.first) * this.pxPerFrame; }
  xToFrame(x) {
    return Math.min(this.last, Math.max(this.first, Math.round(this.first + (x - LABEL_W - PAD) / this.pxPerFrame)));
  }

  // The rows: the summary, then each animated parameter in the panel's order,
  // a slider's curve under it when shown.
  rows() {
    const doc = this.app.doc;
    const rows = [{ kind: 'summary', label: 'All keys', height: ROW_H }];
    for (const [name, info] of this.labels) {
      if (!isKeyframed(doc[name])) continue;
      rows.push({ kind: 'param', name, label: info.label, type: info.type, height: ROW_H });
      if (this.curveShown.has(name)) rows.push({ kind: 'curve', name, height: CURVE_H });
    }
    let y = 0;
    for (const row of rows) {
      row.y = y;
      y += row.height;
    }
    return rows;
  }

  // Where a key of a parameter is drawn, in page coordinates (for tests).
  keyOnPage(name, frame) {
    const row = this.rows().find((r) => (name === null ? r.kind === 'summary' : r.kind === 'param' && r.name === name));
    const rect = this.rowsCanvas.getBoundingClientRect();
    return row && [rect.left + this.frameToX(frame), rect.top + row.y + row.height / 2];
  }

  isSelected(name, frame) {
    return this.selection.some((p) => p.name === name && p.frame === frame);
  }

  keysAt(frame) {
    const picks = [];
    for (const name of this.labels.keys()) {
      if (keysOf(this.app.doc[name]).some((k) => k.frame === frame)) picks.push({ name, frame });
    }
    return picks;
  }

  // The key(s) under (x, y) on the rows canvas: picks, or null; or the
  // curve switch of a slider's label.
  hit(x, y) {
    const row = this.rows().find((r) => y >= r.y && y < r.y + r.height);
    if (!row || row.kind === 'curve') return null;
    if (x < LABEL_W) return row.kind === 'param' && row.type === 'slider' && x > LABEL_W - 22 ? { curve: row.name } : null;
    const frames = row.kind === 'summary'
      ? [...new Set(this.rows().filter((r) => r.kind === 'param').flatMap((r) => keysOf(this.app.doc[r.name]).map((k) => k.frame)))]
      : keysOf(this.app.doc[row.name]).map((k) => k.frame);
    let best = null;
    for (const f of frames) {
      const d = Math.abs(this.frameToX(f) - x);
      if (d <= HIT_R && (!best || d < best.d)) best = { d, frame: f };
    }
    if (!best) return null;
    return { picks: row.kind === 'summary' ? this.keysAt(best.frame) : [{ name: row.name, frame: best.frame }] };
  }

  local(event) {
    const rect = event.currentTarget.getBoundingClientRect();
    return [event.clientX - rect.left, event.clientY - rect.top];
  }

  down(event, canvas) {
    if (event.button !== 0) return;
    this.app.focusArea = 'timeline';
    this.app.closeMenu?.();
    const [x, y] = this.local(event);
    canvas.setPointerCapture(event.pointerId);
    const found = canvas === this.rowsCanvas ? this.hit(x, y) : null;
    if (found?.curve) return this.toggleCurve(found.curve);
    if (found) {
      const all = found.picks.every((p) => this.isSelected(p.name, p.frame));
      if (event.shiftKey) {
        this.selection = all ? this.selection.filter((s) => !found.picks.some((p) => p.name === s.name && p.frame === s.frame))
          : [...this.selection, ...found.picks];
      } else if (!all) {
        this.selection = found.picks;
      }
      this.gesture = { keys: true, x0: x, delta: 0, id: event.pointerId };
      this.draw();
      return;
    }
    if (x < LABEL_W && canvas === this.rowsCanvas) return;
    if (!event.shiftKey) this.selection = [];
    this.gesture = { scrub: true, id: event.pointerId };
    this.app.setFrame(this.xToFrame(x));
  }

  toggleCurve(name) {
    if (this.curveShown.has(name)) this.curveShown.delete(name);
    else this.curveShown.add(name);
    this.app.wantCurve(name, this.curveShown.has(name));
    this.draw();
  }

  move(event) {
    const g = this.gesture;
    if (!g || g.id !== event.pointerId) return;
    const [x] = this.local(event);
    if (g.scrub) {
      const frame = this.xToFrame(x);
      if (frame !== this.app.frame) this.app.setFrame(frame);
      return;
    }
    const delta = allowedShift(this.selection, Math.round((x - g.x0) / this.pxPerFrame), [this.first, this.last]);
    if (delta !== g.delta) {
      g.delta = delta;
      this.draw();
    }
  }

  up(event) {
    const g = this.gesture;
    if (!g || g.id !== event.pointerId) return;
    this.gesture = null;
    if (g.keys && g.delta !== 0) this.app.moveSelectedKeys(g.delta);
    this.draw();
  }

  contextMenu(event) {
    event.preventDefault();
    const [x, y] = this.local(event);
    const found = this.hit(x, y);
    if (!found?.picks) return;
    if (!found.picks.every((p) => this.isSelected(p.name, p.frame))) this.selection = found.picks;
    this.draw();
    this.app.keyMenu(event.clientX, event.clientY);
  }

  // The selection follows keys that moved by delta; picks whose key is gone are dropped.
  afterMove(delta) {
    this.selection = this.selection.map((p) => ({ name: p.name, frame: p.frame + delta }));
  }

  prune() {
    this.selection = this.selection.filter((p) => keysOf(this.app.doc[p.name]).some((k) => k.frame === p.frame));
  }

  // At most one redraw per display frame, however many changes ask for it.
  draw() {
    if (this.drawQueued) return;
    this.drawQueued = true;
    requestAnimationFrame(() => {
      this.drawQueued = false;
      this.prune();
      this.drawRuler();
      this.drawRows();
    });
  }

  drawRuler() {
    const { ctx, width } = fitCanvas(this.ruler, RULER_H);
    ctx.clearRect(0, 0, width, RULER_H);
    ctx.font = '11px system-ui, sans-serif';
    ctx.textBaseline = 'top';
    ctx.fillStyle = COLORS.dim;
    ctx.fillText('frame', 8, 3);
    ctx.fillText(`time at ${+this.rate.toFixed(3)} fps`, 8, 16);
    const step = tickStep(this.pxPerFrame, 46);
    const minor = tickStep(this.pxPerFrame, 6);
    ctx.strokeStyle = COLORS.line;
    ctx.beginPath();
    for (let f = Math.ceil(this.first / minor) * minor; f <= this.last; f += minor) {
      const x = Math.round(this.frameToX(f)) + 0.5;
      ctx.moveTo(x, f % step === 0 ? 0 : RULER_H - 6);
      ctx.lineTo(x, RULER_H);
    }
    ctx.stroke();
    for (let f = Math.ceil(this.first / step) * step; f <= this.last; f += step) {
      const x = Math.round(this.frameToX(f));
      if (x + 3 + ctx.measureText(timeText(f, this.rate)).width > width) break; // no room for its label
      ctx.fillStyle = COLORS.text;
      ctx.fillText(String(f), x + 3, 3);
      ctx.fillStyle = COLORS.dim;
      ctx.fillText(timeText(f, this.rate), x + 3, 16);
    }
    this.drawPlayhead(ctx, RULER_H, true);
  }

  drawPlayhead(ctx, height, flag) {
    const x = Math.round(this.frameToX(this.app.frame)) + 0.5;
    ctx.strokeStyle = COLORS.playhead;
    ctx.beginPath();
    ctx.moveTo(x, 0);
    ctx.lineTo(x, height);
    ctx.stroke();
    if (flag) {
      ctx.fillStyle = COLORS.playhead;
      ctx.beginPath();
      ctx.moveTo(x - 5, RULER_H - 8);
      ctx.lineTo(x + 5, RULER_H - 8);
      ctx.lineTo(x, RULER_H);
      ctx.fill();
    }
  }

  drawRows() {
    const rows = this.rows();
    const height = Math.max(rows.at(-1).y + rows.at(-1).height, this.rowsCanvas.parentElement.clientHeight - 1);
    const { ctx, width } = fitCanvas(this.rowsCanvas, height);
    ctx.clearRect(0, 0, width, height);
    ctx.font = '12px system-ui, sans-serif';
    ctx.textBaseline = 'middle';
    const drag = this.gesture?.keys ? this.gesture.delta : 0;
    const summary = new Map(); // frame -> {selected}
    rows.forEach((row, i) => {
      if (i % 2 === 0 || row.kind === 'curve') {
        ctx.fillStyle = COLORS.band;
        ctx.fillRect(0, row.y, width, row.height);
      }
      if (row.kind === 'curve') return this.drawCurve(ctx, row);
      if (row.kind === 'param') this.drawLabel(ctx, row);
      if (row.kind !== 'param') return;
      for (const k of keysOf(this.app.doc[row.name])) {
        const selected = this.isSelected(row.name, k.frame);
        const frame = k.frame + (selected ? drag : 0);
        this.drawKey(ctx, frame, row.y + ROW_H / 2, k.ease, selected);
        const s = summary.get(frame) || { selected: false };
        s.selected ||= selected;
        summary.set(frame, s);
      }
    });
    ctx.fillStyle = COLORS.text;
    ctx.font = '600 12px system-ui, sans-serif';
    ctx.fillText(rows.length > 1 ? 'All keys' : 'No keys: ◇ beside a parameter animates it', 8, ROW_H / 2);
    for (const [frame, s] of summary) this.drawKey(ctx, frame, ROW_H / 2, 'linear', s.selected, 4);
    ctx.strokeStyle = COLORS.line;
    ctx.beginPath();
    ctx.moveTo(LABEL_W + 0.5, 0);
    ctx.lineTo(LABEL_W + 0.5, height);
    ctx.stroke();
    this.drawPlayhead(ctx, height, false);
  }

  drawLabel(ctx, row) {
    const room = LABEL_W - 16 - (row.type === 'slider' ? 22 : 0);
    let text = row.label;
    if (ctx.measureText(text).width > room) {
      while (text.length > 1 && ctx.measureText(`${text}…`).width > room) text = text.slice(0, -1);
      text += '…';
    }
    ctx.fillStyle = COLORS.text;
    ctx.fillText(text, 16, row.y + ROW_H / 2);
    if (row.type === 'slider') {
      ctx.fillStyle = this.curveShown.has(row.name) ? COLORS.curve : COLORS.dim;
      ctx.fillText('∿', LABEL_W - 18, row.y + ROW_H / 2);
    }
  }

  drawKey(ctx, frame, y, ease, selected, r = KEY_R) {
    keyPath(ctx, this.frameToX(frame), y, ease, r);
    ctx.fillStyle = selected ? COLORS.selected : COLORS.key;
    ctx.fill();
    ctx.strokeStyle = '#111';
    ctx.lineWidth = 1;
    ctx.stroke();
  }

  drawCurve(ctx, row) {
    const curve = this.app.curves.get(row.name);
    if (!curve || !curve.values.length) return;
    const values = curve.values;
    const lo = Math.min(...values);
    const hi = Math.max(...values);
    const top = row.y + 6;
    const span = row.height - 12;
    const yOf = (v) => (hi > lo ? top + span * (1 - (v - lo) / (hi - lo)) : top + span / 2);
    ctx.fillStyle = COLORS.dim;
    ctx.font = '10px system-ui, sans-serif';
    ctx.fillText(`${+hi.toFixed(3)}`, 16, top + 3);
    ctx.fillText(`${+lo.toFixed(3)}`, 16, top + span - 3);
    ctx.strokeStyle = COLORS.curve;
    ctx.beginPath();
    curve.frames.forEach((f, i) => {
      const x = this.frameToX(f);
      if (i) ctx.lineTo(x, yOf(values[i]));
      else ctx.moveTo(x, yOf(values[i]));
    });
    ctx.stroke();
    ctx.font = '12px system-ui, sans-serif';
  }
}
