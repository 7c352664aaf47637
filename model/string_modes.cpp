// SPDX-License-Identifier: GPL-3.0-or-later
#include "string_modes.h"

#include "string_model.h"

#include <gsl/gsl_eigen.h>
#include <gsl/gsl_linalg.h>

#include <algorithm>
#include <cmath>

namespace {

double eigenvalues[N];
double imaginary_part = 0;
gsl_matrix *shapes = gsl_matrix_calloc(N, N);    // V: mode k in column k
gsl_matrix *shapes_lu = gsl_matrix_calloc(N, N); // V's LU factors, to project onto the modes
gsl_permutation *shapes_order = gsl_permutation_calloc(N);

// The turn of a mode's recurrence in one step, and its swing's growth.
double step_turn(double lambda)
{
    return std::atan(std::sqrt(STEP_COEFF * lambda));
}

double step_growth(double lambda)
{
    return std::sqrt(1 + STEP_COEFF * lambda);
}

} // namespace

void scale_mode_shape(double *shape, int count)
{
    double largest = 0;
    for (int i = 0; i < count; ++i) {
        largest = std::max(largest, std::fabs(shape[i]));
    }
    // Not the largest entry's sign: two entries can tie in size to rounding
    // with opposite signs, and another BLAS or compiler picks the other. An
    // entry over half the largest is far from any such tie.
    int decides = 0;
    for (int i = 1; i < count; ++i) {
        if (std::fabs(shape[i]) > largest / 2) {
            decides = i;
            break;
        }
    }
    const double scale = std::copysign(largest, shape[decides]);
    for (int i = 0; i < count; ++i) {
        shape[i] /= scale;
    }
}

void compute_modes()
{
    const StringState &s = string_state;
    // M^-1 K, a column at a time, with the step's own tridiagonal solve.
    gsl_matrix *operator_matrix = gsl_matrix_alloc(N, N);
    gsl_vector *column = gsl_vector_alloc(N);
    gsl_vector *solved = gsl_vector_alloc(N);
    for (int j = 0; j < N; ++j) {
        gsl_matrix_get_col(column, s.stiffness, j);
        gsl_linalg_solve_tridiag(s.mass_diag, s.mass_upper, s.mass_lower, column, solved);
        gsl_matrix_set_col(operator_matrix, j, solved);
    }
    gsl_vector_complex *values = gsl_vector_complex_alloc(N);
    gsl_matrix_complex *vectors = gsl_matrix_complex_alloc(N, N);
    gsl_eigen_nonsymmv_workspace *workspace = gsl_eigen_nonsymmv_alloc(N);
    gsl_eigen_nonsymmv(operator_matrix, values, vectors, workspace);
    // All positive, so the smallest is the lowest frequency.
    gsl_eigen_nonsymmv_sort(values, vectors, GSL_EIGEN_SORT_ABS_ASC);

    imaginary_part = 0;
    for (int k = 0; k < N; ++k) {
        const gsl_complex value = gsl_vector_complex_get(values, k);
        eigenvalues[k] = GSL_REAL(value);
        imaginary_part = std::max(imaginary_part, std::fabs(GSL_IMAG(value)));
        double shape[N];
        for (int i = 0; i < N; ++i) {
            const gsl_complex entry = gsl_matrix_complex_get(vectors, i, k);
            imaginary_part = std::max(imaginary_part, std::fabs(GSL_IMAG(entry)));
            shape[i] = GSL_REAL(entry);
        }
        scale_mode_shape(shape, N);
        for (int i = 0; i < N; ++i) {
            gsl_matrix_set(shapes, i, k, shape[i]);
        }
    }
    gsl_matrix_memcpy(shapes_lu, shapes);
    int sign = 0;
    gsl_linalg_LU_decomp(shapes_lu, shapes_order, &sign);

    gsl_eigen_nonsymmv_free(workspace);
    gsl_matrix_complex_free(vectors);
    gsl_vector_complex_free(values);
    gsl_vector_free(solved);
    gsl_vector_free(column);
    gsl_matrix_free(operator_matrix);
}

double modes_imaginary_part()
{
    return imaginary_part;
}

double mode_eigenvalue(int mode)
{
    return eigenvalues[mode];
}

double mode_frequency(int mode)
{
    return STEPS_PER_FRAME * step_turn(eigenvalues[mode]);
}

double mode_growth(int mode)
{
    return std::pow(step_growth(eigenvalues[mode]), STEPS_PER_FRAME);
}

double mode_shape(int mode, int node)
{
    return gsl_matrix_get(shapes, node, mode);
}

void mode_amplitudes(const double *current, const double *previous, double *amplitudes, double *swings)
{
    double older[N];
    gsl_vector_const_view current_levels = gsl_vector_const_view_array(current, N);
    gsl_vector_const_view previous_levels = gsl_vector_const_view_array(previous, N);
    gsl_vector_view now = gsl_vector_view_array(amplitudes, N);
    gsl_vector_view before = gsl_vector_view_array(older, N);
    gsl_linalg_LU_solve(shapes_lu, shapes_order, &current_levels.vector, &now.vector);
    gsl_linalg_LU_solve(shapes_lu, shapes_order, &previous_levels.vector, &before.vector);
    // c(n) is the real part of z r^n, r = rho e^(i theta): the swing is |z|
    // at the current level, whose real part is c(n) and whose imaginary part
    // follows from c(n-1) = Re(z / r).
    for (int k = 0; k < N; ++k) {
        const double theta = step_turn(eigenvalues[k]);
        const double rho = step_growth(eigenvalues[k]);
        const double imaginary = (rho * older[k] - amplitudes[k] * std::cos(theta)) / std::sin(theta);
        swings[k] = std::hypot(amplitudes[k], imaginary);
    }
}
