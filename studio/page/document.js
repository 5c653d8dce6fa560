// The parameter document: an object from qualified parameter names to a
// constant or a list of keyframes, exactly as the command reads it. Edits make
// a new document and leave untouched entries (keyframe lists included) as they
// were, so a file opens and saves back unchanged.

export function isKeyframed(value) {
  return Array.isArray(value) && value.length > 0 && typeof value[0] === 'object' &&
    value[0] !== null && !Array.isArray(value[0]) && 'frame' in value[0];
}

export function keyAt(value, frame) {
  return isKeyframed(value) ? value.find((key) => key.frame === frame) : undefined;
}

// Sets a parameter at a frame: a constant is replaced; in a keyframe list the
// key at that frame takes the value, or a new key is put in order there.
export function withValue(doc, name, value, frame) {
  const next = { ...doc };
  const old = doc[name];
  if (!isKeyframed(old)) {
    next[name] = value;
    return next;
  }
  const keys = old.filter((key) => key.frame !== frame);
  const existing = keyAt(old, frame);
  keys.push(existing ? { ...existing, value } : { frame, value });
  keys.sort((a, b) => a.frame - b.frame);
  next[name] = keys;
  return next;
}

// Several parameters at once (a dragged point moves its handle too).
export function withValues(doc, changes, frame) {
  let next = doc;
  for (const [name, value] of Object.entries(changes)) next = withValue(next, name, value, frame);
  return next;
}

export function sameDoc(a, b) {
  return JSON.stringify(a) === JSON.stringify(b);
}
