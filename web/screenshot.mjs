// SPDX-License-Identifier: GPL-3.0-or-later
// A picture of the page for the README: headless Chromium, the canvas widened
// to show the whole string, which has run for a moment and been stopped.
//   usage: node web/screenshot.mjs SITE_DIR OUT.png
import { draws, setWidth, sleep, waitForDraws, withPage } from './tests/harness.mjs';

const [site, out] = process.argv.slice(2);
await withPage(site, { width: 1040, height: 600 }, async (page) => {
  await page.waitForFunction(() => document.getElementById('status').hidden);
  await setWidth(page, 1000);
  const start = await draws(page);
  await page.click('#start');
  await waitForDraws(page, start + 150, 30000);
  await page.click('#stop');
  await sleep(500);
  await page.screenshot({ path: out });
});
