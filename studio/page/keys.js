// Keyframe edits on the parameter document, each making a new document. A
// key is {frame, value, ease}; "linear" is written by leaving the ease out,
// as the command writes it back. A pick names one key: {name, frame}.
import { isKeyframed } from './document.js';

export const EASES = ['linear', 'in', 'out', 'in-out', 'hold'];

export function keysOf(value) {
  return isKeyframed(value) ? value : [];
}

function makeKey(frame, value, ease) {
  return ease && ease !== 'linear' ? { frame, value, ease } : { frame, value };
}

function sorted(keys) {
  return [...keys].sort((a, b) => a.frame - b.frame);
}

// Switches a parameter to keys: one key at the frame with the value shown there.
export function animate(doc, name, value, frame) {
  return { ...doc, [name]: [makeKey(frame, value)] };
}

// Switches a parameter back to a constant: the value it has at the frame shown.
export function makeConstant(doc, name, value) {
  return { ...doc, [name]: value };
}

function groupByName(picks) {
  const byName = new Map();
  for (const { name, frame } of picks) {
    if (!byName.has(name)) byName.set(name, new Set());
    byName.get(name).add(frame);
  }
  return byName;
}

// delta frames, or less so that every picked key stays in [first, last].
export function allowedShift(picks, delta, [first, last]) {
  if (!picks.length) return 0;
  const frames = picks.map((p) => p.frame);
  return Math.max(first - Math.min(...frames), Math.min(last - Math.max(...frames), delta));
}

// Moves the picked keys by delta frames, as far as the range allows for all
// of them together. A moved key lands on an unpicked key's frame by taking
// its place.
export function moveKeys(doc, picks, delta, range) {
  const shift = allowedShift(picks, delta, range);
  if (shift === 0) return doc;
  const next = { ...doc };
  for (const [name, chosen] of groupByName(picks)) {
    const keys = keysOf(doc[name]);
    const moved = keys.filter((k) => chosen.has(k.frame)).map((k) => ({ ...k, frame: k.frame + shift }));
    const landed = new Set(moved.map((k) => k.frame));
    const stay = keys.filter((k) => !chosen.has(k.frame) && !landed.has(k.frame));
    next[name] = sorted([...stay, ...moved]);
  }
  return next;
}

// Removes the picked keys; a parameter left without keys keeps valueOf(name)
// (its value at the frame shown) as a constant.
export function deleteKeys(doc, picks, valueOf) {
  const next = { ...doc };
  for (const [name, chosen] of groupByName(picks)) {
    const left = keysOf(doc[name]).filter((k) => !chosen.has(k.frame));
    next[name] = left.length ? left : valueOf(name);
  }
  return next;
}

export function setEase(doc, picks, ease) {
  if (!EASES.includes(ease)) throw new Error(`ease "${ease}" is not one of ${EASES.join(', ')}`);
  const next = { ...doc };
  for (const [name, chosen] of groupByName(picks)) {
    next[name] = keysOf(doc[name]).map((k) => (chosen.has(k.frame) ? makeKey(k.frame, k.value, ease) : k));
  }
  return next;
}

// The picked keys relative to the earliest of them, for pasting elsewhere.
export function copyKeys(doc, picks) {
  const start = Math.min(...picks.map((p) => p.frame));
  return picks.map(({ name, frame }) => {
    const key = keysOf(doc[name]).find((k) => k.frame === frame);
    return { name, offset: frame - start, value: key?.value, ease: key?.ease };
  }).filter((c) => c.value !== undefined);
}

// Puts copied keys at frame (the earliest one there); keys outside the range
// are left out, keys already at a target frame are replaced.
export function pasteKeys(doc, clip, frame, [first, last]) {
  const next = { ...doc };
  for (const c of clip) {
    const at = frame + c.offset;
    if (at < first || at > last) continue;
    const keys = keysOf(next[c.name]).filter((k) => k.frame !== at);
    next[c.name] = sorted([...keys, makeKey(at, c.value, c.ease)]);
  }
  return next;
}

// Every key frame of the document, ascending, for previous/next key jumps.
export function keyFrames(doc) {
  const frames = new Set();
  for (const value of Object.values(doc)) for (const k of keysOf(value)) frames.add(k.frame);
  return [...frames].sort((a, b) => a - b);
}
