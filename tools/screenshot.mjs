// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures of the page for the README and the guides: headless Chromium, the whole string
// as the page first shows it, run for a moment and stopped; and, given a
// second file, the part under it that explains the motion, after 400 pictures.
//   usage: node tools/screenshot.mjs SITE_DIR OUT.png [EXPLAINED.png]
import { draws, settle, waitForDraws, withPage } from './browser.mjs';

const [site, out, explained] = process.argv.slice(2);
await withPage(site, { width: 1040, height: 640 }, async (page) => {
  await page.waitForFunction(() => document.getElementById('status').hidden);
  const start = await draws(page);
  await page.click('#start');
  await waitForDraws(page, start + 150, 30000);
  await page.click('#stop');
  await settle(page, { read: false });
  await page.screenshot({ path: out });
  if (!explained) return;
  await page.click('#start');
  await waitForDraws(page, 400, 30000);
  await page.click('#stop');
  await settle(page, { read: false });
  await (await page.$('#explain')).screenshot({ path: explained });
});
