// SPDX-License-Identifier: GPL-3.0-or-later
// What the string does, measured from the model as it stands: the numbers
// that vibrating-string-history writes and the page shows beside the
// string, each defined here once.
#pragma once

#include <cstddef>

// The history's CSV: this header, then one history_line per frame.
extern const char HISTORY_HEADER[];

// Model time after `frame` frames: STEPS_PER_FRAME steps of dt, where
// STEP_COEFF is (dt*c)^2 and the wave speed c is 1.
double frame_time(long frame);

// The node whose displacement is largest in size (the first of equals), and that size.
int largest_node();
double largest_displacement();

// The energy of a string of unit tension and unit density whose shape is the
// piecewise-linear one through the nodes: strain energy 1/2 of the integral
// of u_x^2, plus kinetic energy 1/2 of the integral of u_t^2, with the nodes'
// velocities taken from the last step, (u_curr - u_prev) / dt.
double energy();

// Writes the line for `frame` into `line` (at most `size` bytes, with the
// newline), as snprintf does: frame,time,largest_displacement,energy. Any
// line fits in HISTORY_LINE_SIZE bytes with its terminating zero.
constexpr std::size_t HISTORY_LINE_SIZE = 80;
int history_line(char *line, std::size_t size, long frame, double largest, double energy);

// One node's displacement over the frames, in the history's formats: this
// header, then per frame frame,time,displacement, written as history_line
// writes; any line fits in HISTORY_LINE_SIZE bytes too.
extern const char NODE_HEADER[];
int node_line(char *line, std::size_t size, long frame, double displacement);
