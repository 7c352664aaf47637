// SPDX-License-Identifier: GPL-3.0-or-later
// The real program under abuse: input storms, resizes, faults, long runs and
// values no model run reaches in a lecture.
#include "program_fixture.h"

#include <X11/extensions/XTest.h>
#include <sys/wait.h>

#include <random>

using Robustness = ProgramTest;

TEST_F(Robustness, ButtonStormEndsInTheStateTheLastEventDecided)
{
    ASSERT_NO_FATAL_FAILURE(start_and_show());

    // The server passes on a press only for a button that is up and a release
    // only for one that is down, so each event toggles its button: every one
    // of the 5000 reaches the program.
    std::mt19937 random(20261208);
    std::uniform_int_distribution<unsigned> pick(LEFT, WHEEL_DOWN);
    bool down[WHEEL_DOWN + 1] = {};
    bool should_run = false;
    point_at(server.display(), window);
    for (int event = 0; event < 5000; ++event) {
        const unsigned button = pick(random);
        const bool press = !down[button];
        XTestFakeButtonEvent(server.display(), button, press ? True : False, CurrentTime);
        down[button] = press;
        if (button == LEFT) {
            should_run = true;
        } else if (button == RIGHT && press) {
            should_run = false;
        }
    }
    XSync(server.display(), False);
    if (should_run) {
        EXPECT_TRUE(running());
    } else {
        EXPECT_TRUE(stopped());
    }

    // And it still obeys: the opposite of where the storm left it.
    if (should_run) {
        press(RIGHT);
        EXPECT_TRUE(stopped());
    } else {
        release(LEFT);
        press(LEFT);
        EXPECT_TRUE(running());
    }
}

TEST_F(Robustness, ResizeStormKeepsTheScale)
{
    ASSERT_NO_FATAL_FAILURE(start_and_show());
    const int sizes[][2] = {{1, 1}, {4000, 3000}, {1, 3000}, {4000, 1}, {300, 300}, {2, 2}, {1279, 1023}, {57, 611}};
    const int resizes = 200;
    for (int i = 0; i < resizes - 1; ++i) {
        const int *size = sizes[i % (sizeof sizes / sizeof sizes[0])];
        XResizeWindow(server.display(), window, size[0], size[1]);
        XFlush(server.display());
    }
    XResizeWindow(server.display(), window, 1000, 400);
    XSync(server.display(), False);

    // Resizes coalesce, so the redraws are counted rather than predicted; the
    // picture is the last one's frame, whole, at 100 pixels per unit.
    ASSERT_TRUE(wait_until([&] { return picture().width == 1000; }, LIMIT));
    const int frame = settled_frame();
    EXPECT_EQ(match_frame(picture(), model_frame(frame)).first_in_view, 0);
    EXPECT_EQ(match_frame(picture(), model_frame(frame)).last_in_view, 99);
}

TEST_F(Robustness, UnknownOptionsAreLeftAlone)
{
    ASSERT_NO_FATAL_FAILURE(start(VIBRATING_STRING, {"-foo", "bar", "--verbose", "-"}));
    EXPECT_TRUE(wait_until([&] { return match_frame(picture(), model_frame(0)).matches(); }, LIMIT));
}

TEST_F(Robustness, ServerDeathEndsTheProgramPromptly)
{
    ASSERT_NO_FATAL_FAILURE(start_and_show());
    press(LEFT);
    ASSERT_TRUE(running());

    server.kill_now();
    const int status = program->wait_exit(Seconds(2));
    ASSERT_NE(status, -1) << "still running 2 s after the X server died";
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_NE(WEXITSTATUS(status), 0);
}

TEST_F(Robustness, WindowManagerCloseEndsWithStatusZero)
{
    ASSERT_NO_FATAL_FAILURE(start_and_show());
    press(LEFT);
    ASSERT_TRUE(running());

    send_delete_request(server.display(), window);
    const int status = program->wait_exit(LIMIT);
    ASSERT_NE(status, -1) << "still running after the close request";
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0) << program->stderr_text();
}

class ExtremeValues : public ProgramTest, public testing::WithParamInterface<const char *> {};

TEST_P(ExtremeValues, DrawingThemNeitherCrashesNorHangs)
{
    ASSERT_NO_FATAL_FAILURE(start(EXTREME_VALUES, {GetParam()}, "", EXTREME_VALUES));
    press(LEFT);
    release(LEFT);
    const std::uint64_t redraws = program->redraws();
    std::this_thread::sleep_for(QUIET);

    // Still alive, still redrawing, and it still stops when told.
    EXPECT_EQ(program->wait_exit(Seconds(0)), -1) << program->stderr_text();
    EXPECT_GT(program->redraws(), redraws + 1);
    press(RIGHT);
    EXPECT_TRUE(stopped());
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(expose_and_wait(server.display(), window, LIMIT)) << "expose " << i;
    }
    EXPECT_EQ(program->wait_exit(Seconds(0)), -1) << program->stderr_text();
}

INSTANTIATE_TEST_SUITE_P(Huge, ExtremeValues, testing::Values("1e30", "1e300", "1.7e308"));
INSTANTIATE_TEST_SUITE_P(NonFinite, ExtremeValues, testing::Values("inf", "nan"));

TEST_F(Robustness, SoakThirtySecondsOfAnimation)
{
    ASSERT_NO_FATAL_FAILURE(start_and_show());
    press(LEFT);
    release(LEFT);
    ASSERT_TRUE(running());
    std::this_thread::sleep_for(Seconds(1));
    const long settled_kib = program->resident_kib();

    long largest_kib = settled_kib;
    wait_until(
        [&] {
            largest_kib = std::max(largest_kib, program->resident_kib());
            return false;
        },
        Seconds(29));
    RecordProperty("resident_kib_after_1s", static_cast<int>(settled_kib));
    RecordProperty("largest_resident_kib", static_cast<int>(largest_kib));
    std::cout << "resident memory: " << settled_kib << " KiB after 1 s, at most " << largest_kib << " KiB in 30 s\n";
    EXPECT_LT(largest_kib - settled_kib, 1024);

    // Still responsive after the run.
    press(RIGHT);
    EXPECT_TRUE(stopped());
    EXPECT_EQ(program->wait_exit(Seconds(0)), -1);
}
