// Key edits on the document: where moved, deleted, eased and pasted keys end up.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { moveKeys, deleteKeys, setEase, copyKeys, pasteKeys, keyFrames } from '../../../studio/page/keys.js';

const RANGE = [0, 48];
const doc = {
  W: [{ frame: 0, value: 10 }, { frame: 24, value: 20, ease: 'in' }, { frame: 48, value: 30 }],
  P: [{ frame: 12, value: [1, 2], ease: 'hold' }, { frame: 36, value: [3, 4] }],
  C: 5,
};
const W = (...frames) => frames.map((frame) => ({ name: 'W', frame }));

test('key edits give the documents the command reads', () => {
  const cases = [
    ['a key moved onto another replaces it', moveKeys(doc, W(48), -24, RANGE).W,
      [{ frame: 0, value: 10 }, { frame: 24, value: 30 }]],
    ['a move stops where the first key meets the range', moveKeys(doc, W(0, 24), -5, RANGE), doc],
    ['... or the last', moveKeys(doc, W(24), 30, RANGE).W, [doc.W[0], { frame: 48, value: 20, ease: 'in' }]],
    ['keys of two parameters move together', moveKeys(doc, [...W(24), { name: 'P', frame: 36 }], 10, RANGE),
      { ...doc, W: [doc.W[0], { frame: 34, value: 20, ease: 'in' }, doc.W[2]], P: [doc.P[0], { frame: 46, value: [3, 4] }] }],
    ['the last key deleted leaves the value shown', deleteKeys(doc, [{ name: 'P', frame: 12 }, { name: 'P', frame: 36 }], () => [7, 8]).P, [7, 8]],
    ['linear is written by leaving the ease out', setEase(doc, W(24, 48), 'linear').W, [doc.W[0], { frame: 24, value: 20 }, doc.W[2]]],
    ['an ease is set on the picked keys only', setEase(doc, W(0), 'in-out').W, [{ frame: 0, value: 10, ease: 'in-out' }, doc.W[1], doc.W[2]]],
    ['pasted keys keep their spacing and ease; past the range they are left out',
      pasteKeys(doc, copyKeys(doc, [...W(24, 48), { name: 'P', frame: 12 }]), 36, RANGE),
      { ...doc, W: [doc.W[0], doc.W[1], { frame: 48, value: 20, ease: 'in' }], P: [doc.P[0], { frame: 36, value: [1, 2], ease: 'hold' }] }],
    ['a pasted key animates a constant', pasteKeys(doc, [{ name: 'C', offset: 0, value: 9 }], 0, RANGE).C, [{ frame: 0, value: 9 }]],
    ['key frames of the whole document', keyFrames(doc), [0, 12, 24, 36, 48]],
  ];
  for (const [name, actual, expected] of cases) assert.deepEqual(actual, expected, name);
  assert.throws(() => setEase(doc, W(0), 'smooth'), /"smooth" is not one of linear, in, out, in-out, hold/);
});
