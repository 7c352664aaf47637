// SPDX-License-Identifier: GPL-3.0-or-later
// The page's words at build time, from the catalogs in messages/ (one ICU
// MessageFormat catalog per language, English the reference):
//   OUT/vibrating-string-messages/index.js  every catalog compiled by
//        @messageformat/core into functions, with the languages offered
//   SITE/index.html        the page, its words in English, and the notice
//        without JavaScript in every language
//   SITE/manifest*.webmanifest  the web app manifest, one per language
// A catalog that does not hold exactly English's messages, or one that does
// not parse, stops the build, naming the language and the message.
// With --pseudo, a pseudo-language for the tests is compiled in as well
// (PSEUDO, not offered): every message visibly changed, so that any word
// left in English stands out.
//   usage: node cmake/messages.mjs MESSAGES_DIR OUT_DIR INDEX_HTML MANIFEST SITE_DIR [--pseudo]
import { mkdirSync, readFileSync, readdirSync, writeFileSync } from 'node:fs';
import { basename, join } from 'node:path';
import { pathToFileURL } from 'node:url';

import MessageFormat from '@messageformat/core';
import compileModule from '@messageformat/core/compile-module.js';
import { parse } from '@messageformat/parser';

import { factsInWords } from '../web/page/facts.js';

export const REFERENCE = 'en';
export const PSEUDO = 'en-XA';
// The messages that go into the desktop entry and the AppStream metadata,
// which read them as plain text.
const PLAIN = /^desktop\./;

// Every catalog in `folder`, as { language: { key: message } }, English first.
export function readCatalogs(folder) {
  const languages = readdirSync(folder).filter((name) => name.endsWith('.json')).map((name) => basename(name, '.json'))
    .sort((a, b) => (a === REFERENCE ? -1 : b === REFERENCE ? 1 : a.localeCompare(b)));
  return Object.fromEntries(languages.map((language) => [language,
    JSON.parse(readFileSync(join(folder, `${language}.json`), 'utf8'))]));
}

// What a message takes and can say: its placeholders, and for each choice
// among words (select) the cases it offers; plural cases follow the
// language, and are the parser's to check against CLDR's.
function shape(tokens, found = new Set()) {
  for (const token of tokens) {
    if (token.arg !== undefined) found.add(`{${token.arg}}`);
    if (token.type === 'select') token.cases.forEach(({ key }) => found.add(`{${token.arg}} ${key}`));
    token.cases?.forEach(({ tokens: inner }) => shape(inner, found));
  }
  return found;
}

// Where `catalogs` fall short of English: a list of sentences, each naming
// the language and the message.
export function catalogProblems(catalogs) {
  const problems = [];
  const reference = catalogs[REFERENCE];
  const shapes = {};
  for (const [language, catalog] of Object.entries(catalogs)) {
    const cardinal = new Intl.PluralRules(language).resolvedOptions().pluralCategories;
    for (const key of Object.keys(reference)) {
      if (!(key in catalog)) problems.push(`${language}: the message ${key} is missing`);
    }
    for (const [key, message] of Object.entries(catalog)) {
      if (!(key in reference)) {
        problems.push(`${language}: the message ${key} is not in ${REFERENCE}.json`);
        continue;
      }
      let tokens;
      try {
        tokens = parse(message, { cardinal });
      } catch (error) {
        problems.push(`${language}: the message ${key} does not parse: ${error.message}`);
        continue;
      }
      const found = [...shape(tokens)].sort().join(' ');
      shapes[key] ??= found;
      if (found !== shapes[key]) {
        problems.push(`${language}: the message ${key} has placeholders ${found || 'none'}, not ${shapes[key] || 'none'}`);
      }
      if (PLAIN.test(key) && tokens.some((token) => token.type !== 'content')) {
        problems.push(`${language}: the message ${key} must be plain text`);
      }
    }
  }
  return problems;
}

// English with every letter outside the messages' syntax accented, and
// each message bracketed: still readable, never English.
const LOOK_ALIKES = [...'áƀçđéƒĝĥíĵķĺɱñóƥʠŕšťúṽŵẋýžÁƁÇĐÉƑĜĤÍĴĶĹṀÑÓƤɊŔŠŤÚṼŴẊÝŽ'];
const ACCENTED = Object.fromEntries([...'abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ']
  .map((letter, i) => [letter, LOOK_ALIKES[i]]));
export function pseudoMessage(message) {
  const edits = [];
  const visit = (tokens) => tokens.forEach((token) => {
    if (token.type === 'content') edits.push(token.ctx);
    token.cases?.forEach(({ tokens: inner }) => visit(inner));
  });
  visit(parse(message));
  let text = message;
  for (const { offset, text: source } of edits.sort((a, b) => b.offset - a.offset)) {
    text = text.slice(0, offset) + source.replace(/[A-Za-z]/g, (letter) => ACCENTED[letter]) +
      text.slice(offset + source.length);
  }
  return `⟦${text}⟧`;
}

const escapeHtml = (text) => text.replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;').replace(/"/g, '&quot;');
const direction = (language) => {
  const locale = new Intl.Locale(language);
  return (locale.getTextInfo?.() ?? locale.textInfo).direction;
};

// The page with English in every element that names a message
// (data-message="key") and every attribute that does (data-message-NAME),
// and the notice without JavaScript in each language.
function renderPage(template, catalogs) {
  const english = catalogs[REFERENCE];
  // The string's facts, in English's numbers: the only placeholders the page's own words may hold.
  const facts = factsInWords((value, options) => new Intl.NumberFormat(REFERENCE, options).format(value));
  const text = (key) => {
    if (!(key in english)) throw new Error(`index.html names the message ${key}, which ${REFERENCE}.json does not hold`);
    if (parse(english[key]).some((token) => token.type !== 'content' && !(token.type === 'argument' && token.arg in facts))) {
      throw new Error(`index.html names the message ${key}, which has placeholders other than the facts: the page must fill them in`);
    }
    return escapeHtml(new MessageFormat(REFERENCE).compile(english[key])(facts));
  };
  const notices = Object.entries(catalogs).map(([language, catalog]) =>
    `<p lang="${language}" dir="${direction(language)}">${escapeHtml(catalog['page.noScript'])}</p>`).join('\n      ');
  return template
    .replace(/(<(\w+)[^>]*\sdata-message="([\w.]+)"[^>]*>)(<\/\2>)/g, (_, open, _tag, key, close) => open + text(key) + close)
    .replace(/\sdata-message-([\w-]+)="([\w.]+)"/g, (attribute, name, key) => `${attribute} ${name}="${text(key)}"`)
    .replace('<!-- the notice in every language -->', () => notices);
}

// The manifest in each language: English's as manifest.webmanifest, the
// page's default, the others beside it as manifest.LANGUAGE.webmanifest.
const manifestName = (language) => (language === REFERENCE ? 'manifest.webmanifest' : `manifest.${language}.webmanifest`);
function writeManifests(template, catalogs, site) {
  for (const [language, catalog] of Object.entries(catalogs)) {
    const manifest = {
      lang: language, dir: direction(language), name: catalog['page.title'], short_name: catalog['page.shortName'],
      description: catalog['page.description'], ...template,
    };
    writeFileSync(join(site, manifestName(language)), `${JSON.stringify(manifest, null, 2)}\n`);
  }
}

function compileCatalogs(catalogs, out) {
  const languages = Object.keys(catalogs);
  const offered = languages.filter((language) => language !== PSEUDO)
    .map((language) => ({
      code: language, name: catalogs[language]['language.name'], direction: direction(language),
      manifest: manifestName(language),
    }));
  const folder = join(out, 'vibrating-string-messages');
  mkdirSync(folder, { recursive: true });
  const compiled = compileModule(new MessageFormat(languages), catalogs);
  writeFileSync(join(folder, 'index.js'), `// Made by cmake/messages.mjs from messages/*.json.\n${compiled}\n` +
    `export const LANGUAGES = ${JSON.stringify(offered)};\nexport const PSEUDO = ${JSON.stringify(PSEUDO)};\n`);
}

function main() {
  const [messages, out, indexHtml, manifest, site, pseudo] = process.argv.slice(2);
  const catalogs = readCatalogs(messages);
  const problems = catalogProblems(catalogs);
  if (problems.length > 0) throw new Error(`the catalogs in ${messages}:\n  ${problems.join('\n  ')}`);
  writeFileSync(join(site, 'index.html'), renderPage(readFileSync(indexHtml, 'utf8'), catalogs));
  writeManifests(JSON.parse(readFileSync(manifest, 'utf8')), catalogs, site);
  if (pseudo === '--pseudo') {
    catalogs[PSEUDO] = Object.fromEntries(Object.entries(catalogs[REFERENCE])
      .map(([key, message]) => [key, pseudoMessage(message)]));
  }
  compileCatalogs(catalogs, out);
}

if (import.meta.url === pathToFileURL(process.argv[1]).href) main();
