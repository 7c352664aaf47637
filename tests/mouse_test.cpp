// SPDX-License-Identifier: GPL-3.0-or-later
// Starting and stopping the animation with real button events.
#include "program_fixture.h"

#include <X11/keysym.h>

namespace {

class Animation : public ProgramTest {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(start_and_show()); }
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

TEST_F(Animation, TheKeyboardChangesNothing)
{
    const auto keys = [&] {
        for (const KeySym key : {XK_space, XK_Return, XK_Escape, XK_q, XK_s, XK_Left}) {
            send_key(server.display(), window, key);
        }
    };
    EXPECT_TRUE(stays_stopped(keys));

    press(LEFT);
    release(LEFT);
    ASSERT_TRUE(running());
    keys();
    EXPECT_TRUE(running());
    EXPECT_EQ(program->wait_exit(Seconds(0)), -1) << "a key ended the program";
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
