// The page's picture fetcher, on its own thread (see postPicture in api.js).
// Per stream (client) one request is at the server until its headers come
// back; of the requests arriving meanwhile only the newest is kept, the ones
// it replaces are answered 409 unsent.
// Each stream keeps a copy of the last picture it received, and asks the
// server for the changes to it only: a dragged point redraws the rows its
// stroke crosses, and the rest need not travel (at 1/2 on a 1920x1080 layer
// about 48 kB a picture instead of 2,073,600 bytes). The page gets a copy of
// the whole picture's bytes, transferred.
// Making an ImageBitmap here instead of a canvas on the page's thread was
// tried and measured worse, side by side in the drag benchmark under a load
// average of 3-5: p95 latency at 1/2 155 against 125 ms, full resolution 7.7
// against 8.7 pictures/s. The bitmap took 8-10 ms of this thread and the
// hand-over still waited 12-15 ms for the page's busy thread.
import { fetchPicture, applySpans } from './api.js';

// client -> { busy, next, held: {number, width, height, bytes} | null,
//             promised: number of the picture held once the replies on their
//             way are read, applied: the last reply's turn to be applied }
const streams = new Map();

// The whole picture of a reply: a patch is applied to the stream's copy when
// that is the picture it patches. Null when it is not (a reply before it was
// lost): the caller then asks for the whole picture.
function whole(stream, reply) {
  if (!reply.number) return reply.bytes; // not a picture of a stream
  let bytes = reply.bytes;
  if (reply.patchOf) {
    const held = stream.held;
    if (!held || held.number !== reply.patchOf || held.width !== reply.width || held.height !== reply.height) return null;
    stream.held = null; // until the patch is in: a failure must not leave a half-patched copy
    applySpans(held.bytes, reply.bytes);
    bytes = held.bytes;
  }
  stream.held = { number: reply.number, width: reply.width, height: reply.height, bytes };
  return bytes.slice();
}

function start(stream, { id, path, body, client }) {
  stream.busy = true;
  self.postMessage({ id, sent: true });
  let answered = false;
  const sendNext = (number) => {
    if (answered) return;
    answered = true;
    if (number) stream.promised = number;
    stream.busy = false;
    const next = stream.next;
    stream.next = null;
    if (next) start(stream, next);
  };
  const before = stream.applied;
  const held = client ? stream.promised : undefined;
  // Replies are applied in the order their requests went out.
  const patched = fetchPicture(path, body, client, sendNext, held).then(async (reply) => {
    await before;
    return [reply, whole(stream, reply)];
  });
  stream.applied = patched.catch(() => {});
  patched.then(async ([reply, bytes]) => {
    if (bytes) return { ...reply, bytes };
    const again = await fetchPicture(path, body, client, () => {}, 0);
    return { ...again, bytes: whole(stream, again) };
  }).then(
    (picture) => self.postMessage({ id, picture }, [picture.bytes.buffer]),
    (error) => {
      sendNext();
      self.postMessage({ id, error: { message: error.message, status: error.status } });
    });
}

self.onmessage = ({ data }) => {
  if (!streams.has(data.client)) {
    streams.set(data.client, { busy: false, next: null, held: null, promised: 0, applied: Promise.resolve() });
  }
  const stream = streams.get(data.client);
  if (!stream.busy) return start(stream, data);
  if (stream.next) self.postMessage({ id: stream.next.id, error: { message: 'replaced by a newer request', status: 409 } });
  stream.next = data;
};
