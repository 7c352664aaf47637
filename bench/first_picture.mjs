// SPDX-License-Identifier: GPL-3.0-or-later
// Time from navigation to the first picture drawn, over cold loads (a fresh
// browser context each, so nothing cached), in the browser BROWSER names:
// the site served on 127.0.0.1, or a single-file page opened from disk;
// QUERY opens it as a link does, for instance lang=de.
//   usage: node bench/first_picture.mjs SITE_DIR|FILE.html [LOADS [QUERY]]     (default 5)
//   prints: "first_picture_ms MEDIAN (each: ...)"
import { pathToFileURL } from 'node:url';

import { address, closePage, engine, launch, openPage, serve, waitForDraws } from '../tools/browser.mjs';
import { median } from './stats.mjs';

const [where, loads = '5', query] = process.argv.slice(2);
const server = where.endsWith('.html') ? null : await serve(where);
const url = `${server ? address(server) : pathToFileURL(where).href}${query ? `?${query}` : ''}`;
const browser = await launch();
const times = [];
try {
  for (let load = 0; load < Number(loads); load += 1) {
    const page = await openPage(browser, url);
    await waitForDraws(page, 1, 30000);
    times.push(await page.evaluate(() => window.firstDraw));
    await closePage(page);
  }
} finally {
  await browser.close();
  server?.close();
}
console.log(`first_picture_ms ${median(times).toFixed(0)} (${engine}, ${server ? 'served' : 'from disk'}, each: ${times.map((t) => t.toFixed(0)).join(' ')})`);
