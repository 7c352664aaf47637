// SPDX-License-Identifier: GPL-3.0-or-later
// The string's modes: the standing waves whose sum is any frame of the model.
//
// A step sets u(n+1) = 2 u(n) - u(n-1) - STEP_COEFF * A u(n-1), A = M^-1 K.
// With A = V diag(lambda) V^-1, each modal coordinate c = V^-1 u follows its
// own recurrence,
//     c(n+1) = 2 c(n) - (1 + STEP_COEFF lambda) c(n-1),
// whose roots are sqrt(1 + STEP_COEFF lambda) e^(+-i theta), tan(theta) =
// sqrt(STEP_COEFF lambda): each mode turns by theta a step and its swing
// grows by sqrt(1 + STEP_COEFF lambda), the high modes fastest. That growth,
// from the operator acting on the older level, is why the energy climbs.
//
// A is not symmetric, as M and K have unit rows at the ends, so its
// eigenvectors come from GSL's nonsymmetric solver. Its eigenvalues are all
// real and positive (the imaginary parts the solver returns are checked):
//   - mode 0 is the held end's own: lambda = 1, and it moves node 0 alone,
//     which stays at 0, so its amplitude is always 0;
//   - the unit row at node 99 ties it to rest by a spring 200 times weaker
//     than an element, which adds one mode (mode 4, lambda about 120.5)
//     among the string's; the others lie close to those of a string held at
//     both ends, sin(i theta) with the finite elements' dispersion.
// Modes are numbered 0 to N-1 from the lowest frequency up.
#pragma once

// Computes the modes from the model's operators, which setup_string must
// have written. It takes a moment (tens of thousands of times a step's
// work), so a caller computes them once.
void compute_modes();

// The largest imaginary part, of an eigenvalue or of an eigenvector's
// entry, that the solver returned and compute_modes left out.
double modes_imaginary_part();

double mode_eigenvalue(int mode);      // lambda, of M^-1 K
double mode_frequency(int mode);       // radians per frame: STEPS_PER_FRAME * theta
double mode_growth(int mode);          // the factor by which its swing grows in a frame
double mode_shape(int mode, int node); // as scale_mode_shape leaves it

// Scales an eigenvector of `count` entries so that its largest entry's size
// is 1 and its sign is fixed by a rule no rounding can flip: the first entry,
// counting from node 1 (node 0 last), whose size is over half the largest
// is positive.
void scale_mode_shape(double *shape, int count);

// The frame given by both levels (N values each, the older level one step
// before `current`) as modes: amplitudes[k] is the coordinate of mode k, so
// that the sum of amplitudes[k] * mode_shape(k, i) is current[i]; swings[k]
// is the size of mode k's oscillation, which amplitudes[k] reaches once a
// turn.
void mode_amplitudes(const double *current, const double *previous, double *amplitudes, double *swings);
