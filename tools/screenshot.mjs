// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures of the page for the README and the guides, from the built site in
// headless Chromium: a lesson on a laptop's screen and on a projector's, node
// 99 traced and mode 5 chosen, after 400 pictures, each as
// OUT_DIR/lesson-WIDTHxHEIGHT.png.
//   usage: node tools/screenshot.mjs SITE_DIR OUT_DIR
import { join } from 'node:path';

import { settle, waitForDraws, withPage } from './browser.mjs';

const [site, out] = process.argv.slice(2);
for (const [width, height] of [[1366, 768], [1920, 1080]]) {
  await withPage(site, { width, height }, async (page) => {
    await page.goto(new URL('?node=99&modes=5', page.url()).href);
    await page.waitForFunction(() => !document.getElementById('start').disabled);
    await page.click('#start');
    await waitForDraws(page, 400, 30000);
    await page.click('#stop');
    await settle(page, { read: false });
    await page.screenshot({ path: join(out, `lesson-${width}x${height}.png`) });
  });
}
