// The parameter panel, generated from the effect's own parameter table:
// groups as the effect registers them (collapsible), sliders with an exact
// typed entry, checkboxes, popups, colour pickers and points. A typed number
// is kept as typed (1.15 stays 1.15); the slider only ever writes numbers
// rounded to the parameter's precision.
import { isKeyframed } from './document.js';

function element(tag, attributes = {}, ...children) {
  const node = document.createElement(tag);
  for (const [key, value] of Object.entries(attributes)) {
    if (key === 'class') node.className = value;
    else if (key in node && typeof value !== 'string') node[key] = value;
    else node.setAttribute(key, value);
  }
  for (const child of children) node.append(child);
  return node;
}

export function colorText(value) {
  if (Array.isArray(value)) return '#' + value.map((c) => Number(c).toString(16).padStart(2, '0')).join('');
  return String(value).toLowerCase();
}

// "12.5" -> 12.5; anything that is not a plain decimal number -> NaN.
export function parseTyped(text) {
  const trimmed = String(text).trim();
  return /^[-+]?(\d+\.?\d*|\.\d+)(e[-+]?\d+)?$/i.test(trimmed) ? Number(trimmed) : NaN;
}

// A number as a field shows it: a constant exactly as it is held (a typed
// 1.15 stays 1.15); a value between keys, which is whatever the ease made of
// them (18.947368421052634), to three decimals, so that it fits its field.
function shown(value, animated) {
  return String(animated ? Number(Number(value).toFixed(3)) : value);
}

export class ParamPanel {
  // edits: { edit(changes), live(changes), settle(), fail(message), toggleKey(name) }
  constructor(root, params, edits) {
    this.root = root;
    this.edits = edits;
    this.rows = new Map(); // name -> {row, param, set(value), inputs[]}
    this.build(params);
  }

  build(params) {
    const stack = [this.root];
    for (const p of params) {
      const parent = stack[stack.length - 1];
      if (p.type === 'group-start') {
        const details = element('details', { class: 'group' });
        details.open = stack.length === 1;
        details.append(element('summary', {}, p.label || p.name));
        const body = element('div', { class: 'group-body' });
        details.append(body);
        parent.append(details);
        stack.push(body);
        this.rows.set(p.name, { row: details, param: p, set() {}, inputs: [] });
        continue;
      }
      if (p.type === 'group-end') {
        if (stack.length > 1) stack.pop();
        continue;
      }
      const made = this.control(p);
      if (!made) continue;
      const key = element('button', { class: 'key', type: 'button', tabIndex: -1,
                                       title: 'Animate: key this value at this frame (on: an edit keys the frame shown)' }, '◇');
      key.addEventListener('click', () => this.edits.toggleKey(p.name));
      const label = element('label', { class: 'label', title: p.name }, p.label || p.name);
      const row = element('div', { class: `row type-${p.type}`, 'data-name': p.name }, label, key, made.node);
      parent.append(row);
      this.rows.set(p.name, { row, param: p, key, ...made });
    }
  }

  control(p) {
    switch (p.type) {
      case 'slider':
      case 'angle':
        return this.slider(p);
      case 'checkbox': {
        const box = element('input', { type: 'checkbox' });
        box.addEventListener('change', () => this.edits.edit({ [p.name]: box.checked }));
        return { node: box, inputs: [box], set: (v) => { box.checked = Boolean(v); } };
      }
      case 'popup': {
        const select = element('select', {});
        (p.choices || []).forEach((choice) => select.append(element('option', { value: choice }, choice)));
        select.addEventListener('change', () => this.edits.edit({ [p.name]: select.value }));
        return { node: select, inputs: [select],
                 set: (v) => { select.value = typeof v === 'number' ? p.choices[v - 1] : v; } };
      }
      case 'color': {
        const picker = element('input', { type: 'color' });
        picker.addEventListener('input', () => this.edits.live({ [p.name]: picker.value }));
        picker.addEventListener('change', () => this.edits.settle());
        return { node: picker, inputs: [picker], set: (v) => { picker.value = colorText(v); } };
      }
      case 'point':
        return this.point(p);
      default:
        return null;
    }
  }

  slider(p) {
    const step = 10 ** -(p.precision ?? 2);
    const lo = p.slider_min ?? p.min;
    const hi = p.slider_max ?? p.max;
    const range = element('input', { type: 'range', min: String(lo), max: String(hi), step: String(step), tabIndex: -1 });
    const text = element('input', { type: 'text', class: 'number', inputMode: 'decimal', spellcheck: false });
    range.addEventListener('input', () => {
      const value = Number(Number(range.value).toFixed(p.precision ?? 2));
      text.value = String(value);
      this.edits.live({ [p.name]: value });
    });
    range.addEventListener('change', () => this.edits.settle());
    const commitText = () => {
      const value = parseTyped(text.value);
      if (Number.isNaN(value)) {
        this.edits.fail(`${p.name}: "${text.value}" is not a number`);
        return;
      }
      this.edits.edit({ [p.name]: value });
    };
    text.addEventListener('change', commitText);
    text.addEventListener('keydown', (e) => { if (e.key === 'Enter') text.blur(); });
    const node = element('span', { class: 'slider' }, range, text);
    return { node, inputs: [range, text], set: (v, animated) => {
      range.value = String(v);
      if (document.activeElement !== text) text.value = shown(v, animated);
    } };
  }

  point(p) {
    const x = element('input', { type: 'text', class: 'number', inputMode: 'decimal', title: 'x, full-resolution pixels' });
    const y = element('input', { type: 'text', class: 'number', inputMode: 'decimal', title: 'y, full-resolution pixels' });
    const commit = () => {
      const value = [parseTyped(x.value), parseTyped(y.value)];
      if (value.some(Number.isNaN)) this.edits.fail(`${p.name}: "${x.value}, ${y.value}" is not a point`);
      else this.edits.edit({ [p.name]: value });
    };
    for (const input of [x, y]) {
      input.addEventListener('change', commit);
      input.addEventListener('keydown', (e) => { if (e.key === 'Enter') input.blur(); });
    }
    return { node: element('span', { class: 'point' }, x, y), inputs: [x, y], set: (v, animated) => {
      if (!Array.isArray(v)) return;
      if (document.activeElement !== x) x.value = shown(v[0], animated);
      if (document.activeElement !== y) y.value = shown(v[1], animated);
    } };
  }

  // Shows the values at the current frame and the effect's UI state, in the
  // rows named (all of them unless told).
  update(values, ui, doc, names = this.rows.keys()) {
    for (const name of names) {
      const entry = this.rows.get(name);
      if (!entry) continue;
      if (name in values) entry.set(values[name], isKeyframed(doc[name]));
      const state = ui[name];
      if (state) {
        entry.row.hidden = state.visible === false;
        entry.row.classList.toggle('disabled', state.enabled === false);
        for (const input of entry.inputs) input.disabled = state.enabled === false;
      }
      if (entry.key) {
        const on = isKeyframed(doc[name]);
        entry.key.classList.toggle('on', on);
        const mark = on ? '◆' : '◇';
        if (entry.key.textContent !== mark) entry.key.textContent = mark; // an unchanged text would still relayout
      }
    }
  }
}
