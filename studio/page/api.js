// Requests to the studio server. The session cookie goes with every request;
// a refused request becomes an Error carrying the server's own message.

async function failure(response) {
  let message = `${response.status} ${response.statusText}`;
  try {
    const body = await response.json();
    if (body && body.error) message = body.error;
  } catch {
    // not JSON: keep the status line
  }
  const error = new Error(message);
  error.status = response.status;
  return error;
}

export async function getJson(path) {
  const response = await fetch(path, { credentials: 'same-origin', cache: 'no-store' });
  if (!response.ok) throw await failure(response);
  return response.json();
}

async function post(path, body, headers = {}) {
  const response = await fetch(path, {
    method: 'POST',
    credentials: 'same-origin',
    headers: { 'Content-Type': 'application/json', ...headers },
    body: JSON.stringify(body),
  });
  if (!response.ok) throw await failure(response);
  return response;
}

export async function postJson(path, body) {
  return (await post(path, body)).json();
}

// Server-Timing "name;dur=ms, name;desc=number, ..." as {name: number}.
function serverTiming(header) {
  const parts = {};
  for (const item of (header || '').split(',')) {
    const match = item.match(/^\s*([\w-]+);(?:dur|desc)=([\d.]+)\s*$/);
    if (match) parts[match[1]] = Number(match[2]);
  }
  return parts;
}

// The body read chunk by chunk into one array of the expected size. Measured
// in this Chromium for an 8,294,400-byte answer over loopback (the server
// hands it to curl in 4-5 ms): response.arrayBuffer() 33-44 ms, this 14-23
// ms, a BYOB reader 12-25 ms, XMLHttpRequest 10-17 ms; arrayBuffer() gathers
// the chunks and then copies them once more.
async function readExactly(response, size) {
  const bytes = new Uint8ClampedArray(size);
  const reader = response.body.getReader();
  let filled = 0;
  for (;;) {
    const { done, value } = await reader.read();
    if (done) break;
    if (filled + value.length > size) {
      await reader.cancel();
      throw new Error(`picture of more than ${size} bytes`);
    }
    bytes.set(value, filled);
    filled += value.length;
  }
  if (filled !== size) throw new Error(`picture of ${filled} bytes instead of ${size}`);
  return bytes;
}

// Milliseconds since the epoch, to the microsecond: one clock for the page,
// its worker and the server.
export const clock = () => performance.timeOrigin + performance.now();

// A raw RGBA picture: {width, height, depth, seq, bytes (Uint8ClampedArray),
// timing}. timing holds when the request was sent and its headers and its
// body arrived (clock()), and the server's own parts.
// client names the stream of requests whose older waiting renders the server
// may drop (409) once a newer one of the same stream arrives. onHeaders() is
// called as soon as the server has answered, before the bytes are read, with
// the number the server gave the picture when it may be patched later.
// held, the number of the stream's picture the caller holds (0: none), says
// that a patch of it will do: the reply's patchOf is then that number and
// its bytes the spans that changed (see applySpans), or patchOf is 0 and the
// bytes are the whole picture.
export async function fetchPicture(path, body, client, onHeaders = () => {}, held = undefined) {
  const sent = clock();
  const response = await post(path, body, {
    ...(client && { 'X-Studio-Client': client }),
    ...(held !== undefined && { 'X-Studio-Held': String(held) }) });
  const headers = clock();
  const number = Number(response.headers.get('X-Picture')) || 0;
  onHeaders(number);
  const width = Number(response.headers.get('X-Width'));
  const height = Number(response.headers.get('X-Height'));
  if (!(width > 0 && height > 0 && width * height <= 2 ** 28)) {
    await response.body.cancel();
    throw new Error(`a picture of ${width}x${height} pixels`);
  }
  const patchOf = Number(response.headers.get('X-Patch-Of')) || 0;
  const size = patchOf ? Number(response.headers.get('Content-Length')) : width * height * 4;
  if (!(size >= 0 && size <= 2 ** 31)) {
    await response.body.cancel();
    throw new Error(`a patch of ${size} bytes`);
  }
  const bytes = await readExactly(response, size);
  const timing = { sent, headers, body: clock(), server: serverTiming(response.headers.get('Server-Timing')),
                   bytes: size };
  return { width, height, depth: Number(response.headers.get('X-Depth')) || 8,
           seq: Number(response.headers.get('X-Seq')), number, patchOf, bytes, timing };
}

// Writes a patch's spans into the picture it patches: records of a byte
// offset and a length (little-endian 32-bit) and then that many bytes. A
// record reaching past either array is refused before anything is written.
// Returns the bytes written, as [first, end) (empty: [0, 0]).
export function applySpans(picture, patch) {
  const view = new DataView(patch.buffer, patch.byteOffset, patch.byteLength);
  const spans = [];
  for (let at = 0; at < patch.length;) {
    if (at + 8 > patch.length) throw new Error('a patch cut short');
    const offset = view.getUint32(at, true);
    const length = view.getUint32(at + 4, true);
    if (at + 8 + length > patch.length || offset + length > picture.length) throw new Error('a patch outside its picture');
    spans.push([offset, at + 8, length]);
    at += 8 + length;
  }
  let [first, end] = [picture.length, 0];
  for (const [offset, from, length] of spans) {
    picture.set(patch.subarray(from, from + length), offset);
    [first, end] = [Math.min(first, offset), Math.max(end, offset + length)];
  }
  return end > first ? [first, end] : [0, 0];
}

// Pictures are fetched by a worker, which hands over their bytes without a
// copy and keeps the server busy: of each stream (client) it holds only the
// newest request not yet sent, and sends it the moment the server answers
// the one before -- one render at the server, the next on its way, neither
// waiting for the page's own thread. That thread is busy while a point is
// dragged (pointer, panel, painting): measured during a drag at 1/2 on a
// 1920x1080 layer (load average 3-4), a reply read there was seen 20 ms
// after the server's answer and its 2,073,600 bytes took 21 ms more (136 ms
// for a full frame); with the worker reading, 3 ms and 14 ms; with the page
// sending each next request on seeing the answer, about 20 ms passed between
// the answer and the next request.
let loader = null;
const waiting = new Map();
let nextId = 1;

function pictureLoader() {
  if (loader) return loader;
  loader = new Worker(new URL('./picture-loader.js', import.meta.url), { type: 'module' });
  loader.onmessage = ({ data }) => {
    const call = waiting.get(data.id);
    if (!call) return;
    if (data.sent) return call.onSent();
    waiting.delete(data.id);
    if (data.error) call.reject(Object.assign(new Error(data.error.message), { status: data.error.status }));
    else call.resolve(data.picture || data);
  };
  loader.onerror = (event) => {
    for (const call of waiting.values()) call.reject(new Error(`the picture loader failed: ${event.message}`));
    waiting.clear();
  };
  return loader;
}

// A message about the picture on screen to the worker (see picture-loader.js),
// answered by the worker's reply.
export function screenCall(message, transfer = []) {
  const id = nextId++;
  return new Promise((resolve, reject) => {
    waiting.set(id, { resolve, reject });
    pictureLoader().postMessage({ id, ...message }, transfer);
  });
}

// A picture as fetchPicture gives it, through the worker: onReady() says at
// once that a newer request of the stream may follow (the worker keeps the
// newest; a request it drops unsent fails with status 409), onSent() that
// this one went to the server.
// With show, the worker puts the picture on screen as soon as it is read
// (unless a newer one is there); the picture then says screened.
export function postPicture(path, body, client, onReady = () => {}, onSent = () => {}, show = false) {
  const id = nextId++;
  const reply = new Promise((resolve, reject) => {
    waiting.set(id, { resolve, reject, onSent });
    pictureLoader().postMessage({ id, path, body, client, show });
  });
  onReady();
  return reply;
}
