// SPDX-License-Identifier: GPL-3.0-or-later
// Finishes the static site at build time, from the files already in it:
//   vibrating-string.html  the page, its scripts, every language's catalog,
//                          the program and the icon in one file, which runs
//                          opened from disk
//   sw.js                  the service worker that keeps this build's files
//                          for use offline, under a cache named for them
//   usage: node cmake/site.mjs SITE_DIR
import { createHash } from 'node:crypto';
import { readdirSync, readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';

import { securityPolicy, withPolicy } from './security_policy.mjs';

const SINGLE_FILE = 'vibrating-string.html';
const WORKER = 'sw.js';

const [site] = process.argv.slice(2);
const read = (name) => readFileSync(join(site, name));
const base64 = (name) => read(name).toString('base64');

// `name`'s text, to go inside a <script> element.
function inlineScript(name) {
  const script = read(name).toString('utf8');
  if (script.includes('</script')) throw new Error(`${name} cannot be put inside a <script> element: it holds "</script"`);
  return `<script>\n${script}</script>`;
}

function writeSingleFile() {
  let html = read('index.html').toString('utf8');
  const replace = (from, to) => {
    if (!html.includes(from)) throw new Error(`index.html no longer has ${from}`);
    html = html.replace(from, () => to);
  };
  replace('href="vibrating-string.svg"', `href="data:image/svg+xml;base64,${base64('vibrating-string.svg')}"`);
  // Nothing to install or keep offline: the file is the whole page.
  replace('<link rel="manifest" href="manifest.webmanifest">\n', '');
  // Every language's catalog, there before the boot script looks for the one it chose.
  const catalogs = readdirSync(site).filter((name) => /^messages\..+\.js$/.test(name)).sort();
  replace('<script id="boot">', `${catalogs.map(inlineScript).join('\n')}\n<script id="boot">`);
  // The page's script where its elements are all there before it runs; the
  // program base64 inside elements that are never run, so that no byte of
  // it can end the element early.
  replace('<script src="page.js" defer blocking="render"></script>\n', '');
  replace('</body>', [
    `<script id="program-js" type="application/octet-stream">${base64('vibrating-string.js')}</script>`,
    `<script id="program-wasm" type="application/octet-stream">${base64('vibrating-string.wasm')}</script>`,
    inlineScript('page.js'), '</body>',
  ].join('\n'));
  // Its own policy: its inline scripts, the program, which the page runs
  // inline from the element that carries it, and the icon inside it.
  const policy = securityPolicy(html, { alsoRun: [read('vibrating-string.js').toString('utf8')], images: ['data:'] });
  writeFileSync(join(site, SINGLE_FILE), withPolicy(html, policy));
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
