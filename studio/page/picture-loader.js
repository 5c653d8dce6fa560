// The page's picture fetcher, on its own thread (see postPicture in api.js).
// Per stream (client) one request is at the server until its headers come
// back; of the requests arriving meanwhile only the newest is kept, the ones
// it replaces are answered 409 unsent. Pictures go back with their bytes
// transferred.
import { fetchPicture } from './api.js';

const streams = new Map(); // client -> { busy, next }

function start(stream, { id, path, body, client }) {
  stream.busy = true;
  self.postMessage({ id, sent: true });
  let answered = false;
  const sendNext = () => {
    if (answered) return;
    answered = true;
    stream.busy = false;
    const next = stream.next;
    stream.next = null;
    if (next) start(stream, next);
  };
  fetchPicture(path, body, client, sendNext).then(
    (picture) => self.postMessage({ id, picture }, [picture.bytes.buffer]),
    (error) => {
      sendNext();
      self.postMessage({ id, error: { message: error.message, status: error.status } });
    });
}

self.onmessage = ({ data }) => {
  if (!streams.has(data.client)) streams.set(data.client, { busy: false, next: null });
  const stream = streams.get(data.client);
  if (!stream.busy) return start(stream, data);
  if (stream.next) self.postMessage({ id: stream.next.id, error: { message: 'replaced by a newer request', status: 409 } });
  stream.next = data;
};
