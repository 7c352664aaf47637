// SPDX-License-Identifier: GPL-3.0-or-later
#include "string_model.h"

#include <gsl/gsl_blas.h>
#include <gsl/gsl_linalg.h>

#include <cmath>

#ifdef VIBSTRING_OPENBLAS
extern "C" void openblas_set_num_threads(int num_threads);

// A 100x100 product is too small to share out: handing half of it to a second
// thread costs more than it saves, and keeps that core spinning.
__attribute__((constructor)) static void use_one_blas_thread()
{
    openblas_set_num_threads(1);
}
#endif

StringState string_state = {
    gsl_vector_calloc(N),     // u_prev
    gsl_vector_calloc(N),     // u_curr
    gsl_vector_calloc(N),     // u_next
    gsl_vector_calloc(N),     // rhs
    gsl_matrix_calloc(N, N),  // stiffness
    gsl_vector_calloc(N),     // mass_diag
    gsl_vector_calloc(N - 1), // mass_upper
    gsl_vector_calloc(N - 1), // mass_lower
    0,                        // initialized
};

void setup_string()
{
    StringState &s = string_state;

    // One period of a sine over nodes 30..70, starting at rest. 6.283 rather
    // than 2*pi is deliberate: node 70 ends a hair below zero.
    const int pulse_first = 30;
    const int pulse_last = 70;
    const double pulse_phase = 6.283;
    const double pulse_nodes = 40;
    for (int i = pulse_first; i <= pulse_last; ++i) {
        const double v = std::sin(static_cast<double>(i - pulse_first) * pulse_phase / pulse_nodes);
        gsl_vector_set(s.u_prev, i, v);
        gsl_vector_set(s.u_curr, i, v);
    }

    // Consistent mass matrix. Row 0 is a unit row that pins node 0; the last
    // row keeps the interior values, so node 99 is free to move.
    gsl_vector_set(s.mass_diag, 0, 1.0);
    for (int i = 1; i < N; ++i) {
        gsl_vector_set(s.mass_diag, i, 4 * H / 6);
    }
    gsl_vector_set(s.mass_upper, 0, 0.0);
    for (int i = 1; i < N - 1; ++i) {
        gsl_vector_set(s.mass_upper, i, H / 6);
    }
    for (int i = 0; i < N - 1; ++i) {
        gsl_vector_set(s.mass_lower, i, H / 6);
    }

    // Stiffness: unit rows at both ends, the usual -1 2 -1 stencil between.
    gsl_matrix_set(s.stiffness, 0, 0, 1.0);
    gsl_matrix_set(s.stiffness, 0, 1, 0.0);
    gsl_matrix_set(s.stiffness, N - 1, N - 2, 0.0);
    gsl_matrix_set(s.stiffness, N - 1, N - 1, 1.0);
    for (int i = 1; i < N - 1; ++i) {
        gsl_matrix_set(s.stiffness, i, i - 1, -1 / H);
        gsl_matrix_set(s.stiffness, i, i, 2 / H);
        gsl_matrix_set(s.stiffness, i, i + 1, -1 / H);
    }
}

void step_string()
{
    stiffness_product();
    mass_solve();
    combine_levels();
    shift_levels();
}

void stiffness_product()
{
    // The operator acts on the older level; this is what makes the scheme
    // need only one mass solve per step.
    gsl_blas_dgemv(CblasNoTrans, 1.0, string_state.stiffness, string_state.u_prev, 0.0, string_state.rhs);
}

void mass_solve()
{
    StringState &s = string_state;
    gsl_linalg_solve_tridiag(s.mass_diag, s.mass_upper, s.mass_lower, s.rhs, s.u_next);
}

void combine_levels()
{
    StringState &s = string_state;
    gsl_vector_scale(s.u_next, -STEP_COEFF);
    gsl_vector_sub(s.u_next, s.u_prev);
    gsl_vector_add(s.u_next, s.u_curr);
    gsl_vector_add(s.u_next, s.u_curr);
}

void shift_levels()
{
    StringState &s = string_state;
    for (int i = 0; i < N; ++i) {
        gsl_vector_set(s.u_prev, i, gsl_vector_get(s.u_curr, i));
    }
    for (int i = 0; i < N; ++i) {
        gsl_vector_set(s.u_curr, i, gsl_vector_get(s.u_next, i));
    }
}

void advance_frame()
{
    for (int step = 0; step < STEPS_PER_FRAME; ++step) {
        step_string();
    }
}
