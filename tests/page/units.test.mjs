// SPDX-License-Identifier: GPL-3.0-or-later
// The page's parts that need no browser, under Node: the store of its
// state, the language that fits a reader's tags, the node a link or the
// field names, the column under a tap, and the rows the space-time picture
// keeps.
import assert from 'node:assert/strict';
import { describe, test } from 'node:test';

import { KEPT_FRAMES, NODES, nodeNamed } from '../../web/page/facts.js';
import { bestMatch } from '../../web/page/language_match.js';
import { SCALE } from '../../web/page/palette.js';
import { columnsOf, nodeAt, rowRing } from '../../web/page/spacetime_rows.js';
import { createStore } from '../../web/page/store.js';

describe('the store', () => {
  test('tells each follower of a value once per change, and no one of a value set again', () => {
    const store = createStore({ speed: 4 });
    const heard = [];
    store.on('speed', (speed) => heard.push(['speed', speed]));
    store.on('running', (running) => heard.push(['running', running]));
    assert.equal(store.get('speed'), 4);
    store.set('speed', 4);
    store.set('speed', 8);
    store.set('running', true);
    store.set('running', true);
    store.set('speed', 1);
    assert.deepEqual(heard, [['speed', 8], ['running', true], ['speed', 1]]);
  });
  test('knows no state it was not made with', () => {
    const store = createStore();
    assert.throws(() => store.set('runing', true), /no state 'runing'/);
    assert.throws(() => store.on('sped', () => {}), /no state 'sped'/);
  });
});

describe('the language', () => {
  const offered = ['en', 'de', 'fr', 'es', 'pt-BR', 'zh-CN', 'ja', 'ar'];
  test('a tag of an offered language finds it, whatever its region or case', () => {
    assert.equal(bestMatch(['de-AT'], offered), 'de');
    assert.equal(bestMatch(['PT-pt'], offered), 'pt-BR');
    assert.equal(bestMatch(['ar-EG'], offered), 'ar');
  });
  test('Chinese by its script: zh-SG finds zh-CN, zh-TW none, and the next tag is taken', () => {
    assert.equal(bestMatch(['zh-SG'], offered), 'zh-CN');
    assert.equal(bestMatch(['zh-TW', 'ja'], offered), 'ja');
    assert.equal(bestMatch(['zh-TW'], offered), null);
  });
  test('the first tag that fits wins; no tag at all is passed over', () => {
    assert.equal(bestMatch(['sv', 'fr-CA', 'de'], offered), 'fr');
    assert.equal(bestMatch(['not a tag!', 'es-MX'], offered), 'es');
    assert.equal(bestMatch([], offered), null);
  });
});

test('a node is named by a whole number from 0 to the last node alone', () => {
  assert.equal(NODES, 100);
  for (const [text, node] of [['0', 0], ['42', 42], ['99', 99]]) assert.equal(nodeNamed(text), node);
  for (const text of ['100', '-1', '7.5', '', ' 5', '5 ', '1e1', 'five', null]) assert.equal(nodeNamed(text), null, text);
});

describe('the space-time picture', () => {
  // Where the program puts node i: 9 i hundredths of a unit right of -4, at 100 pixels a unit.
  const geometry = { positions: Array.from({ length: NODES }, (_, i) => (9 * i) * 0.01 - 4), pixelsPerUnit: 100 };

  test("each node's column is 9 pixels under its vertex, at any width and any scale on screen", () => {
    for (const width of [1000, 300]) {
      const columns = columnsOf(geometry, width);
      assert.deepEqual(columns, { left: width / 2 - 404, column: 9, width, nodes: NODES });
      for (const scale of [1, 0.5]) {
        const box = { left: 20, width: width * scale };
        const at = (x) => nodeAt(columns, box.left + x * scale, box);
        for (const node of [0, 31, 99]) {
          const vertex = width / 2 + geometry.positions[node] * 100;
          assert.equal(at(vertex), node, `the vertex of ${node} at ${width} px, scaled ${scale}`);
          assert.equal(at(vertex - 4), node);
          assert.equal(at(vertex + 4.9), node);
        }
        assert.equal(at(columns.left - 0.5), null, 'left of node 0');
        assert.equal(at(columns.left + 900), null, 'right of node 99');
      }
    }
  });

  test('the rows keep the newest frames, a node\'s the oldest first, and each row its colours', () => {
    const ring = rowRing(3);
    const frames = KEPT_FRAMES + 7;
    for (let frame = 0; frame < frames; frame += 1) ring.add([frame, -frame, 0], 1.5);
    assert.equal(ring.filled, KEPT_FRAMES);
    assert.deepEqual(ring.history(0), Array.from({ length: KEPT_FRAMES }, (_, k) => frames - KEPT_FRAMES + k));
    assert.deepEqual(ring.history(1).slice(-2), [-(frames - 2), -(frames - 1)]);
    // The newest row: node 0 far up (the scale's end), node 1 far down, node 2 at rest.
    const row = ring.pixels.subarray(4 * 3 * ring.newest, 4 * 3 * (ring.newest + 1));
    assert.deepEqual([...row], [...SCALE.at(-1)[1], 255, ...SCALE[0][1], 255, 255, 255, 255, 255]);
  });
});
