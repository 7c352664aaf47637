// SPDX-License-Identifier: GPL-3.0-or-later
// The run saved, with no request of any kind: Save data, the record as
// vibrating-string-history writes it; Save picture, the space-time picture
// as shown, as PNG; Save node, the traced node's displacement in the frames
// kept. And the note under them once the program can keep no more of the run.
import { formatNumber, show, t } from './language.js';

// Hands `blob` to the browser as a download.
function download(blob, name) {
  const link = document.createElement('a');
  link.href = URL.createObjectURL(blob);
  link.download = name;
  document.body.append(link);
  link.click();
  link.remove();
  // Long enough for the browser to have read it.
  setTimeout(() => URL.revokeObjectURL(link.href), 60000);
}

export function saveButtons(store, program, run, picture) {
  const byId = (id) => document.getElementById(id);
  const [note, saveNode] = [byId('record-note'), byId('save-node')];
  let recordEnded = false;

  // The record as the history tool writes it, piece by piece from the
  // program, so that its size, however long the run, is the browser's to
  // hold and never the program's.
  byId('save-data').addEventListener('click', () => {
    try {
      const pieces = [];
      for (let piece = 0; ; piece += 1) {
        const text = program.UTF8ToString(program._history_csv_piece(piece));
        if (text === '') break;
        pieces.push(text);
      }
      download(new Blob(pieces, { type: 'text/csv' }), `vibrating-string-frames-0-${run.latest.kept - 1}.csv`);
    } catch (error) {
      show(note, () => t('record.saveFailed', { detail: error.message }));
    }
  });

  byId('save-picture').addEventListener('click', () => {
    const shown = picture.asShown();
    // Named now: the string may run on while the PNG is made.
    const name = `vibrating-string-space-time-${run.latest.frame}.png`;
    shown.toBlob((png) => download(png, name), 'image/png');
  });

  // The traced node's displacement in the frames kept, in the history tool's formats.
  saveNode.addEventListener('click', () => {
    const node = store.get('tracedNode');
    const values = run.ring.history(node);
    const first = run.latest.frame - values.length + 1;
    const line = (frame, value) => program.UTF8ToString(program._node_csv_line(frame, value));
    const lines = [line(-1, 0), ...values.map((value, k) => line(first + k, value))];
    download(new Blob(lines, { type: 'text/csv' }), `vibrating-string-node-${node}-frames-${first}-${run.latest.frame}.csv`);
  });
  const followNode = (node) => { saveNode.hidden = node === null; };
  store.on('tracedNode', followNode);
  followNode(store.get('tracedNode'));

  // Once the program can keep no more of the run, the page says so, once.
  return {
    noteRecord(record) {
      if (recordEnded || record.kept > record.frame) return;
      recordEnded = true;
      show(note, () => t('record.ended', { last: formatNumber(record.kept - 1) }));
    },
  };
}
