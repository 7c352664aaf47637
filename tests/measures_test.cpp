// SPDX-License-Identifier: GPL-3.0-or-later
// The figures the history tool writes and the page shows, on shapes whose
// figures are known by hand.
#include "fresh_string.h"
#include "string_measures.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

namespace {

// Both levels set: u_curr from `now`, u_prev from `before`, node by node.
template <typename Now, typename Before> void set_levels(Now now, Before before)
{
    start_from_setup();
    for (int i = 0; i < N; ++i) {
        gsl_vector_set(string_state.u_curr, i, now(i));
        gsl_vector_set(string_state.u_prev, i, before(i));
    }
}

const auto AT_REST = [](int) { return 0.0; };

} // namespace

TEST(StringMeasures, TheLargestNodeIsTheFirstOfEqualSizesWhateverTheirSign)
{
    set_levels(AT_REST, AT_REST);
    EXPECT_EQ(largest_node(), 0);
    EXPECT_EQ(largest_displacement(), 0.0);

    auto shape = [](int i) { return i == 10 ? -0.5 : i == 20 ? 0.5 : i == 5 ? 0.49 : 0.0; };
    set_levels(shape, AT_REST);
    EXPECT_EQ(largest_node(), 10); // down 0.5 comes before up 0.5
    EXPECT_EQ(largest_displacement(), 0.5);

    set_levels([&](int i) { return i == 99 ? -0.75 : shape(i); }, AT_REST);
    EXPECT_EQ(largest_node(), 99);
    EXPECT_EQ(largest_displacement(), 0.75);
}

TEST(StringMeasures, AStillStraightSlopeHasOnlyStrainEnergy)
{
    // u = 2 x over the string's length of 99 elements: 1/2 of u_x^2 = 2 per unit length.
    const auto slope = [](int i) { return 2.0 * i * H; };
    set_levels(slope, slope);
    EXPECT_NEAR(energy(), 2.0 * (N - 1) * H, 1e-12);
}

TEST(StringMeasures, AStraightStringMovingAsOneHasOnlyKineticEnergy)
{
    // Every node moves at speed 3 over the last step: 1/2 of 3^2 per unit length.
    const double dt = std::sqrt(STEP_COEFF);
    set_levels([](int) { return 0.25; }, [&](int) { return 0.25 - 3.0 * dt; });
    EXPECT_NEAR(energy(), 4.5 * (N - 1) * H, 1e-6);
}

TEST(StringMeasures, LinesAreTheHistoryToolsCsv)
{
    EXPECT_STREQ(HISTORY_HEADER, "frame,time,largest_displacement,energy\n");
    EXPECT_DOUBLE_EQ(frame_time(1000), 1000 * 201 * std::sqrt(1e-11));

    char line[HISTORY_LINE_SIZE];
    EXPECT_EQ(history_line(line, sizeof line, 120, 0.5, 24.674011), 28);
    EXPECT_STREQ(line, "120,0.0762741,0.5,24.674011\n");
    history_line(line, sizeof line, 0, 0.999999998926914, 24.6740110027);
    EXPECT_STREQ(line, "0,0,0.999999999,24.674011\n");

    // The longest line there can be still fits, with its terminating zero.
    const int longest = history_line(line, sizeof line, LONG_MIN, -1.23456789e-300, -1.23456789e-300);
    EXPECT_LT(longest, static_cast<int>(HISTORY_LINE_SIZE)) << line;
    EXPECT_EQ(line[longest - 1], '\n');
}

TEST(StringMeasures, NodeLinesAreInTheHistoryToolsFormats)
{
    EXPECT_STREQ(NODE_HEADER, "frame,time,displacement\n");
    char line[HISTORY_LINE_SIZE];
    EXPECT_EQ(node_line(line, sizeof line, 120, -0.123456789012), 27);
    EXPECT_STREQ(line, "120,0.0762741,-0.123456789\n");
    const int longest = node_line(line, sizeof line, LONG_MIN, -1.23456789e-300);
    EXPECT_LT(longest, static_cast<int>(HISTORY_LINE_SIZE)) << line;
}
