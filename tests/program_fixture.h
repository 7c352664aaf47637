// SPDX-License-Identifier: GPL-3.0-or-later
// A test that runs the real vibrating-string in its own Xvfb.
#pragma once

// gtest before Xlib, whose None and Bool macros break gtest.
#include <gtest/gtest.h>

#include "string_picture.h"
#include "x_session.h"

#include <cstdint>
#include <memory>
#include <thread>

const Seconds LIMIT(10);
const Seconds QUIET(0.5);
const std::uint64_t RUNNING_REDRAWS = 10;

enum Button : std::uint8_t { LEFT = 1, MIDDLE = 2, RIGHT = 3, WHEEL_UP = 4, WHEEL_DOWN = 5 };

class ProgramTest : public testing::Test {
protected:
    // Starts `path` as `argv0` and waits for its window, titled `argv0`.
    void start(const std::string &argv0 = VIBRATING_STRING, const std::vector<std::string> &args = {},
               const std::string &workdir = "", const std::string &path = VIBRATING_STRING)
    {
        program = std::make_unique<Process>(path, argv0, args, server.name(), workdir);
        window = find_window(server.display(), argv0, LIMIT);
        ASSERT_NE(window, 0UL) << "no window titled " << argv0 << "; stderr: " << program->stderr_text();
    }

    // Starts the program and waits for its first picture.
    void start_and_show()
    {
        ASSERT_NO_FATAL_FAILURE(start());
        ASSERT_TRUE(wait_until([&] { return match_frame(picture(), model_frame(0)).matches(); }, LIMIT))
            << match_frame(picture(), model_frame(0)).describe();
    }

    // Waits until the program is stopped and returns the frame the picture
    // must show: after n redraws, frame n - 1, since each redraw draws the
    // string as it stands and only then advances it. Checks that the picture
    // matches that frame within a pixel.
    int settled_frame()
    {
        EXPECT_TRUE(stopped()) << "the program kept redrawing";
        const std::uint64_t redraws = program->redraws();
        EXPECT_GE(redraws, 1U) << "no redraw counted";
        const int frame = static_cast<int>(redraws) - 1;
        if (frame >= 0) {
            EXPECT_TRUE(match_frame(picture(), model_frame(frame)).matches())
                << "after " << redraws << " redraws: " << match_frame(picture(), model_frame(frame)).describe();
        }
        return frame;
    }

    void TearDown() override
    {
        if (program) {
            EXPECT_FALSE(program->sanitizer_reported()) << program->stderr_text();
        }
    }

    // Not const: each call reads what the server shows now.
    Picture picture() { return read_window(server.display(), window); }
    void press(unsigned button) { send_button(server.display(), window, button, true); }
    void release(unsigned button) { send_button(server.display(), window, button, false); }

    // Idle: every event sent so far has reached the program, and GLUT sleeps
    // waiting for the next, which it does only with no idle callback and no
    // redisplay pending. A signal, not a pause: a stop that did not happen
    // never looks like one, however slow the machine.
    bool idle()
    {
        const std::uint64_t redraws = program->redraws();
        // A round trip: the server has passed on all our earlier events.
        XSync(server.display(), False);
        // redraws() reads the count anew; cppcheck takes the const member for a pure one.
        // cppcheck-suppress knownConditionTrueFalse
        return program->waiting_for_events() && program->redraws() == redraws;
    }

    // Running: with every event delivered, the program goes on redrawing,
    // RUNNING_REDRAWS times and more (a stopped one finishes at most the
    // redraw under way), and the picture changes.
    bool running()
    {
        XSync(server.display(), False);
        const std::uint64_t from = program->redraws();
        const Picture before = picture();
        return wait_until([&] { return program->redraws() >= from + RUNNING_REDRAWS; }, LIMIT) &&
               wait_until([&] { return !(picture() == before); }, LIMIT);
    }

    // Stopped: idle, and the server has drawn what the program sent last.
    bool stopped()
    {
        return wait_until(
            [&] {
                if (!idle()) {
                    return false;
                }
                const Picture before = picture();
                return idle() && picture() == before;
            },
            LIMIT);
    }

    // After `event`, still stopped: idle again with no redraw and the same
    // picture. An event that started the animation never lets it be idle.
    bool stays_stopped(const std::function<void()> &event)
    {
        if (!stopped()) {
            return false;
        }
        const std::uint64_t redraws = program->redraws();
        const Picture before = picture();
        event();
        return wait_until([&] { return idle(); }, LIMIT) && program->redraws() == redraws && picture() == before;
    }

    XServer server;
    std::unique_ptr<Process> program;
    Window window = 0;
};
