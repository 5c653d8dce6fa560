// Patches written into the held picture: spans land at their offsets, and a
// patch that does not fit is refused before any byte changes; the range
// written is reported.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { applySpans } from '../../../studio/page/api.js';

const span = (offset, bytes) => [offset, 0, 0, 0, bytes.length, 0, 0, 0, ...bytes];

test('spans patch the picture, or a bad patch leaves it alone', () => {
  const rows = [
    { name: 'two spans', patch: [...span(1, [9, 8]), ...span(5, [7])], picture: [0, 9, 8, 0, 0, 7], written: [1, 6] },
    { name: 'no spans', patch: [], picture: [0, 0, 0, 0, 0, 0], written: [0, 0] },
    { name: 'a span ending at the last byte', patch: span(4, [5, 6]), picture: [0, 0, 0, 0, 5, 6], written: [4, 6] },
    { name: 'a span past the end', patch: [...span(0, [1]), ...span(5, [5, 6])], error: /outside its picture/ },
    { name: 'a span longer than the patch', patch: span(0, [1, 2]).slice(0, 9), error: /outside its picture/ },
    { name: 'a record cut short', patch: [...span(0, [1]), 3, 0, 0], error: /cut short/ },
  ];
  for (const row of rows) {
    const picture = new Uint8ClampedArray(6);
    const patch = Uint8Array.from(row.patch);
    if (row.error) {
      assert.throws(() => applySpans(picture, patch), row.error, row.name);
      assert.deepEqual([...picture], [0, 0, 0, 0, 0, 0], `${row.name}: untouched`);
    } else {
      assert.deepEqual(applySpans(picture, patch), row.written, `${row.name}: bytes written`);
      assert.deepEqual([...picture], row.picture, row.name);
    }
  }
});
