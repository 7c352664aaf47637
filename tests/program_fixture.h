// SPDX-License-Identifier: GPL-3.0-or-later
// A test that runs the real vibrating-string in its own Xvfb.
#pragma once

// gtest before Xlib, whose None and Bool macros break gtest.
#include <gtest/gtest.h>

#include "string_picture.h"

#include <cstdint>
#include <memory>
#include <thread>

const Seconds LIMIT(10);
const Seconds QUIET(0.5);

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

    // Waits until the program is idle, its redraw count and its picture both
    // steady, and returns the frame the picture must show: after n redraws,
    // frame n - 1, since each redraw draws the string as it stands and only
    // then advances it. Checks that the picture matches that frame within a
    // pixel.
    int settled_frame()
    {
        std::uint64_t redraws = 0;
        const bool steady = wait_until(
            [&] {
                redraws = program->redraws();
                const Picture before = picture();
                std::this_thread::sleep_for(QUIET);
                return program->redraws() == redraws && picture() == before;
            },
            LIMIT);
        EXPECT_TRUE(steady) << "the program kept redrawing";
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
