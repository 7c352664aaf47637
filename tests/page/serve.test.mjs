// SPDX-License-Identifier: GPL-3.0-or-later
// The page's server keeps to its site: every way of writing a path that
// climbs out of it gets 404, while the site's own files are served.
//   node --test tests/page/serve.test.mjs
import assert from 'node:assert/strict';
import { request } from 'node:http';
import { mkdirSync, mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, test } from 'node:test';

import { serve } from '../../tools/serve.mjs';

let folder;
let server;

before(async () => {
  folder = mkdtempSync(join(tmpdir(), 'vibrating-string-serve-'));
  mkdirSync(join(folder, 'site'));
  writeFileSync(join(folder, 'site', 'index.html'), 'the page');
  writeFileSync(join(folder, 'secret.txt'), 'outside the site');
  server = await serve(join(folder, 'site'));
});
after(() => {
  server?.close();
  rmSync(folder, { recursive: true, force: true });
});

// The path goes out exactly as written, as a hostile client sends it.
function get(path) {
  return new Promise((resolve, reject) => {
    request({ host: '127.0.0.1', port: server.address().port, path }, (response) => {
      let body = '';
      response.on('data', (chunk) => { body += chunk; });
      response.on('end', () => resolve({ status: response.statusCode, body }));
    }).on('error', reject).end();
  });
}

test('serves the site and nothing outside it', async () => {
  assert.deepEqual(await get('/'), { status: 200, body: 'the page' });
  assert.deepEqual(await get('/index.html'), { status: 200, body: 'the page' });
  for (const path of ['/../secret.txt', '/%2e%2e/secret.txt', '/..%2fsecret.txt', '/%2e%2e%2fsecret.txt',
    '/%252e%252e/secret.txt', '/..%5csecret.txt', '/a/../../secret.txt', `/${'%2e%2e/'.repeat(8)}etc/passwd`,
    '//etc/passwd', '/%2fetc%2fpasswd', `/${folder}/secret.txt`]) {
    const { status, body } = await get(path);
    assert.equal(status, 404, `${path} answered ${status}: ${body.slice(0, 40)}`);
  }
});
