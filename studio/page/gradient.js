// The gradient editor: the bar as the effect computes it (centre of the
// stroke on the left, edge on the right), the colour dots as draggable stops,
// and the selected dot's colour, opacity and switch. The dots are found in the
// parameter table: every group that has Activate, Color, Gradient Position and
// Opacity.
import { postPicture } from './api.js';
import { LatestOnly } from './scheduler.js';
import { colorText, parseTyped } from './panel.js';
import { isKeyframed } from './document.js';

export function findDots(params) {
  const names = new Set(params.map((p) => p.name));
  const groups = [...new Set(params.filter((p) => p.group).map((p) => p.group))];
  return groups
    .filter((g) => ['Activate', 'Color', 'Gradient Position', 'Opacity'].every((l) => names.has(`${g}/${l}`)))
    .map((g) => ({ group: g, active: `${g}/Activate`, color: `${g}/Color`,
                   position: `${g}/Gradient Position`, opacity: `${g}/Opacity` }));
}

export class GradientEditor {
  // app: { doc, frame, values, edit(changes), live(changes), settle(), beginGesture(), fail(message), toggleKeys(names) }
  constructor(root, params, app) {
    this.app = app;
    this.dots = findDots(params);
    this.selected = 0;
    root.innerHTML = `
      <div class="gradient-head"><span>Gradient</span><span class="dot-count"></span></div>
      <div class="gradient-track" title="Drag a dot to move it; double-click the bar to switch on another dot there">
        <div class="gradient-stops"></div>
        <canvas class="gradient-bar"></canvas>
      </div>
      <div class="gradient-scale"><span>centre</span><span>edge</span></div>
      <div class="dot-chips"></div>
      <div class="dot-edit">
        <label><input type="checkbox" class="dot-on"> <span class="dot-name"></span></label>
        <button type="button" class="key dot-key" title="Animate this dot: key its colour, opacity and position at this frame">◇</button>
        <input type="color" class="dot-color" title="Colour">
        <label>Opacity <input type="text" class="number dot-opacity"></label>
        <label>Position <input type="text" class="number dot-position"></label>
      </div>`;
    this.bar = root.querySelector('.gradient-bar');
    this.stops = root.querySelector('.gradient-stops');
    this.count = root.querySelector('.dot-count');
    this.chips = root.querySelector('.dot-chips');
    this.editor = {
      on: root.querySelector('.dot-on'), name: root.querySelector('.dot-name'),
      color: root.querySelector('.dot-color'), opacity: root.querySelector('.dot-opacity'),
      position: root.querySelector('.dot-position'), key: root.querySelector('.dot-key'),
    };
    this.loader = new LatestOnly(
      (job) => postPicture('/api/gradient', job),
      (picture) => this.paint(picture),
      (error) => app.fail(error.message));
    this.wire(root);
    // The bar's width as last laid out, kept from the observer so that a
    // refresh after DOM writes does not force a layout to read it.
    new ResizeObserver(() => { this.barWidth = this.bar.clientWidth; }).observe(this.bar);
  }

  dot() { return this.dots[this.selected]; }

  wire(root) {
    const e = this.editor;
    e.on.addEventListener('change', () => this.app.edit({ [this.dot().active]: e.on.checked }));
    e.key.addEventListener('click', () => this.app.toggleKeys(this.animated(this.dot())));
    e.color.addEventListener('input', () => this.app.live({ [this.dot().color]: e.color.value }));
    e.color.addEventListener('change', () => this.app.settle());
    for (const [input, key] of [[e.opacity, 'opacity'], [e.position, 'position']]) {
      input.addEventListener('change', () => {
        const value = parseTyped(input.value);
        if (Number.isNaN(value)) this.app.fail(`${this.dot()[key]}: "${input.value}" is not a number`);
        else this.app.edit({ [this.dot()[key]]: value });
      });
      input.addEventListener('keydown', (ev) => { if (ev.key === 'Enter') input.blur(); });
    }
    this.dots.forEach((d, i) => {
      const chip = document.createElement('button');
      chip.className = 'chip';
      chip.textContent = String(i + 1);
      chip.title = `${d.group}: click to select`;
      chip.addEventListener('click', () => this.select(i));
      this.chips.append(chip);
    });
    // The stops are made once: one that is rebuilt while it is dragged would lose the pointer.
    this.stopNodes = this.dots.map((d, i) => {
      const stop = document.createElement('div');
      stop.className = 'stop';
      stop.dataset.dot = String(i + 1);
      stop.addEventListener('pointerdown', (ev) => this.startDrag(ev, i));
      this.stops.append(stop);
      return stop;
    });
    root.querySelector('.gradient-track').addEventListener('dblclick', (ev) => this.addAt(ev));
  }

  // What a dot's key toggle keys.
  animated(d) { return [d.color, d.opacity, d.position]; }

  select(i) {
    this.selected = i;
    this.refresh();
  }

  positionAt(clientX) {
    const rect = this.bar.getBoundingClientRect();
    const t = Math.min(1, Math.max(0, (clientX - rect.left) / rect.width));
    return Math.round(t * 10000) / 100;
  }

  addAt(event) {
    if (event.target.classList.contains('stop')) return;
    const values = this.app.values;
    const free = this.dots.findIndex((d) => !values[d.active]);
    if (free < 0) {
      this.app.fail(`All ${this.dots.length} colour dots are on: switch one off first`);
      return;
    }
    const d = this.dots[free];
    this.selected = free;
    this.app.edit({ [d.active]: true, [d.position]: this.positionAt(event.clientX) });
  }

  startDrag(event, i) {
    event.preventDefault();
    const stop = event.currentTarget;
    stop.setPointerCapture(event.pointerId);
    this.select(i);
    this.app.beginGesture();
    const move = (ev) => this.app.live({ [this.dots[i].position]: this.positionAt(ev.clientX) });
    const end = (ev, cancelled) => {
      stop.removeEventListener('pointermove', move);
      stop.removeEventListener('pointerup', up);
      stop.removeEventListener('pointercancel', cancel);
      stop.removeEventListener('lostpointercapture', up);
      if (cancelled) this.app.cancelGesture();
      else this.app.settle();
    };
    const up = (ev) => end(ev, false);
    const cancel = (ev) => end(ev, true);
    stop.addEventListener('pointermove', move);
    stop.addEventListener('pointerup', up);
    stop.addEventListener('pointercancel', cancel);
    stop.addEventListener('lostpointercapture', up, { once: true });
  }

  // Redraws the stops and the selected dot's fields from the current values,
  // and asks for the bar at the current document.
  refresh() {
    const values = this.app.values;
    const on = this.dots.filter((d) => values[d.active]).length;
    this.count.textContent = `${on} of ${this.dots.length} dots on`;
    this.dots.forEach((d, i) => {
      this.chips.children[i].classList.toggle('on', Boolean(values[d.active]));
      this.chips.children[i].classList.toggle('selected', i === this.selected);
      const stop = this.stopNodes[i];
      stop.hidden = !values[d.active];
      stop.classList.toggle('selected', i === this.selected);
      stop.style.left = `${values[d.position]}%`;
      stop.style.setProperty('--dot', colorText(values[d.color]));
      stop.title = `${d.group} at ${values[d.position]}: drag to move, click to edit`;
    });
    const d = this.dot();
    if (d) {
      const e = this.editor;
      e.name.textContent = d.group;
      e.on.checked = Boolean(values[d.active]);
      e.color.value = colorText(values[d.color]);
      const keyed = this.animated(d).some((n) => isKeyframed(this.app.doc[n]));
      e.key.classList.toggle('on', keyed);
      if (e.key.textContent !== (keyed ? '◆' : '◇')) e.key.textContent = keyed ? '◆' : '◇';
      if (document.activeElement !== e.opacity) e.opacity.value = String(values[d.opacity]);
      if (document.activeElement !== e.position) e.position.value = String(values[d.position]);
    }
    const width = Math.max(16, Math.round((this.barWidth ?? this.bar.clientWidth) * (window.devicePixelRatio || 1)));
    // The row does not depend on the path: a point dragged over the frame asks
    // for no new row (each one is drawn under the lock the frame's render needs).
    const key = JSON.stringify([withoutPath(this.app.doc), this.app.frame, width]);
    if (key === this.requestedKey) return;
    this.requestedKey = key;
    this.loader.request({ doc: this.app.doc, frame: this.app.frame, width });
  }

  paint(picture) {
    this.bar.width = picture.width;
    this.bar.height = 1;
    this.bar.getContext('2d').putImageData(new ImageData(picture.bytes, picture.width, 1), 0, 0);
  }
}

// Whether a parameter is one of the path's points and handles, which the
// gradient row never depends on.
export function isPathName(name) {
  return name.startsWith('Point ');
}

function withoutPath(doc) {
  return Object.fromEntries(Object.entries(doc).filter(([name]) => !isPathName(name)));
}
