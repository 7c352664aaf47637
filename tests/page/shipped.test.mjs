// SPDX-License-Identifier: GPL-3.0-or-later
// What ships is the release's site (RELEASE_SITE, the preset dist-web's
// build): its program and page script name none of the entries that only
// the test build compiles (GLUE's VIBSTRING_TEST_ENTRIES block), which the
// test build's (TEST_SITE) do name; it has no pseudo-language; and its
// catalogs (each language's messages.LANGUAGE.js as shipped, English's as
// compiled into page.js, in RELEASE_MESSAGES) say what messages/ says, in
// every language, with every placeholder in its place, and the words they
// carry, written at build time, write numbers as their language does.
import vm from 'node:vm';
import assert from 'node:assert/strict';
import { existsSync, readFileSync, readdirSync } from 'node:fs';
import { join } from 'node:path';
import { test } from 'node:test';
import { fileURLToPath, pathToFileURL } from 'node:url';

import MessageFormat from '@messageformat/core';
import { parse } from '@messageformat/parser';

import { PSEUDO, REFERENCE, readCatalogs } from '../../cmake/messages.mjs';
import { factsInWords } from '../../web/page/facts.js';

const { RELEASE_SITE, TEST_SITE, GLUE, RELEASE_MESSAGES } = process.env;
const SHIPPED = ['vibrating-string.js', 'page.js', 'index.html', 'sw.js', 'vibrating-string.html', 'messages.de.js'];

// A site's file as text; the single file with the program it embeds (base64) decoded beside it.
function text(site, name) {
  const file = readFileSync(join(site, name), 'utf8');
  const embedded = file.match(/<script id="program-js"[^>]*>([^<]*)</);
  return embedded ? `${file}\n${Buffer.from(embedded[1].trim(), 'base64').toString('utf8')}` : file;
}

const testEntries = () => {
  const glue = readFileSync(GLUE, 'utf8');
  const block = glue.slice(glue.indexOf('#ifdef VIBSTRING_TEST_ENTRIES'));
  return [...block.matchAll(/EMSCRIPTEN_KEEPALIVE \w+ (\w+)\(/g)].map((match) => match[1]);
};

test('the release\'s site is built (cmake --workflow --preset dist-web)', () => {
  for (const name of SHIPPED) assert.ok(existsSync(join(RELEASE_SITE, name)), `${RELEASE_SITE}/${name} is missing`);
});

test('the shipped program and page name no test entry, which the test build\'s do', () => {
  const entries = testEntries();
  assert.ok(entries.length >= 2, `found no test entries in ${GLUE}`);
  const testProgram = text(TEST_SITE, 'vibrating-string.js');
  for (const entry of entries) assert.ok(testProgram.includes(`_${entry}`), `the test build lacks ${entry}`);
  for (const name of SHIPPED) {
    const shipped = text(RELEASE_SITE, name);
    for (const entry of entries) assert.ok(!shipped.includes(entry), `the shipped ${name} names ${entry}`);
  }
});

// The arguments to format `message` with: each placeholder a text that
// names it, numbers a number, and each case of each choice in turn.
function argumentSets(message) {
  const choices = new Map();
  const plain = new Set();
  const walk = (tokens) => tokens.forEach((token) => {
    if (token.type === 'select' || token.type === 'plural' || token.type === 'selectordinal') {
      const values = choices.get(token.arg) ?? new Set();
      for (const { key, tokens: inner } of token.cases) {
        values.add(token.type === 'select' ? key : Number(key.replace('=', '')) || 0);
        walk(inner);
      }
      if (token.type !== 'select') [0, 1, 2, 3, 5, 11, 21, 1.5, 100].forEach((value) => values.add(value));
      choices.set(token.arg, values);
    } else if (token.type === 'argument' || token.type === 'function') {
      plain.add(token.arg);
    }
  });
  walk(parse(message));
  const base = Object.fromEntries([...plain].map((name) => [name, `‹${name}›`]));
  for (const [name, values] of choices) base[name] = [...values].at(-1);
  const sets = [base];
  for (const [name, values] of choices) for (const value of values) sets.push({ ...base, [name]: value });
  return sets;
}

// A number as `language` writes it, read back by Intl's own digits and signs.
function readNumber(language, text) {
  const format = new Intl.NumberFormat(language);
  const digits = Array.from({ length: 10 }, (_, digit) => format.format(digit));
  const meaning = { decimal: '.', minusSign: '-', group: '' };
  const signs = format.formatToParts(-12345.6).filter(({ type }) => type in meaning)
    .map(({ type, value }) => [value, meaning[type]]);
  let number = '';
  for (let rest = text; rest !== '';) {
    const [sign, read] = signs.find(([written]) => rest.startsWith(written)) ??
      [rest[0], digits.includes(rest[0]) ? String(digits.indexOf(rest[0])) : '?'];
    number += read;
    rest = rest.slice(sign.length);
  }
  return Number(number);
}

// Each catalog the release's site ships, as a browser runs it, by language:
// English from the modules bundled into page.js.
async function shippedCatalogs() {
  const page = { window: {} };
  page.self = page.window;
  vm.createContext(page);
  const names = readdirSync(RELEASE_SITE).filter((name) => /^messages\..+\.js$/.test(name));
  for (const name of names) vm.runInContext(readFileSync(join(RELEASE_SITE, name), 'utf8'), page);
  const english = await import(pathToFileURL(join(RELEASE_MESSAGES, `${REFERENCE}.js`)).href);
  return { ...page.vibratingStringCatalogs, [REFERENCE]: english };
}

test('the shipped catalogs are the messages as written, every placeholder in its place, and no pseudo-language', async () => {
  const shipped = await shippedCatalogs();
  const { LANGUAGES } = await import(pathToFileURL(join(RELEASE_MESSAGES, 'languages.js')).href);
  const catalogs = readCatalogs(fileURLToPath(new URL('../../messages', import.meta.url)));
  assert.deepEqual(Object.keys(shipped).sort(), Object.keys(catalogs).sort(), 'the languages shipped');
  assert.deepEqual(LANGUAGES.map(({ code }) => code).sort(), Object.keys(catalogs).sort(), 'the languages offered');
  assert.ok(!LANGUAGES.some(({ code }) => code === PSEUDO), 'the release offers the pseudo-language');
  for (const [language, catalog] of Object.entries(catalogs)) {
    const compiled = { [language]: shipped[language].default };
    const reference = new MessageFormat(language);
    for (const [key, message] of Object.entries(catalog)) {
      const written = reference.compile(message);
      for (const args of argumentSets(message)) {
        assert.equal(compiled[language][key](args), written(args), `${language} ${key} with ${JSON.stringify(args)}`);
      }
    }
  }
});

// The page's own words, written at build time, hold the string's facts
// (facts.js) in each language's numbers: each fact's place found from the
// message, its text read as that language writes numbers, and written
// again by Intl as the same text.
test("the words written at build time carry each language's numbers", async () => {
  const shipped = await shippedCatalogs();
  const catalogs = readCatalogs(fileURLToPath(new URL('../../messages', import.meta.url)));
  const facts = new Set(Object.keys(factsInWords(String)));
  let read = 0;
  for (const [language, { words }] of Object.entries(shipped)) {
    const again = new Intl.NumberFormat(language, { maximumSignificantDigits: 21 });
    for (const [key, text] of Object.entries(words)) {
      const tokens = parse(catalogs[language][key.split(' ')[0]]);
      if (!tokens.some((token) => facts.has(token.arg)) || tokens.some((token) => !['content', 'argument'].includes(token.type))) continue;
      const places = tokens.map((token) => (token.type === 'content' ? token.value.replace(/[.*+?^${}()|[\]\\]/g, '\\$&')
        : `(${facts.has(token.arg) ? '' : '?:'}.*?)`));
      const found = text.match(new RegExp(`^${places.join('')}$`, 's'));
      assert.ok(found, `${language} ${key}: "${text}" is not its message`);
      for (const number of found.slice(1)) {
        assert.equal(again.format(readNumber(language, number)), number, `${language} ${key}: "${number}" in "${text}"`);
        read += 1;
      }
    }
  }
  assert.ok(read >= 8 * 8, `only ${read} numbers found in the words`);
});
