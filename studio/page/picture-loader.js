// The page's picture fetcher, on its own thread (see postPicture in api.js):
// tells the page when a reply's headers arrive, then hands over the picture
// with its bytes transferred, or the error.
import { fetchPicture } from './api.js';

self.onmessage = async ({ data: { id, path, body, client } }) => {
  try {
    const picture = await fetchPicture(path, body, client, () => self.postMessage({ id, headers: true }));
    self.postMessage({ id, picture }, [picture.bytes.buffer]);
  } catch (error) {
    self.postMessage({ id, error: { message: error.message, status: error.status } });
  }
};
