// SPDX-License-Identifier: GPL-3.0-or-later
#include "fresh_string.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <string>
#include <vector>

namespace {

double u_curr(int i)
{
    return gsl_vector_get(string_state.u_curr, i);
}
double u_prev(int i)
{
    return gsl_vector_get(string_state.u_prev, i);
}

double largest_displacement()
{
    double largest = 0;
    for (int i = 0; i < N; ++i) {
        largest = std::fmax(largest, std::fabs(u_curr(i)));
    }
    return largest;
}

// M as a dense matrix, from its three diagonals.
double mass(int row, int col)
{
    if (row == col) {
        return gsl_vector_get(string_state.mass_diag, row);
    }
    if (col == row + 1) {
        return gsl_vector_get(string_state.mass_upper, row);
    }
    if (row == col + 1) {
        return gsl_vector_get(string_state.mass_lower, col);
    }
    return 0;
}

double stiffness(int row, int col)
{
    return gsl_matrix_get(string_state.stiffness, row, col);
}

} // namespace

// Runs first in file order; under ctest every test has a process of its own.
TEST(StringModel, EverythingIsZeroBeforeSetup)
{
    ASSERT_EQ(string_state.initialized, 0);
    for (gsl_vector *v :
         {string_state.u_prev, string_state.u_curr, string_state.u_next, string_state.rhs, string_state.mass_diag}) {
        ASSERT_EQ(v->size, static_cast<size_t>(N));
        EXPECT_TRUE(gsl_vector_isnull(v));
    }
    for (gsl_vector *v : {string_state.mass_upper, string_state.mass_lower}) {
        ASSERT_EQ(v->size, static_cast<size_t>(N - 1));
        EXPECT_TRUE(gsl_vector_isnull(v));
    }
    ASSERT_EQ(string_state.stiffness->size1, static_cast<size_t>(N));
    ASSERT_EQ(string_state.stiffness->size2, static_cast<size_t>(N));
    EXPECT_TRUE(gsl_matrix_isnull(string_state.stiffness));
}

TEST(StringModel, SetupWritesThePulseAtRest)
{
    // Both levels as set-up itself wrote them, before anything restored them.
    const SetupLevels &written = levels_after_setup();
    for (const std::vector<double> *level : {&written.u_prev, &written.u_curr}) {
        const std::vector<double> &u = *level;
        EXPECT_EQ(u[30], 0.0);
        EXPECT_NEAR(u[40], 0.999999998926914, 1e-15);
        EXPECT_NEAR(u[50], 9.265358966049026e-05, 1e-18);
        EXPECT_NEAR(u[60], -0.9999999903422263, 1e-15);
        EXPECT_NEAR(u[70], -1.8530717852557836e-04, 1e-18);
        for (int i = 0; i < N; ++i) {
            if (i < 30 || i > 70) {
                EXPECT_EQ(u[i], 0.0) << "node " << i;
            }
        }
    }
    EXPECT_EQ(written.u_prev, written.u_curr);
}

TEST(StringModel, SetupWritesTheOperators)
{
    start_from_setup();
    const double side = 0.0016666666666666668;
    const double centre = 0.006666666666666667;

    // Row 0 of both is a unit row; row 1 still couples to node 0.
    EXPECT_EQ(mass(0, 0), 1.0);
    EXPECT_EQ(mass(0, 1), 0.0);
    EXPECT_EQ(stiffness(0, 0), 1.0);
    EXPECT_EQ(stiffness(0, 1), 0.0);
    EXPECT_EQ(mass(1, 0), side);
    EXPECT_EQ(stiffness(1, 0), -100.0);

    // The last row of M keeps the interior values; that of K is a unit row.
    EXPECT_EQ(mass(99, 98), side);
    EXPECT_EQ(mass(99, 99), centre);
    EXPECT_EQ(stiffness(99, 98), 0.0);
    EXPECT_EQ(stiffness(99, 99), 1.0);

    for (int row = 1; row < N - 1; ++row) {
        EXPECT_EQ(mass(row, row - 1), side) << "row " << row;
        EXPECT_EQ(mass(row, row), centre) << "row " << row;
        EXPECT_EQ(mass(row, row + 1), side) << "row " << row;
        EXPECT_EQ(stiffness(row, row - 1), -100.0) << "row " << row;
        EXPECT_EQ(stiffness(row, row), 200.0) << "row " << row;
        EXPECT_EQ(stiffness(row, row + 1), -100.0) << "row " << row;
    }

    // Nothing off the band, but for the unit rows' explicit zeros.
    int nonzero = 0;
    for (int row = 0; row < N; ++row) {
        for (int col = 0; col < N; ++col) {
            if (stiffness(row, col) != 0.0) {
                ++nonzero;
            }
        }
    }
    EXPECT_EQ(nonzero, 2 + 3 * (N - 2));
}

TEST(StringModel, AStepFollowsTheRecurrence)
{
    // One step first, so that the two levels differ and a step that used the
    // wrong one would show.
    start_from_setup();
    step_string();
    const std::vector<double> prev = copy_of(string_state.u_prev);
    const std::vector<double> curr = copy_of(string_state.u_curr);
    ASSERT_NE(prev, curr);
    step_string();

    // The levels shift, and u_next keeps a copy of the new one.
    for (int i = 0; i < N; ++i) {
        EXPECT_EQ(u_prev(i), curr[i]) << "node " << i;
        EXPECT_EQ(gsl_vector_get(string_state.u_next, i), u_curr(i)) << "node " << i;
    }

    // rhs is K times the older level, and the new level solves
    // M * (2 u_curr - u_prev - u_new) / STEP_COEFF = K * u_prev.
    std::vector<double> y(N);
    for (int i = 0; i < N; ++i) {
        y[i] = (2 * curr[i] - prev[i] - u_curr(i)) / STEP_COEFF;
    }
    for (int row = 0; row < N; ++row) {
        double k_prev = 0;
        double m_y = 0;
        for (int col = std::max(row - 1, 0); col <= std::min(row + 1, N - 1); ++col) {
            k_prev += stiffness(row, col) * prev[col];
            m_y += mass(row, col) * y[col];
        }
        EXPECT_NEAR(gsl_vector_get(string_state.rhs, row), k_prev, 1e-9) << "row " << row;
        EXPECT_NEAR(m_y, k_prev, 1e-4 * (1 + std::fabs(k_prev))) << "row " << row;
    }
}

TEST(StringModel, FramesMatchTheReferenceTrajectory)
{
    start_from_setup();
    double largest = 0;
    int largest_frame = 0;
    for (int frame = 1; frame <= 3000; ++frame) {
        advance_frame();
        ASSERT_EQ(u_curr(0), 0.0) << "frame " << frame;
        if (frame <= 100) {
            ASSERT_LT(std::fabs(u_curr(99)), 1e-10) << "frame " << frame;
            ASSERT_NE(u_curr(99), 0.0) << "frame " << frame;
        }
        if (largest_displacement() > largest) {
            largest = largest_displacement();
            largest_frame = frame;
        }

        switch (frame) {
        case 1:
            EXPECT_NEAR(u_curr(40), 0.9999498, 5e-8);
            EXPECT_NEAR(u_curr(29), -1.47e-04, 5e-7);
            break;
        case 20:
            EXPECT_NEAR(u_curr(40), 0.980085, 5e-7);
            break;
        case 100:
            EXPECT_NEAR(u_curr(40), 0.540559, 5e-7);
            EXPECT_NEAR(u_curr(29), 0.3703, 5e-5);
            break;
        case 500:
            EXPECT_NEAR(u_curr(99), 0.02467, 5e-6);
            break;
        case 1000:
            EXPECT_NEAR(u_curr(99), 0.07273, 5e-6);
            break;
        default:
            break;
        }
    }
    // The scheme gains energy slowly, but not yet within these frames.
    EXPECT_NEAR(largest, 1.0013, 5e-5);
    EXPECT_NEAR(largest_frame, 775, 5);
    EXPECT_NEAR(largest_displacement(), 0.5556, 5e-5);
}

TEST(StringModel, AFrameIsExactly201Steps)
{
    start_from_setup();
    for (int step = 0; step < 402; ++step) {
        step_string();
    }
    const std::vector<double> by_steps = copy_of(string_state.u_curr);

    start_from_setup();
    advance_frame();
    advance_frame();
    for (int i = 0; i < N; ++i) {
        EXPECT_EQ(u_curr(i), by_steps[i]) << "node " << i;
    }
    step_string();
    EXPECT_NE(u_curr(40), by_steps[40]);
}

// Long runs: the scheme gains energy slowly, so the string grows until it
// leaves the default view (|u| > 1.1 puts it 15 pixels past the edge of a
// 300x300 window), yet stays finite.
TEST(StringModelSoak, SixtyThousandFrames)
{
    start_from_setup();
    const int frames = 60000;
    double largest = 0;
    int leaves_view = -1;
    for (int frame = 1; frame <= frames; ++frame) {
        advance_frame();
        for (int i = 0; i < N; ++i) {
            ASSERT_TRUE(std::isfinite(u_curr(i))) << "node " << i << " at frame " << frame;
        }
        largest = std::fmax(largest, largest_displacement());
        if (leaves_view < 0 && largest > 1.1) {
            leaves_view = frame;
        }
    }
    RecordProperty("largest_displacement", std::to_string(largest));
    RecordProperty("frame_leaving_view", leaves_view);
    std::cout << "largest displacement in " << frames << " frames: " << largest << "; beyond 1.1 from frame "
              << leaves_view << "\n";

    EXPECT_GT(leaves_view, 3000);
    // Each step amplifies a mode by at most sqrt(1 + 1e-11 * 12 / H^2).
    const double bound = std::pow(1 + 6e-7, static_cast<double>(frames) * STEPS_PER_FRAME);
    EXPECT_LT(largest, bound);
    EXPECT_EQ(u_curr(0), 0.0);
}
