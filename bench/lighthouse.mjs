// SPDX-License-Identifier: GPL-3.0-or-later
// Lighthouse's mobile audit of the page (the CPU slowed 4x, a slow network
// simulated), served compressed as a static host serves it, in Debian's
// Chromium: the median of RUNS runs of each category's score, of the total
// blocking time and of the cumulative layout shift, and the longest
// main-thread tasks of the median run. Given FLOOR_DIR, a page that does the
// least any WebGL page does, it audits that too, in turns with the page, so
// that both see the same machine. QUERY opens the page as a link does, for
// instance lang=de.
//   usage: node bench/lighthouse.mjs SITE_DIR [RUNS [FLOOR_DIR [QUERY]]]     (RUNS: default 3)
//   prints: "lighthouse performance P accessibility A best-practices B seo S tbt_ms T cls C"
//   then a line per long task: "long_task MS URL", and with FLOOR_DIR
//   "lighthouse_floor performance P tbt_ms T cls C"
import * as chromeLauncher from 'chrome-launcher';
import lighthouse from 'lighthouse';

import { chromiumFlags } from '../tools/browser.mjs';
import { address, serve } from '../tools/serve.mjs';
import { median } from './stats.mjs';

const [site, runs = '3', floorSite, query] = process.argv.slice(2);
const CATEGORIES = ['performance', 'accessibility', 'best-practices', 'seo'];

// One audit of `server`'s page (as `link` asks), in a fresh profile: nothing cached, no service worker yet.
async function audit(server, link = '') {
  const chrome = await chromeLauncher.launch({
    chromePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
    // Composited in software, as a machine without a GPU composites (COMPOSITING=gpu: on SwiftShader).
    chromeFlags: ['--headless=new', ...chromiumFlags()],
  });
  try {
    return (await lighthouse(`${address(server)}${link}`, { port: chrome.port, output: 'json', logLevel: 'error' })).lhr;
  } finally {
    await chrome.kill();
  }
}

const server = await serve(site, 0, () => false, { compress: true });
const floorServer = floorSite ? await serve(floorSite, 0, () => false, { compress: true }) : null;
const results = [];
const floorResults = [];
try {
  for (let run = 0; run < Number(runs); run += 1) {
    results.push(await audit(server, query ? `?${query}` : ''));
    if (floorServer) floorResults.push(await audit(floorServer));
  }
} finally {
  server.close();
  floorServer?.close();
}

const tbt = (lhr) => lhr.audits['total-blocking-time'].numericValue;
const cls = (lhr) => lhr.audits['cumulative-layout-shift'].numericValue;
const medianCls = (lhrs) => median(lhrs.map(cls)).toFixed(3);
const scores = CATEGORIES.map((name) => `${name} ${median(results.map((lhr) => lhr.categories[name].score))}`);
console.log(`lighthouse ${scores.join(' ')} tbt_ms ${median(results.map(tbt)).toFixed(0)} cls ${medianCls(results)}` +
            ` (each run: ${results.map((lhr) => `${lhr.categories.performance.score}/${tbt(lhr).toFixed(0)}`).join(' ')})`);
// The run nearest the median (the median itself where the runs are odd in number).
const middle = results.reduce((near, lhr) => (Math.abs(tbt(lhr) - median(results.map(tbt)))
  < Math.abs(tbt(near) - median(results.map(tbt))) ? lhr : near));
for (const task of middle.audits['long-tasks'].details?.items ?? []) {
  console.log(`long_task ${task.duration.toFixed(0)} ${task.url} start ${task.startTime.toFixed(0)}`);
}
const failed = Object.values(middle.audits).filter((result) => result.score !== null && result.score < 1 &&
  result.scoreDisplayMode !== 'informative' && result.scoreDisplayMode !== 'manual');
console.log(`below_full_marks ${failed.map((result) => result.id).join(' ')}`);
if (floorResults.length > 0) {
  console.log(`lighthouse_floor performance ${median(floorResults.map((lhr) => lhr.categories.performance.score))}` +
              ` tbt_ms ${median(floorResults.map(tbt)).toFixed(0)} cls ${medianCls(floorResults)}` +
              ` (each run: ${floorResults.map((lhr) => `${lhr.categories.performance.score}/${tbt(lhr).toFixed(0)}`).join(' ')})`);
}
