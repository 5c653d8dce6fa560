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

// A raw RGBA picture: {width, height, depth, seq, bytes (Uint8ClampedArray)}.
// client names the stream of requests whose older waiting renders the server
// may drop (409) once a newer one of the same stream arrives.
export async function postPicture(path, body, client) {
  const response = await post(path, body, client ? { 'X-Studio-Client': client } : {});
  const bytes = new Uint8ClampedArray(await response.arrayBuffer());
  const width = Number(response.headers.get('X-Width'));
  const height = Number(response.headers.get('X-Height'));
  if (!(width > 0 && height > 0) || bytes.length !== width * height * 4) {
    throw new Error(`picture of ${bytes.length} bytes does not match ${width}x${height}`);
  }
  return { width, height, depth: Number(response.headers.get('X-Depth')) || 8,
           seq: Number(response.headers.get('X-Seq')), bytes };
}
