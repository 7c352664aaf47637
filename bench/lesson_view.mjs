// SPDX-License-Identifier: GPL-3.0-or-later
// How much of what a lesson uses lies in the window, on a laptop, a
// projector and a phone, in each language asked for: the page opened with
// node 99 traced and mode 5 chosen, set running, and read after 30
// pictures, in headless Chromium.
//   usage: node bench/lesson_view.mjs SITE_DIR [LANGUAGES, comma-separated: en,de,ar]
//   prints a Markdown table: a row per window and language, a column per
//   part (the share of it in view), the box around the parts, and the page's size
import { address, closePage, draws, launch, openPage, serve, waitForDraws } from '../tools/browser.mjs';
import { LESSON_PARTS, lessonInView } from '../tools/lesson.mjs';

const WINDOWS = [[1920, 1080], [1366, 768], [1280, 800], [1024, 768], [390, 844]];
const PHONE = { deviceScaleFactor: 3, isMobile: true, hasTouch: true };
const [site, languages = 'en,de,ar'] = process.argv.slice(2);
const [server, browser] = [await serve(site), await launch()];
const percent = (share) => `${Math.floor(100 * share)}%`;
console.log(`| window | language | ${Object.keys(LESSON_PARTS).join(' | ')} | the parts' box | the page |`);
console.log(`|---|---|${Object.keys(LESSON_PARTS).map(() => '---|').join('')}---|---|`);
try {
  for (const [width, height] of WINDOWS) {
    for (const language of languages.split(',')) {
      const page = await openPage(browser, `${address(server)}?lang=${language}&node=99&modes=5`,
        { width, height, ...(width < height ? PHONE : {}) });
      try {
        await page.waitForFunction(() => !document.getElementById('start').disabled);
        await page.evaluate(() => document.getElementById('start').click());
        await waitForDraws(page, (await draws(page)) + 30);
        const view = await lessonInView(page);
        console.log(`| ${width}×${height} | ${language} | ${Object.values(view.shares).map(percent).join(' | ')} | ` +
          `${Math.round(view.used.width)}×${Math.round(view.used.height)} | ${view.page.width}×${view.page.height} |`);
      } finally {
        await closePage(page);
      }
    }
  }
} finally {
  await browser.close();
  server.close();
}
