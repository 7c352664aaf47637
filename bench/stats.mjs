// SPDX-License-Identifier: GPL-3.0-or-later
// The statistics every benchmark here reports with.

// The middle value, or the mean of the middle two.
export function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  const middle = Math.floor(sorted.length / 2);
  return sorted.length % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
}

// The value below which a fraction `q` of the values lie (nearest rank).
export function quantile(values, q) {
  const sorted = [...values].sort((a, b) => a - b);
  return sorted[Math.min(sorted.length - 1, Math.floor(q * sorted.length))];
}
