// The page's picture fetcher, on its own thread (see postPicture in api.js).
// Per stream (client) one request is at the server until its headers come
// back; of the requests arriving meanwhile only the newest is kept, the ones
// it replaces are answered 409 unsent.
// Each stream keeps a copy of the last picture it received, and asks the
// server for the changes to it only: a dragged point redraws the rows its
// stroke crosses, and the rest need not travel. The picture goes to the page
// as a copy of its bytes (for the tests and checks that compare them) and an
// ImageBitmap made here, both transferred, so that the page's own thread
// only draws it. Measured in a drag at 1/2 on a 1920x1080 layer: the page
// turning the bytes into a canvas took a median 21 ms of its own thread
// (while the pointer waits); a bitmap made here costs it nothing.
import { fetchPicture, applySpans, clock } from './api.js';

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

async function drawable(reply, bytes) {
  const bitmap = await createImageBitmap(new ImageData(bytes, reply.width, reply.height));
  reply.timing.made = clock();
  return { ...reply, bytes, bitmap };
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
    if (bytes) return drawable(reply, bytes);
    const again = await fetchPicture(path, body, client, () => {}, 0);
    return drawable(again, whole(stream, again));
  }).then(
    (picture) => self.postMessage({ id, picture }, [picture.bytes.buffer, picture.bitmap]),
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
