// SPDX-License-Identifier: GPL-3.0-or-later
// The page's Content-Security-Policy, written by the build into a <meta> in
// its head (index.html and the single file, each its own): everything from
// the site alone; scripts from the site, and the inline ones the build
// writes, each by its hash; WebAssembly compiled; inline styles by their
// hash. A host that sends it as a header too (docs/hosting-and-packaging.md)
// changes nothing.
import { createHash } from 'node:crypto';

const PLACE = '<!-- the content security policy -->';
const META = /<meta http-equiv="Content-Security-Policy" content="[^"]*">/;

const hash = (text) => `'sha256-${createHash('sha256').update(text, 'utf8').digest('base64')}'`;

// The text of each inline <script> that runs (none with src, none of a
// type that is data) or <style> in `html`, as the browser hashes it.
const inline = (html, tag) => [...html.matchAll(new RegExp(`<${tag}(\\s[^>]*)?>([^]*?)</${tag}>`, 'g'))]
  .filter(([, attributes = '']) => !/\ssrc=|\stype="application\/octet-stream"/.test(attributes))
  .map(([, , text]) => text);

// The policy for `html`; `alsoRun` are the texts of scripts that it adds
// inline as it runs; `images` the sources of images beyond the site's.
export function securityPolicy(html, { alsoRun = [], images = [] } = {}) {
  const scripts = [...inline(html, 'script'), ...alsoRun].map(hash);
  return [
    "default-src 'self'",
    `script-src 'self' ${scripts.join(' ')} 'wasm-unsafe-eval'`,
    `style-src 'self' ${inline(html, 'style').map(hash).join(' ')}`,
    ...(images.length > 0 ? [`img-src 'self' ${images.join(' ')}`] : []),
  ].join('; ');
}

// `html` with `policy` in its head, where the template or an earlier policy put it.
export function withPolicy(html, policy) {
  const meta = `<meta http-equiv="Content-Security-Policy" content="${policy}">`;
  if (html.includes(PLACE)) return html.replace(PLACE, () => meta);
  if (META.test(html)) return html.replace(META, () => meta);
  throw new Error('the page has no place for its Content-Security-Policy');
}
