// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures drawn per second by the page animating in headless Chromium, with
// the CPU slowed THROTTLE times as DevTools does for a phone, next to the
// rate at which the browser offers frames (requestAnimationFrame), and the
// time spent in each animation-frame callback: the program's draw and its
// 201 steps.
//   usage: node web/page_rate.mjs SITE_DIR [SECONDS] [THROTTLE]
//   prints: "page_fps N display_fps N callback_median_ms N callback_p90_ms N"
import { draws, sleep, withPage } from './tests/harness.mjs';

const [site, seconds = '5', throttle = '1'] = process.argv.slice(2);
await withPage(site, {}, async (page) => {
  await page.emulateCPUThrottling(Number(throttle));
  await page.click('#start');
  await sleep(1000);
  const [drawsBefore, started] = [await draws(page), Date.now()];
  const { offered, callbacks } = await page.evaluate((ms) => new Promise((resolve) => {
    // Every callback from now on is timed; the count is of the frames offered.
    const timed = [];
    const schedule = window.requestAnimationFrame;
    window.requestAnimationFrame = (callback) => schedule((now) => {
      const start = performance.now();
      callback(now);
      timed.push(performance.now() - start);
    });
    let frames = 0;
    const end = performance.now() + ms;
    const count = (now) => {
      frames += 1;
      if (now < end) schedule(count); else resolve({ offered: frames, callbacks: timed });
    };
    schedule(count);
  }), Number(seconds) * 1000);
  const elapsed = (Date.now() - started) / 1000;
  const drawn = await draws(page) - drawsBefore;
  const sorted = callbacks.sort((a, b) => a - b);
  const at = (q) => sorted[Math.min(sorted.length - 1, Math.floor(q * sorted.length))];
  console.log(`page_fps ${(drawn / elapsed).toFixed(1)} display_fps ${(offered / Number(seconds)).toFixed(1)} ` +
              `callback_median_ms ${at(0.5).toFixed(2)} callback_p90_ms ${at(0.9).toFixed(2)}`);
});
