// SPDX-License-Identifier: GPL-3.0-or-later
// The discrete string: 100 nodes, linear finite elements, and the recurrence
// that steps M*u'' + K*u = 0 forward in time.
#pragma once

#include <gsl/gsl_matrix.h>
#include <gsl/gsl_vector.h>

constexpr int N = 100;               // nodes, indices 0 to N-1
constexpr double H = 0.01;           // element length
constexpr double STEP_COEFF = 1e-11; // (dt*c)^2 of the time step
constexpr int STEPS_PER_FRAME = 201;

// Every numeric object of the model. All handles are created zero-filled
// before main runs and live until the process ends.
struct StringState {
    gsl_vector *u_prev;     // displacement at the older level
    gsl_vector *u_curr;     // displacement at the current level: what is drawn
    gsl_vector *u_next;     // the new level while a step builds it
    gsl_vector *rhs;        // K * u_prev, right-hand side of the mass solve
    gsl_matrix *stiffness;  // K, stored dense
    gsl_vector *mass_diag;  // M(i,i)
    gsl_vector *mass_upper; // M(i,i+1)
    gsl_vector *mass_lower; // M(i+1,i)
    int initialized;        // 1 once setup_string has run
};

extern StringState string_state;

// Writes the initial pulse and the two operators. Run once, on first display.
void setup_string();

// One time step: u_next = 2*u_curr - u_prev - STEP_COEFF * M^-1 K u_prev.
// It runs the four parts below in this order; they are separate so that the
// benchmarks can time each on its own.
void step_string();
void stiffness_product(); // rhs = K * u_prev
void mass_solve();        // solves M * u_next = rhs
void combine_levels();    // u_next = -STEP_COEFF * u_next - u_prev + u_curr + u_curr
void shift_levels();      // u_prev = u_curr, then u_curr = u_next

// STEPS_PER_FRAME steps: the model time between two pictures.
void advance_frame();
