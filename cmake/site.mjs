// SPDX-License-Identifier: GPL-3.0-or-later
// Finishes the static site at build time, from the files already in it:
//   vibrating-string.html  the page, its script, the program and the icon in
//                          one file, which runs opened from disk
//   sw.js                  the service worker that keeps this build's files
//                          for use offline, under a cache named for them
//   usage: node cmake/site.mjs SITE_DIR
import { createHash } from 'node:crypto';
import { readdirSync, readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';

const SINGLE_FILE = 'vibrating-string.html';
const WORKER = 'sw.js';

const [site] = process.argv.slice(2);
const read = (name) => readFileSync(join(site, name));
const base64 = (name) => read(name).toString('base64');

function writeSingleFile() {
  let html = read('index.html').toString('utf8');
  const script = read('page.js').toString('utf8');
  if (script.includes('</script')) throw new Error('page.js cannot be put inside a <script> element: it holds "</script"');
  const replace = (from, to) => {
    if (!html.includes(from)) throw new Error(`index.html no longer has ${from}`);
    html = html.replace(from, () => to);
  };
  replace('href="vibrating-string.svg"', `href="data:image/svg+xml;base64,${base64('vibrating-string.svg')}"`);
  // Nothing to install or keep offline: the file is the whole page.
  replace('<link rel="manifest" href="manifest.webmanifest">\n', '');
  // Base64 inside elements that are never run, so that no byte of the
  // program can end the element early.
  replace('<script src="page.js"></script>', [
    `<script id="program-js" type="application/octet-stream">${base64('vibrating-string.js')}</script>`,
    `<script id="program-wasm" type="application/octet-stream">${base64('vibrating-string.wasm')}</script>`,
    `<script>\n${script}</script>`,
  ].join('\n'));
  writeFileSync(join(site, SINGLE_FILE), html);
}

// Every file but the worker itself, and the site's address, which serves
// index.html. The cache's name is a digest of all of them, so any changed
// file makes a changed worker, which browsers take as an update.
function writeWorker() {
  const files = readdirSync(site).filter((name) => name !== WORKER).sort();
  const digest = createHash('sha256');
  for (const name of files) digest.update(name).update('\0').update(read(name));
  const template = readFileSync(new URL('../web/sw.js.in', import.meta.url), 'utf8');
  writeFileSync(join(site, WORKER), template
    .replace('@CACHE@', () => `vibrating-string-${digest.digest('hex').slice(0, 16)}`)
    .replace('@FILES@', () => JSON.stringify(['./', ...files])));
}

writeSingleFile();
writeWorker();
