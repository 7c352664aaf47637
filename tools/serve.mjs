// SPDX-License-Identifier: GPL-3.0-or-later
// A static server for the page on 127.0.0.1, for scripts/web and the page
// tests.   usage: node tools/serve.mjs DIRECTORY [PORT]   (PORT 0: any free one)
import { readFileSync } from 'node:fs';
import { createServer } from 'node:http';
import { extname, join, normalize } from 'node:path';
import { fileURLToPath } from 'node:url';
import { gzipSync } from 'node:zlib';

const TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.wasm': 'application/wasm',
  '.svg': 'image/svg+xml',
  '.png': 'image/png',
  '.webmanifest': 'application/manifest+json',
};

// Serves `directory` on 127.0.0.1; resolves to the listening server. The
// tests pass `intercept(request, response)`, which answers a request itself
// (as a failing network would) by returning true. With `compress`, bodies go
// gzipped to a client that takes them, as static hosts send them.
export function serve(directory, port = 0, intercept = () => false, { compress = false } = {}) {
  const server = createServer((request, response) => {
    if (intercept(request, response)) return;
    // normalize() keeps a leading '/', so '..' cannot climb out of `directory`.
    let path;
    let body;
    try {
      path = normalize(decodeURIComponent(new URL(request.url, 'http://localhost').pathname));
      body = readFileSync(join(directory, path === '/' ? 'index.html' : path));
    } catch {
      response.writeHead(404, { 'Content-Type': 'text/plain' }).end('not found\n');
      return;
    }
    const headers = { 'Content-Type': TYPES[extname(path) || '.html'] ?? 'application/octet-stream' };
    if (compress && /\bgzip\b/.test(request.headers['accept-encoding'] ?? '')) {
      headers['Content-Encoding'] = 'gzip';
      body = gzipSync(body);
    }
    response.writeHead(200, headers);
    response.end(body);
  });
  return new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(port, '127.0.0.1', () => resolve(server));
  });
}

export function address(server) {
  return `http://127.0.0.1:${server.address().port}/`;
}

if (process.argv[1] === fileURLToPath(import.meta.url)) {
  const [directory, port = '8000'] = process.argv.slice(2);
  try {
    const server = await serve(directory, Number(port));
    console.log(`vibrating-string is at ${address(server)} (Ctrl-C to stop)`);
  } catch (error) {
    console.error(`Cannot serve on 127.0.0.1:${port}: ${error.code === 'EADDRINUSE' ? 'the port is taken' : error.message}` +
                  ' (scripts/web --port N picks another)');
    process.exit(1);
  }
}
