// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures drawn per second by the page animating in headless Chromium, with
// the CPU slowed THROTTLE times as DevTools does for a phone, next to the
// rate at which the browser offers frames (requestAnimationFrame), and the
// time each refresh spends in the page's animation-frame callbacks: the
// program's draw, its 201 steps, GLUT's idle call and, unless EXPLAIN is
// off, the space-time picture and the numbers beside the string (off: hidden
// with their one control; on and off in a 1280x1600 window, where the
// picture, the numbers and both traces are in view as a teacher shows them;
// modes: the whole page in view in a 1280x2400 window, the modes' bars with
// it, a mode chosen and drawn over the string, and Listen on, where the site
// has them; lesson: the lesson on one screen in a 1366x768 window, node 99
// traced, mode 5 chosen and Listen on, where the site has them). COMPOSITING=gpu composites as a
// phone does (see browser.mjs). QUERY: the page as a link sets it, for
// instance lang=de or node=99 (a node traced), as it opens by default
// without.
//   usage: node bench/page_rate.mjs SITE_DIR [SECONDS] [THROTTLE] [EXPLAIN: on|off|modes|lesson] [QUERY]
//   prints: "page_fps N display_fps N callback_median_ms N callback_p90_ms N in_view WHAT"
import { draws, sleep, withPage } from '../tools/browser.mjs';
import { median, quantile } from './stats.mjs';

const [site, seconds = '5', throttle = '1', explain = 'on', query] = process.argv.slice(2);
const viewport = { on: { width: 1280, height: 1600 }, off: { width: 1280, height: 1600 },
  modes: { width: 1280, height: 2400 }, lesson: { width: 1366, height: 768 } }[explain];
await withPage(site, viewport, async (page) => {
  const link = [query, explain === 'lesson' && 'node=99&modes=5'].filter(Boolean).join('&');
  if (link) await page.goto(new URL(`?${link}`, page.url()).href);
  // A release from before the explanation has none to show or hide.
  await page.waitForFunction(() => !document.getElementById('start').disabled);
  if (await page.$('#explain')) await page.waitForFunction(() => !document.getElementById('explain').hidden);
  if (explain === 'off' && await page.$('#explain-toggle')) await page.click('#explain-toggle');
  if (explain === 'modes' && await page.$('#mode-bars')) {
    await page.type('#mode', '5');
    await page.keyboard.press('Tab');
  }
  if (['modes', 'lesson'].includes(explain) && await page.$('#listen')) await page.click('#listen');
  // What of the page lies in the window.
  const inView = await page.evaluate(() => ['canvas', 'spacetime', 'numbers', 'energy-trace', 'node-trace', 'mode-bars',
    'mode-shape', 'mode-numbers', 'describe']
    .filter((id) => {
      const element = document.getElementById(id);
      const box = element?.getBoundingClientRect();
      return box && !element.hidden && box.height > 0 && box.top >= 0 && box.bottom <= window.innerHeight;
    }).join(',') + (document.querySelector('#listen[aria-pressed="true"]') ? ',sound' : ''));
  await page.emulateCPUThrottling(Number(throttle));
  await page.click('#start');
  await sleep(1000);
  const [drawsBefore, started] = [await draws(page), Date.now()];
  const { offered, perRefresh } = await page.evaluate((ms) => new Promise((resolve) => {
    // Every callback from now on is timed, and added to its refresh's total
    // (the callbacks of one refresh share its timestamp).
    const spent = new Map();
    const schedule = window.requestAnimationFrame;
    window.requestAnimationFrame = (callback) => schedule((now) => {
      const start = performance.now();
      callback(now);
      spent.set(now, (spent.get(now) ?? 0) + performance.now() - start);
    });
    let frames = 0;
    const end = performance.now() + ms;
    const count = (now) => {
      frames += 1;
      if (now < end) schedule(count); else resolve({ offered: frames, perRefresh: [...spent.values()] });
    };
    schedule(count);
  }), Number(seconds) * 1000);
  const elapsed = (Date.now() - started) / 1000;
  const drawn = await draws(page) - drawsBefore;
  console.log(`page_fps ${(drawn / elapsed).toFixed(1)} display_fps ${(offered / Number(seconds)).toFixed(1)} ` +
              `callback_median_ms ${median(perRefresh).toFixed(2)} callback_p90_ms ${quantile(perRefresh, 0.9).toFixed(2)} ` +
              `in_view ${inView}`);
});
