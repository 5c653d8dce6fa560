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
// The loader also holds the canvas of the picture on screen (the after view,
// handed over by the page): a reply the page asked to be shown goes on screen
// here the moment it is read, unless a newer one is there already, without
// waiting for the page's thread (a drag at 1/2 measured 8-12 ms from a reply
// read here to the page's thread taking it, and up to a display frame more
// to its next animation frame). The page puts the pictures it shows itself
// (cached ones) on screen through the same canvas, in order with the replies.
import { fetchPicture, applySpans, clock } from './api.js';

// canvas: the OffscreenCanvas on screen; seq: the newest request whose
// picture is or was there, so an older reply arriving later stays off it;
// holds: which stream's picture it holds ("client/number", null: another).
const screen = { canvas: null, ctx: null, seq: 0, holds: null };

// Writes a picture into the canvas on screen; it is painted with the next
// frame this thread commits, at the end of this task. Returns when. When the
// canvas holds the picture a patch changed (patch.of), only the rows the
// patch wrote are written: at full resolution writing all 8 MB took several
// milliseconds of this thread.
function putOnScreen({ width, height }, bytes, holds = null, patch = null) {
  const image = new ImageData(bytes, width, height);
  const canvas = screen.canvas;
  if (patch && patch.of === screen.holds && canvas.width === width && canvas.height === height) {
    const first = Math.floor(patch.written[0] / (4 * width));
    const end = Math.ceil(patch.written[1] / (4 * width));
    screen.ctx.putImageData(image, 0, 0, 0, first, width, end - first);
  } else {
    if (canvas.width !== width) canvas.width = width;
    if (canvas.height !== height) canvas.height = height;
    screen.ctx.putImageData(image, 0, 0);
  }
  screen.holds = holds;
  return clock();
}

// client -> { busy, next, held: {number, width, height, bytes} | null,
//             promised: number of the picture held once the replies on their
//             way are read, applied: the last reply's turn to be applied }
const streams = new Map();

// The whole picture of a reply: a patch is applied to the stream's copy when
// that is the picture it patches. Null when it is not (a reply before it was
// lost): the caller then asks for the whole picture. With show, the picture
// goes on screen first (see start).
function whole(stream, reply, client, show) {
  let bytes = reply.bytes;
  let patch = null;
  if (reply.patchOf) {
    const held = stream.held;
    if (!held || held.number !== reply.patchOf || held.width !== reply.width || held.height !== reply.height) return null;
    stream.held = null; // until the patch is in: a failure must not leave a half-patched copy
    patch = { of: `${client}/${reply.patchOf}`, written: applySpans(held.bytes, reply.bytes) };
    bytes = held.bytes;
  }
  if (reply.number) stream.held = { number: reply.number, width: reply.width, height: reply.height, bytes };
  if (show(reply)) {
    reply.timing.painted = putOnScreen(reply, bytes, reply.number ? `${client}/${reply.number}` : null, patch);
    reply.screened = true;
  }
  return reply.number ? bytes.slice() : bytes; // the stream keeps its own copy
}

function start(stream, { id, path, body, client, show }) {
  // A reply goes on screen when the page asked so and nothing newer is there.
  const onScreen = (reply) => {
    if (!show || !screen.canvas || body.seq <= screen.seq) return false;
    screen.seq = body.seq;
    return true;
  };
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
    return [reply, whole(stream, reply, client, onScreen)];
  });
  stream.applied = patched.catch(() => {});
  patched.then(async ([reply, bytes]) => {
    if (bytes) return { ...reply, bytes };
    const again = await fetchPicture(path, body, client, () => {}, 0);
    return { ...again, bytes: whole(stream, again, client, onScreen) };
  }).then(
    (picture) => self.postMessage({ id, picture }, [picture.bytes.buffer]),
    (error) => {
      sendNext();
      self.postMessage({ id, error: { message: error.message, status: error.status } });
    });
}

// The page's own messages about the screen: its canvas; a picture to put on
// it (or none) and the newest request it stands for; a read of its pixels.
function screenMessage(data) {
  if (data.screen) {
    screen.canvas = data.screen;
    screen.ctx = screen.canvas.getContext('2d');
    self.postMessage({ id: data.id });
  } else if (data.read) {
    const { width, height } = screen.canvas;
    const bytes = screen.ctx.getImageData(0, 0, width, height).data;
    self.postMessage({ id: data.id, width, height, bytes }, [bytes.buffer]);
  } else {
    screen.seq = Math.max(screen.seq, data.seq);
    const shownAt = data.display ? putOnScreen(data.display, data.display.bytes) : clock();
    self.postMessage({ id: data.id, shownAt });
  }
}

self.onmessage = ({ data }) => {
  if (!data.path) return screenMessage(data);
  if (!streams.has(data.client)) {
    streams.set(data.client, { busy: false, next: null, held: null, promised: 0, applied: Promise.resolve() });
  }
  const stream = streams.get(data.client);
  if (!stream.busy) return start(stream, data);
  if (stream.next) self.postMessage({ id: stream.next.id, error: { message: 'replaced by a newer request', status: 409 } });
  stream.next = data;
};
