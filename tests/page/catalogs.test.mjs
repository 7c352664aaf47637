// SPDX-License-Identifier: GPL-3.0-or-later
// The page's catalogs (messages/), as the build reads them
// (cmake/messages.mjs): each language holds exactly English's messages, each
// parses with @messageformat/parser, with English's placeholders and
// choices, and the plural cases of its own language; a catalog that does
// not is named, with the message.
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { fileURLToPath } from 'node:url';

import { catalogProblems, pseudoMessage, readCatalogs } from '../../cmake/messages.mjs';

const catalogs = readCatalogs(fileURLToPath(new URL('../../messages', import.meta.url)));

test("every catalog holds exactly English's messages, each parses, with English's placeholders", () => {
  assert.deepEqual(Object.keys(catalogs), ['en', 'ar', 'de', 'es', 'fr', 'ja', 'pt-BR', 'zh-CN']);
  assert.deepEqual(catalogProblems(catalogs), []);
});

test('a missing, an extra, a broken or a changed message is named with its language', () => {
  const planted = structuredClone(catalogs);
  delete planted.de['control.start'];
  planted.fr['control.begin'] = 'Commencer';
  planted.ja['explain.legendDown'] = '下 {range';
  planted.ar['control.widthValue'] = '{breite} px';
  planted.es['describe.one'] = planted.es['describe.one'].replace('highest {alto}', 'top {alto}');
  planted['pt-BR']['failure.buildMismatch'] = planted['pt-BR']['failure.buildMismatch'].replace('one {existe}', 'few {existe}');
  planted['zh-CN']['desktop.name'] = '{count, plural, other {振动的弦}}';
  const problems = catalogProblems(planted);
  for (const expected of [
    /^de: the message control\.start is missing$/,
    /^fr: the message control\.begin is not in en\.json$/,
    /^ja: the message explain\.legendDown does not parse/,
    /^ar: the message control\.widthValue has placeholders \{breite\}, not \{width\}$/,
    /^es: the message describe\.one has placeholders .*\{point\} top.*, not .*\{point\} highest/,
    /^pt-BR: the message failure\.buildMismatch does not parse: .*few/,
    /^zh-CN: the message desktop\.name has placeholders \{count\}, not none$/,
    /^zh-CN: the message desktop\.name must be plain text$/,
  ]) {
    assert.equal(problems.filter((problem) => expected.test(problem)).length, 1, `${expected} in:\n${problems.join('\n')}`);
  }
  assert.equal(problems.length, 8, problems.join('\n'));
});

test("the pseudo-language changes every letter of a message's text, and nothing of its syntax", () => {
  assert.equal(pseudoMessage('Its {point, select, highest {highest} other {lowest}} point, node {node}.'),
    '⟦Íťš {point, select, highest {ĥíĝĥéšť} other {ĺóŵéšť}} ƥóíñť, ñóđé {node}.⟧');
});
