// The server's API (docs/serve.md): JSON in, JSON out.

async function answer(response) {
  let body = null;
  try {
    body = await response.json();
  } catch {
    body = { ok: false, error: { message: `the server answered ${response.status} without JSON` } };
  }
  body.httpStatus = response.status;
  return body;
}

export async function get(path) {
  return answer(await fetch(path, { cache: 'no-store' }));
}

export async function post(path, body, signal) {
  return answer(await fetch(path, {
    method: 'POST',
    headers: { 'Content-Type': 'application/json' },
    body: JSON.stringify(body),
    signal,
  }));
}
