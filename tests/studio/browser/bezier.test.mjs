// The page's curve against the positions shared with the effect's own test.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { evaluate, buildPath } from '../../../studio/page/bezier.js';

const shared = JSON.parse(readFileSync(new URL('../../data/bezier-values.json', import.meta.url)));

test('page curve matches the shared exact positions', () => {
  let checked = 0;
  for (const curve of shared.curves) {
    for (const c of curve.cases) {
      assert.deepEqual(evaluate(curve.points, c.t), c.point, `t=${c.t} of ${JSON.stringify(curve.points)}`);
      checked++;
    }
  }
  assert.ok(checked >= 8);
});

// Path construction: which vertices and handles each segment uses.
const A = { active: true, point: [10, 20], handle: [4, 20] };
const B = { active: true, point: [50, 60], handle: [50, 60] }; // handle on its point
const C = { active: false, point: [90, 90], handle: [80, 90] };
test('segments follow the point path rules', async (t) => {
  const rows = [
    { name: 'open A B, inactive C skipped', closed: false,
      want: [[[10, 20], [16, 20], [50.5, 60.5], [50, 60]]] },
    { name: 'closed A B returns to A', closed: true,
      want: [[[10, 20], [16, 20], [50.5, 60.5], [50, 60]], [[50, 60], [49.5, 59.5], [4, 20], [10, 20]]] },
  ];
  for (const row of rows) {
    await t.test(row.name, () => assert.deepEqual(buildPath([A, B, C], row.closed).segments, row.want));
  }
  assert.deepEqual(buildPath([A, C], true).segments, []);
});
