// One request in flight, the newest wish next, nothing older shown after newer.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { LatestOnly, FrameCache } from '../../../studio/page/scheduler.js';

// A loader whose requests finish when the test says so.
function controlled() {
  const sent = [];
  const shown = [];
  const loader = new LatestOnly(
    (job, ready) => new Promise((resolve, reject) => sent.push({ name: job.name, ready, resolve: () => resolve(job.name), reject })),
    (result) => shown.push(result),
    (error) => shown.push(`error ${error.message}`));
  const settle = async (i, how = 'resolve') => {
    if (how === 'resolve') sent[i].resolve();
    else sent[i].reject(Object.assign(new Error(how), { status: how === 'superseded' ? 409 : 400 }));
    await new Promise((r) => setTimeout(r, 0));
  };
  return { loader, sent, shown, settle };
}

test('requests coalesce to the newest and replies stay in order', async (t) => {
  const rows = [
    { name: 'waiting wishes are replaced by the newest', steps: ['A', 'B', 'C', 0, 1],
      sent: ['A', 'C'], shown: ['A', 'C'] },
    { name: 'a skip drops the reply in flight, a later request still shows', steps: ['A', 'skip', 'B', 0, 1],
      sent: ['A', 'B'], shown: ['B'] },
    { name: 'a skip forgets the waiting wish', steps: ['A', 'B', 'skip', 0],
      sent: ['A'], shown: [] },
    { name: 'once the server is done the next goes out; an older reply arriving late is dropped',
      steps: ['A', 'B', ['ready', 0], 'C', 1, 0, 2], sent: ['A', 'B', 'C'], shown: ['B', 'C'] },
    { name: 'a superseded reply is silent, an error is shown', steps: ['A', 'B', [0, 'superseded'], [1, 'bad value']],
      sent: ['A', 'B'], shown: ['error bad value'] },
  ];
  for (const row of rows) {
    await t.test(row.name, async () => {
      const { loader, sent, shown, settle } = controlled();
      for (const step of row.steps) {
        if (step === 'skip') loader.skip();
        else if (typeof step === 'string') {
          loader.request({ name: step });
          assert.equal(loader.idle, false, 'a request in flight');
        }
        else if (step[0] === 'ready') sent[step[1]].ready();
        else if (Array.isArray(step)) await settle(...step);
        else await settle(step);
      }
      assert.deepEqual(sent.map((s) => s.name), row.sent);
      assert.deepEqual(shown, row.shown);
      assert.equal(loader.idle, true);
    });
  }
});

test('the frame cache forgets the least recently used', () => {
  const cache = new FrameCache(2);
  cache.put('a', 1);
  cache.put('b', 2);
  cache.get('a');
  cache.put('c', 3);
  assert.deepEqual([cache.get('a'), cache.get('b'), cache.get('c')], [1, undefined, 3]);
});
