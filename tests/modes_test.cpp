// SPDX-License-Identifier: GPL-3.0-or-later
// The string's modes against the model's own frames and against the finite
// elements' dispersion, worked out apart from the eigensolver.
#include "fresh_string.h"
#include "string_modes.h"

#include <gtest/gtest.h>

#include <algorithm>
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
        // Scaled as the modes are: the largest size 1, and positive at the
        // first node past half of it, which is near node 1 for these.
        double peak = 0;
        for (int i = 0; i < N; ++i) {
            peak = std::max(peak, std::fabs(std::sin(i * roots[r])));
        }
        for (int i = 0; i < N; ++i) {
            EXPECT_NEAR(mode_shape(k, i), std::sin(i * roots[r]) / peak, 1e-9) << "mode " << k << ", node " << i;
        }
    }
    // The string held at both ends, over its 99 elements, as H goes to 0.
    EXPECT_NEAR(std::sqrt(mode_eigenvalue(1)), M_PI / (99 * H), 0.01);
}

// Two entries that tie in size to rounding, with opposite signs, would make
// a mode's sign follow the rounding if the largest decided it: here it
// follows the first node past half the largest, whichever entry is larger,
// and in every mode that node's size, and the sizes before it, lie far
// enough from half the largest that no build's rounding moves it.
TEST(StringModes, EachSignIsFixedByARuleThatRoundingCannotFlip)
{
    std::vector<double> tied(N);
    for (int i = 0; i < N; ++i) {
        tied[i] = std::sin(0.3 * i);
    }
    tied[5] = 1;   // sin 1.5
    tied[15] = -1; // sin 4.5
    for (const double nudge : {1e-10, -1e-10}) {
        std::vector<double> shape = tied;
        shape[15] -= nudge;
        scale_mode_shape(shape.data(), N);
        EXPECT_NEAR(shape[2], std::sin(0.6), 2e-10) << "nudged by " << nudge; // the first past half
        EXPECT_NEAR(shape[5], 1, 2e-10) << "nudged by " << nudge;
        EXPECT_NEAR(shape[15], -1, 2e-10) << "nudged by " << nudge;
    }

    start_with_modes();
    for (int k = 0; k < N; ++k) {
        double closest = 1; // the nearest any size up to the deciding node comes to half
        int decides = 0;
        for (int i = 1; i < N && decides == 0; ++i) {
            closest = std::min(closest, std::fabs(std::fabs(mode_shape(k, i)) - 0.5));
            decides = std::fabs(mode_shape(k, i)) > 0.5 ? i : 0;
        }
        EXPECT_GT(mode_shape(k, decides), 0.5) << "mode " << k;
        EXPECT_GT(closest, 1e-3) << "mode " << k;
    }
}
