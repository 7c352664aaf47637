// SPDX-License-Identifier: GPL-3.0-or-later
// What the page may load, as its Content-Security-Policy declares it: the
// release's site served and the single file from disk run every part of
// the page with nothing blocked (openPage counts whatever the policy blocks
// as an error), and a boot script changed without a new hash does not run.
import assert from 'node:assert/strict';
import { copyFileSync, readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';

import { address, closePage, openPage, pageTest } from './harness.mjs';
import {
  browser, chooseLanguage, inFolder, inLanguage, runUntil, serveCopy, server, site, stopServing,
} from './page_checks.mjs';

// Every part of the page used once: the string run and stopped, a node
// traced, a mode chosen and heard, the words asked for, another language.
async function useEveryPart(target) {
  await target.waitForFunction(() => !document.getElementById('start').disabled);
  await runUntil(target, 20);
  for (const [field, value] of [['#node', '50'], ['#mode', '40']]) {
    await target.type(field, value);
    await target.keyboard.press('Tab');
  }
  await target.click('#listen');
  await target.click('#describe');
  await chooseLanguage(target, 'fr');
}

pageTest('the page declares what it may load, and runs everything under that policy, served and from one file', () => inFolder(async (folder) => {
  const file = join(folder, 'vibrating-string.html');
  copyFileSync(join(site, 'vibrating-string.html'), file);
  for (const url of [inLanguage(address(server), 'de'), `${pathToFileURL(file).href}?lang=ar`]) {
    const target = await openPage(browser, url);
    try {
      const policy = await target.$eval('meta[http-equiv="Content-Security-Policy"]', (meta) => meta.content);
      assert.match(policy, /^default-src 'self'; script-src 'self'( 'sha256-[\w+/=]+')+ 'wasm-unsafe-eval'; /);
      await useEveryPart(target);
      assert.deepEqual(target.errors, [], url);
    } finally {
      await closePage(target);
    }
  }
}));

pageTest('a boot script changed without a new hash is blocked by the policy', () => inFolder(async (folder) => {
  const { copy, copyServer } = await serveCopy(folder);
  const page = join(copy, 'index.html');
  writeFileSync(page, readFileSync(page, 'utf8').replace('<script id="boot">', '<script id="boot">void 0;'));
  const target = await openPage(browser, inLanguage(address(copyServer), 'de'));
  try {
    await target.waitForFunction(() => document.readyState === 'complete');
    assert.ok(target.errors.some((error) => /Content-Security-Policy: script-src(-elem)? blocked inline/.test(error)),
      `nothing blocked: ${target.errors.join('; ')}`);
    assert.notEqual(await target.evaluate(() => document.documentElement.lang), 'de', 'the changed boot script ran');
  } finally {
    await closePage(target);
    stopServing(copyServer);
  }
}));
