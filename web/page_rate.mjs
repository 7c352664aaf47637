// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures drawn per second by the page animating in headless Chromium, next
// to the rate at which the browser offers frames (requestAnimationFrame).
//   usage: node web/page_rate.mjs SITE_DIR [SECONDS]
//   prints: "page_fps N display_fps N"
import { draws, sleep, withPage } from './tests/harness.mjs';

const [site, seconds = '5'] = process.argv.slice(2);
await withPage(site, {}, async (page) => {
  await page.click('#start');
  await sleep(1000);
  const [drawsBefore, started] = [await draws(page), Date.now()];
  const offered = await page.evaluate((ms) => new Promise((resolve) => {
    let frames = 0;
    const end = performance.now() + ms;
    const count = (now) => {
      frames += 1;
      if (now < end) requestAnimationFrame(count); else resolve(frames);
    };
    requestAnimationFrame(count);
  }), Number(seconds) * 1000);
  const elapsed = (Date.now() - started) / 1000;
  const drawn = await draws(page) - drawsBefore;
  console.log(`page_fps ${(drawn / elapsed).toFixed(1)} display_fps ${(offered / Number(seconds)).toFixed(1)}`);
});
