// The real program in a private X server: its window, its picture and how
// each redraw advances the string.
#include "program_fixture.h"

#include <libgen.h>

#include <algorithm>
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

bool has_either(const std::vector<int> &seen, int low, int high)
{
    return std::find(seen.begin(), seen.end(), low) != seen.end() ||
           std::find(seen.begin(), seen.end(), high) != seen.end();
}

// Neighbouring frames differ by less than a pixel, so a picture matches a few
// frames around the one it shows: that run must include `low` or `high` and
// reach no further than two frames beyond them.
void expect_shows_one_of(const std::vector<int> &seen, int low, int high)
{
    ASSERT_FALSE(seen.empty()) << "the picture matches no frame near " << low;
    EXPECT_TRUE(has_either(seen, low, high)) << "frames " << seen.front() << ".." << seen.back();
    EXPECT_GE(seen.front(), low - 2);
    EXPECT_LE(seen.back(), high + 2);
}

// Waits until the window shows frame `low` or `high`; returns the frames
// that the last picture matched.
std::vector<int> wait_for_frame(Display *display, Window window, int low, int high)
{
    std::vector<int> seen;
    wait_until(
        [&] {
            seen = matching_frames(read_window(display, window), low - 2, high + 2);
            return has_either(seen, low, high);
        },
        LIMIT);
    return seen;
}

using Window_ = ProgramTest;

} // namespace

TEST_F(Window_, TitleIsTheProgramPathAsInvoked)
{
    ASSERT_NO_FATAL_FAILURE(start());
    EXPECT_EQ(window_title(server.display(), window), VIBRATING_STRING);
    program.reset();

    ASSERT_NO_FATAL_FAILURE(start("./vibrating-string", {}, binary_dir()));
    EXPECT_EQ(window_title(server.display(), window), "./vibrating-string");
}

TEST_F(Window_, FirstPictureIsTheInitialStringAtOneHundredPixelsPerUnit)
{
    ASSERT_NO_FATAL_FAILURE(start_and_show());
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

TEST_F(Window_, EveryRedrawAdvancesExactlyOneFrame)
{
    ASSERT_NO_FATAL_FAILURE(start());
    std::vector<int> seen = wait_for_frame(server.display(), window, 0, 0);
    ASSERT_FALSE(seen.empty()) << "initial picture never appeared";

    // Each expose is answered by one redraw, and each redraw shows the state
    // that the one before it left. Mapping the window may cost one redraw or
    // two (GLUT's first redisplay and the server's expose can come apart),
    // so the picture shows frame `exposes` or the one after.
    const int exposes = 150;
    for (int i = 0; i < exposes; ++i) {
        ASSERT_TRUE(expose_and_wait(server.display(), window, LIMIT)) << "expose " << i;
    }
    seen = matching_frames(read_window(server.display(), window), exposes - 10, exposes + 10);
    expect_shows_one_of(seen, exposes, exposes + 1);
}

TEST_F(Window_, ResizeShowsMoreAtTheSameScaleAndTheNextFrame)
{
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_FALSE(wait_for_frame(server.display(), window, 0, 0).empty());

    XResizeWindow(server.display(), window, 1000, 400);
    XSync(server.display(), False);
    const std::vector<int> seen = wait_for_frame(server.display(), window, 1, 2);
    const Picture picture = read_window(server.display(), window);
    ASSERT_EQ(picture.width, 1000);
    ASSERT_EQ(picture.height, 400);
    expect_shows_one_of(seen, 1, 2);

    // The whole string from x = -4 (column 100) to x = 4.91 (column 991),
    // flat on the centre row at both ends, and nothing drawn beyond.
    const FrameMatch match = match_frame(picture, model_frame(1));
    EXPECT_EQ(match.first_in_view, 0);
    EXPECT_EQ(match.last_in_view, 99);
    EXPECT_EQ(black_rows(picture, 100), (std::vector<int>{200}));
    EXPECT_EQ(black_rows(picture, 990), (std::vector<int>{200}));
    for (int column : {0, 50, 98, 992, 999}) {
        EXPECT_TRUE(black_rows(picture, column).empty()) << "column " << column;
    }
}
