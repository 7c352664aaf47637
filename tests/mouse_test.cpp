// Starting and stopping the animation with real button events.
// gtest before Xlib, whose None and Bool macros break gtest.
#include <gtest/gtest.h>

#include "string_picture.h"

#include <memory>
#include <thread>

namespace {

const Seconds LIMIT(10);
const Seconds QUIET(0.5);

enum Button : unsigned { LEFT = 1, MIDDLE = 2, RIGHT = 3, WHEEL_UP = 4, WHEEL_DOWN = 5 };

class Animation : public testing::Test {
protected:
    void SetUp() override
    {
        program = std::make_unique<Process>(VIBRATING_STRING, VIBRATING_STRING, std::vector<std::string>{},
                                            server.name());
        window = find_window(server.display(), VIBRATING_STRING, LIMIT);
        ASSERT_NE(window, 0UL) << program->stderr_text();
        ASSERT_TRUE(wait_until([&] { return match_frame(picture(), model_frame(0)).matches(); }, LIMIT));
    }

    Picture picture() const { return read_window(server.display(), window); }
    void press(unsigned button) { send_button(server.display(), window, button, true); }
    void release(unsigned button) { send_button(server.display(), window, button, false); }

    // Running: the picture keeps changing with no further events, so two
    // successive changes are seen.
    bool running()
    {
        for (int change = 0; change < 2; ++change) {
            const Picture before = picture();
            if (!wait_until([&] { return !(picture() == before); }, LIMIT)) {
                return false;
            }
        }
        return true;
    }

    // Stopped: two reads half a second apart are equal. A redraw already
    // under way may still land, so allow it to settle first.
    bool stopped()
    {
        return wait_until(
            [&] {
                const Picture before = picture();
                std::this_thread::sleep_for(QUIET);
                return picture() == before;
            },
            LIMIT);
    }

    // After `event`, still stopped: nothing moved in the next half second.
    bool stays_stopped(const std::function<void()> &event)
    {
        const Picture before = picture();
        event();
        std::this_thread::sleep_for(QUIET);
        return picture() == before;
    }

    XServer server;
    std::unique_ptr<Process> program;
    Window window = 0;
};

} // namespace

TEST_F(Animation, StillUntilClicked)
{
    EXPECT_TRUE(stays_stopped([] {}));
}

TEST_F(Animation, LeftClickStartsAndRightPressStops)
{
    press(LEFT);
    release(LEFT);
    EXPECT_TRUE(running());

    press(RIGHT);
    EXPECT_TRUE(stopped());
    // The rest of the right click, and a second right click, change nothing.
    EXPECT_TRUE(stays_stopped([&] { release(RIGHT); }));
    EXPECT_TRUE(stays_stopped([&] {
        press(RIGHT);
        release(RIGHT);
    }));

    // And it starts again, from where it stood.
    press(LEFT);
    EXPECT_TRUE(running());
    release(LEFT);
    EXPECT_TRUE(running());
}

TEST_F(Animation, EitherEdgeOfTheLeftButtonStarts)
{
    press(LEFT);
    EXPECT_TRUE(running());
    press(RIGHT);
    EXPECT_TRUE(stopped());

    // The right button is still down; the left release alone restarts it.
    release(LEFT);
    EXPECT_TRUE(running());
    release(RIGHT);
    EXPECT_TRUE(running());
}

TEST_F(Animation, OtherButtonsChangeNothing)
{
    const auto other_buttons = [&] {
        for (unsigned button : {MIDDLE, WHEEL_UP, WHEEL_DOWN}) {
            press(button);
            release(button);
        }
    };
    EXPECT_TRUE(stays_stopped(other_buttons));

    press(LEFT);
    release(LEFT);
    ASSERT_TRUE(running());
    other_buttons();
    EXPECT_TRUE(running());
}

TEST_F(Animation, RightReleaseAloneChangesNothing)
{
    // The server passes on a release only for a button that is down, so the
    // right button goes down first, and the left click in between restarts.
    press(RIGHT);
    press(LEFT);
    release(LEFT);
    ASSERT_TRUE(running());
    release(RIGHT);
    EXPECT_TRUE(running());
}

TEST_F(Animation, HeldLeftThenRightClickThenLeftReleaseKeepsRunning)
{
    press(LEFT);
    press(RIGHT);
    release(RIGHT);
    EXPECT_TRUE(stopped());
    release(LEFT);
    EXPECT_TRUE(running());
}
