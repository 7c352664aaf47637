// SPDX-License-Identifier: GPL-3.0-or-later
// The page's pictures per second against an earlier release's, in turns:
// page_rate.mjs on each site alternately, the explanation shown (where the
// site has one; EXPLAIN as page_rate.mjs takes it, `on` by default), with the
// CPU at full speed and slowed 4 and 8 times, ROUNDS rounds of each; a cost
// that the explanation adds whether or not it is shown shows here, where a
// comparison within one build cannot see it. QUERY as page_rate.mjs takes it.
//   usage: node bench/page_turns.mjs SITE EARLIER_SITE [ROUNDS] [SECONDS] [EXPLAIN] [QUERY]
//   prints a line per slowdown: the turns, their medians and the ratio, and
//   what was in view on each site
import { execFileSync } from 'node:child_process';
import { fileURLToPath } from 'node:url';

import { median } from './stats.mjs';

const [site, earlier, rounds = '3', seconds = '5', explain = 'on', query] = process.argv.slice(2);
if (!site || !earlier) {
  console.error('usage: node bench/page_turns.mjs SITE EARLIER_SITE [ROUNDS] [SECONDS] [EXPLAIN]');
  process.exit(2);
}
const pageRate = fileURLToPath(new URL('page_rate.mjs', import.meta.url));
const inView = {};
const picturesPerSecond = (where, throttle) => {
  const line = execFileSync(process.execPath, [pageRate, where, seconds, throttle, explain, ...(query ? [query] : [])],
    { encoding: 'utf8' });
  inView[where] = line.match(/in_view (\S*)/)[1];
  return Number(line.match(/page_fps ([\d.]+)/)[1]);
};

for (const throttle of ['1', '4', '8']) {
  const turns = { now: [], earlier: [] };
  for (let round = 0; round < Number(rounds); round += 1) {
    turns.now.push(picturesPerSecond(site, throttle));
    turns.earlier.push(picturesPerSecond(earlier, throttle));
  }
  const [now, before] = [median(turns.now), median(turns.earlier)];
  console.log(`pictures/s, ${throttle}x slower: ${turns.now.join(' ')} against the earlier ${turns.earlier.join(' ')}; ` +
    `medians ${now} and ${before}: ${(100 * now / before).toFixed(1)}% of the earlier pace`);
}
console.log(`in view: ${inView[site]} against the earlier ${inView[earlier]}`);
