// SPDX-License-Identifier: GPL-3.0-or-later
// The real program in a private X server: its window, its picture and how
// each redraw advances the string.
#include "program_fixture.h"

#include <libgen.h>

#include <algorithm>
#include <cstdint>
#include <functional>

namespace {

std::string binary_dir()
{
    std::string path = VIBRATING_STRING;
    return dirname(path.data());
}

std::vector<int> black_rows(const Picture &picture, int column)
{
    std::vector<int> rows;
    for (int row = 0; row < picture.height; ++row) {
        if (picture.is_known(column, row) && picture.at(column, row) == 0) {
            rows.push_back(row);
        }
    }
    return rows;
}

using StringWindow = ProgramTest;

} // namespace

TEST_F(StringWindow, TitleIsTheProgramPathAsInvoked)
{
    ASSERT_NO_FATAL_FAILURE(start());
    EXPECT_EQ(window_title(server.display(), window), VIBRATING_STRING);
    program.reset();

    ASSERT_NO_FATAL_FAILURE(start("./vibrating-string", {}, binary_dir()));
    EXPECT_EQ(window_title(server.display(), window), "./vibrating-string");
}

TEST_F(StringWindow, FirstPictureIsTheInitialStringAtOneHundredPixelsPerUnit)
{
    ASSERT_NO_FATAL_FAILURE(start_and_show());
    // Mapping the window may cost a second redraw (GLUT's first redisplay
    // and the server's expose can come apart); either way the picture is the
    // state before the last advance.
    const int frame = settled_frame();
    EXPECT_LE(frame, 1);
    const Picture picture = this->picture();

    // GLUT's default 300x300 window sees x in [-1.5, 1.5]: nodes 28 to 61.
    ASSERT_EQ(picture.width, 300);
    ASSERT_EQ(picture.height, 300);
    const FrameMatch match = match_frame(picture, model_frame(0));
    EXPECT_EQ(match.first_in_view, 28);
    EXPECT_EQ(match.last_in_view, 61);

    // Left of the pulse the string is flat on the centre line (node 29 is at
    // column 9 * 29 - 250 = 11), and the trough (node 60, column 290) touches
    // the bottom edge.
    EXPECT_EQ(black_rows(picture, 11), (std::vector<int>{150}));
    EXPECT_EQ(black_rows(picture, 290), (std::vector<int>{299}));

    // A picture of another shape is told apart: the string a fifth of a
    // period on, and the initial string drawn upside down.
    EXPECT_FALSE(match_frame(picture, model_frame(100)).matches());
    std::vector<double> flipped = model_frame(0);
    std::transform(flipped.begin(), flipped.end(), flipped.begin(), std::negate<>());
    EXPECT_FALSE(match_frame(picture, flipped).matches());
}

TEST_F(StringWindow, EveryRedrawDrawsTheStringThenAdvancesOneFrame)
{
    ASSERT_NO_FATAL_FAILURE(start_and_show());
    ASSERT_GE(settled_frame(), 0);
    const std::uint64_t before = program->redraws();

    // Each expose is answered by exactly one redraw.
    const int exposes = 150;
    for (int i = 0; i < exposes; ++i) {
        ASSERT_TRUE(expose_and_wait(server.display(), window, LIMIT)) << "expose " << i;
    }
    const int frame = settled_frame();
    EXPECT_EQ(program->redraws() - before, static_cast<std::uint64_t>(exposes));
    ASSERT_GE(frame, exposes);

    // Here the string moves most of a pixel a frame, so the frame shown is
    // also the one that fits best: not the state after the last advance, nor
    // the one before it.
    const Picture now = picture();
    const double fit = mean_distance(now, model_frame(frame));
    EXPECT_LT(fit, mean_distance(now, model_frame(frame + 1)));
    EXPECT_LT(fit, mean_distance(now, model_frame(frame - 1)));
}

TEST_F(StringWindow, ResizeShowsMoreAtTheSameScaleAndTheNextFrame)
{
    ASSERT_NO_FATAL_FAILURE(start_and_show());
    const int first = settled_frame();

    XResizeWindow(server.display(), window, 1000, 400);
    XSync(server.display(), False);
    ASSERT_TRUE(wait_until([&] { return picture().width == 1000; }, LIMIT));
    // The resize's configure and expose events may be answered by one redraw
    // or two; either way the picture is the frame before the last advance.
    const int frame = settled_frame();
    EXPECT_GT(frame, first);
    EXPECT_LE(frame, first + 2);
    const Picture picture = this->picture();
    ASSERT_EQ(picture.width, 1000);
    ASSERT_EQ(picture.height, 400);

    // The whole string from x = -4 (column 100) to x = 4.91 (column 991),
    // flat on the centre row at both ends, and nothing drawn beyond.
    const FrameMatch match = match_frame(picture, model_frame(frame));
    EXPECT_EQ(match.first_in_view, 0);
    EXPECT_EQ(match.last_in_view, 99);
    EXPECT_EQ(black_rows(picture, 100), (std::vector<int>{200}));
    EXPECT_EQ(black_rows(picture, 990), (std::vector<int>{200}));
    for (int column : {0, 50, 98, 992, 999}) {
        EXPECT_TRUE(black_rows(picture, column).empty()) << "column " << column;
    }
}
