// SPDX-License-Identifier: GPL-3.0-or-later
// One browser kept running for the page tests of one CTest worker slot, so
// that each test connects to it in a second instead of starting a browser;
// each test still opens its pages in a browser context of its own. Firefox
// gets an X server of its own. It writes STATE_FILE, { endpoint, display,
// pid }, once the browser takes connections, and removes it when it stops:
// on SIGTERM, or when the browser goes away.
//   usage: BROWSER=chromium|firefox node browser_slot.mjs STATE_FILE
//          node browser_slot.mjs --stop-all DIR   (stops every slot's browser in DIR)
import { mkdtempSync, readdirSync, readFileSync, renameSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
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

// Asks every slot's keeper to stop, all at once, and waits until they have.
async function stopAll(folder) {
  let names = [];
  try {
    names = readdirSync(folder).filter((name) => name.endsWith('.json'));
  } catch {
    return;
  }
  const pids = names.map((name) => {
    try {
      const { pid } = JSON.parse(readFileSync(join(folder, name), 'utf8'));
      process.kill(pid, 'SIGTERM');
      return pid;
    } catch {
      return null; // Gone already, or never written whole.
    }
  });
  for (let wait = 0; pids.some((pid) => pid && isAlive(pid)) && wait < 200; wait += 1) await sleep(50);
  for (const name of names) rmSync(join(folder, name), { force: true });
}

async function keep(stateFile) {
  const xvfb = engine === 'firefox' && !process.env.DISPLAY ? await startXvfb() : null;
  if (xvfb) process.env.DISPLAY = xvfb.display;
  // A profile of its own, so that stopping need not wait for the browser
  // to tidy one away: it is killed, and the profile removed.
  const profile = mkdtempSync(join(tmpdir(), `vibrating-string-${engine}-`));
  const browser = await launch({ profile });
  const stop = () => {
    rmSync(stateFile, { force: true });
    try {
      // The browser leads a process group of its own: all of it.
      process.kill(-browser.process().pid, 'SIGKILL');
    } catch {
      // Gone already.
    }
    xvfb?.stop();
    rmSync(profile, { recursive: true, force: true, maxRetries: 5 });
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
