// SPDX-License-Identifier: GPL-3.0-or-later
// One browser kept running for the page tests of one CTest worker slot, so
// that each test connects to it in a second instead of starting a browser;
// each test still opens its pages in a browser context of its own. Firefox
// gets an X server of its own. It writes STATE_FILE, { endpoint, display,
// pid }, once the browser takes connections, and removes it when it stops:
// on SIGTERM, or when the browser goes away.
//   usage: BROWSER=chromium|firefox node browser_slot.mjs STATE_FILE
//          node browser_slot.mjs --stop-all DIR   (stops every slot's browser in DIR)
import { readdirSync, readFileSync, renameSync, rmSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { setTimeout as sleep } from 'node:timers/promises';

import { engine, launch } from '../../tools/browser.mjs';
import { startXvfb } from '../../tools/xvfb.mjs';

const isAlive = (pid) => {
  try {
    process.kill(pid, 0);
    return true;
  } catch {
    return false;
  }
};

async function stopAll(folder) {
  let names = [];
  try {
    names = readdirSync(folder).filter((name) => name.endsWith('.json'));
  } catch {
    return;
  }
  for (const name of names) {
    const file = join(folder, name);
    let pid = null;
    try {
      ({ pid } = JSON.parse(readFileSync(file, 'utf8')));
      process.kill(pid, 'SIGTERM');
    } catch {
      // Gone already, or never written whole.
    }
    for (let wait = 0; pid && isAlive(pid) && wait < 200; wait += 1) await sleep(50);
    rmSync(file, { force: true });
  }
}

async function keep(stateFile) {
  const xvfb = engine === 'firefox' && !process.env.DISPLAY ? await startXvfb() : null;
  if (xvfb) process.env.DISPLAY = xvfb.display;
  const browser = await launch();
  const stop = () => {
    rmSync(stateFile, { force: true });
    browser.process()?.kill();
    xvfb?.stop();
    process.exit(0);
  };
  process.on('SIGTERM', stop);
  process.on('SIGINT', stop);
  browser.process().on('exit', stop);
  const state = { endpoint: browser.wsEndpoint(), display: process.env.DISPLAY ?? null, pid: process.pid };
  // Firefox takes one WebDriver BiDi session at a time: this one ends here,
  // and each test opens its own.
  if (engine === 'firefox') await browser.disconnect();
  writeFileSync(`${stateFile}.part`, JSON.stringify(state));
  renameSync(`${stateFile}.part`, stateFile);
}

if (process.argv[2] === '--stop-all') await stopAll(process.argv[3]);
else await keep(process.argv[2]);
