// SPDX-License-Identifier: GPL-3.0-or-later
// The string's modes against the model's own frames and against the finite
// elements' dispersion, worked out apart from the eigensolver.
#include "fresh_string.h"
#include "string_modes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

namespace {

struct Modes {
    std::vector<double> amplitudes = std::vector<double>(N);
    std::vector<double> swings = std::vector<double>(N);
};

Modes modes_of_model()
{
    Modes modes;
    mode_amplitudes(string_state.u_curr->data, string_state.u_prev->data, modes.amplitudes.data(), modes.swings.data());
    return modes;
}

// From set-up, with the modes computed once.
void start_with_modes()
{
    start_from_setup();
    static const bool computed = (compute_modes(), true);
    (void)computed;
}

// For the string held at node 0, sin(i theta) meets every interior row of
// M u'' + K u = 0 with lambda = 6 / H^2 (1 - cos theta) / (2 + cos theta);
// node 99's unit row then asks lambda H / 6 (sin 98 theta + 4 sin 99 theta)
// = sin 99 theta. The roots of that, from the lowest.
double dispersion(double theta)
{
    return 6 / (H * H) * (1 - std::cos(theta)) / (2 + std::cos(theta));
}

double end_row(double theta)
{
    return dispersion(theta) * H / 6 * (std::sin(98 * theta) + 4 * std::sin(99 * theta)) - std::sin(99 * theta);
}

std::vector<double> lowest_roots(int count)
{
    std::vector<double> roots;
    const double grid = 1e-4;
    for (double a = grid; static_cast<int>(roots.size()) < count; a += grid) {
        double low = a;
        double high = a + grid;
        if ((end_row(low) > 0) == (end_row(high) > 0)) {
            continue;
        }
        for (int halving = 0; halving < 60; ++halving) {
            const double middle = (low + high) / 2;
            ((end_row(middle) > 0) == (end_row(low) > 0) ? low : high) = middle;
        }
        roots.push_back((low + high) / 2);
    }
    return roots;
}

} // namespace

TEST(StringModes, AreRealAndPutTheFrameBackTogether)
{
    start_with_modes();
    EXPECT_LT(modes_imaginary_part(), 1e-12);
    EXPECT_NEAR(mode_eigenvalue(0), 1.0, 1e-9); // node 0's unit rows
    for (int k = 1; k < N; ++k) {
        EXPECT_GT(mode_eigenvalue(k), mode_eigenvalue(k - 1));
    }
    for (int frames : {0, 1, 37, 400}) {
        for (int f = 0; f < frames; ++f) {
            advance_frame();
        }
        const Modes modes = modes_of_model();
        EXPECT_LT(std::fabs(modes.amplitudes[0]), 1e-12) << "the held end's mode never moves";
        for (int i = 0; i < N; ++i) {
            double sum = 0;
            for (int k = 0; k < N; ++k) {
                sum += modes.amplitudes[k] * mode_shape(k, i);
            }
            EXPECT_NEAR(sum, gsl_vector_get(string_state.u_curr, i), 1e-9) << "node " << i;
        }
    }
}

TEST(StringModes, EachTurnsAndGrowsByItsFrequencyAndGrowthFrameAfterFrame)
{
    start_with_modes();
    // At set-up both levels are the same: each mode's z starts at its
    // coordinate plus the imaginary part that makes its last step's value equal.
    const Modes start = modes_of_model();
    std::vector<std::complex<double>> z(N);
    for (int k = 0; k < N; ++k) {
        const double theta = mode_frequency(k) / STEPS_PER_FRAME;
        const double rho = std::pow(mode_growth(k), 1.0 / STEPS_PER_FRAME);
        z[k] = {start.amplitudes[k],
                (rho * start.amplitudes[k] - start.amplitudes[k] * std::cos(theta)) / std::sin(theta)};
        EXPECT_NEAR(start.swings[k], std::abs(z[k]), 1e-12 + 1e-9 * std::abs(z[k])) << "mode " << k;
    }
    for (int frame = 1; frame <= 300; ++frame) {
        advance_frame();
        if (frame % 60 != 0) {
            continue;
        }
        const Modes modes = modes_of_model();
        for (int k = 1; k < N; ++k) {
            const std::complex<double> turn = std::polar(mode_growth(k), mode_frequency(k));
            const std::complex<double> predicted = z[k] * std::pow(turn, frame);
            // 60,300 steps of the model, each rounding to 1e-16 of the
            // largest displacement, and the projection's own rounding.
            const double tolerance = 1e-10 + 1e-8 * std::abs(predicted);
            EXPECT_NEAR(modes.amplitudes[k], predicted.real(), tolerance) << "mode " << k << ", frame " << frame;
            EXPECT_NEAR(modes.swings[k], std::abs(predicted), tolerance) << "mode " << k << ", frame " << frame;
        }
    }
}

TEST(StringModes, TheLowestFollowTheFiniteElementsDispersionForTheseEnds)
{
    start_with_modes();
    const std::vector<double> roots = lowest_roots(10);
    for (int r = 0; r < 10; ++r) {
        const int k = r + 1; // mode 0 is the held end's
        EXPECT_NEAR(mode_eigenvalue(k), dispersion(roots[r]), 1e-9 * dispersion(roots[r])) << "mode " << k;
        // Scaled as the modes are: the largest value +1.
        double peak = 0;
        for (int i = 0; i < N; ++i) {
            const double value = std::sin(i * roots[r]);
            peak = std::fabs(value) > std::fabs(peak) ? value : peak;
        }
        for (int i = 0; i < N; ++i) {
            EXPECT_NEAR(mode_shape(k, i), std::sin(i * roots[r]) / peak, 1e-9) << "mode " << k << ", node " << i;
        }
    }
    // The string held at both ends, over its 99 elements, as H goes to 0.
    EXPECT_NEAR(std::sqrt(mode_eigenvalue(1)), M_PI / (99 * H), 0.01);
}
