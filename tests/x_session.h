// SPDX-License-Identifier: GPL-3.0-or-later
// Drives the real vibrating-string binary in a private Xvfb: starts both,
// finds the window, sends real input through XTest and reads pixels back.
#pragma once

#include "picture.h"

#include <X11/Xlib.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

using Seconds = std::chrono::duration<double>;

// Polls `done` until it holds or `limit` runs out; true if it held.
bool wait_until(const std::function<bool()> &done, Seconds limit);

// An Xvfb on the first free display, with one client connection to it.
class XServer {
public:
    XServer();
    ~XServer();
    XServer(const XServer &) = delete;
    XServer &operator=(const XServer &) = delete;

    const std::string &name() const { return name_; }
    Display *display() const { return display_; }
    // Kills the server outright, as a crash would; our own connection is
    // closed first so that Xlib does not end this process.
    void kill_now();

private:
    pid_t pid_ = -1;
    std::string name_;
    Display *display_ = nullptr;
};

// One run of a program, its stderr captured to a file and its redraws counted.
class Process {
public:
    // `argv0` is what the program sees as argv[0]; `display` empty means no
    // DISPLAY in its environment.
    Process(const std::string &path, const std::string &argv0, const std::vector<std::string> &args,
            const std::string &display, const std::string &workdir = "");
    ~Process();
    Process(const Process &) = delete;
    Process &operator=(const Process &) = delete;

    pid_t pid() const { return pid_; }
    // The wait status once it ends, or -1 if it is still running after `limit`.
    int wait_exit(Seconds limit);
    std::string stderr_text() const;
    // Whether a sanitizer in an instrumented build reported anything.
    bool sanitizer_reported() const;
    long resident_kib() const;
    // Redraws so far: the program's glFlush calls, counted by the preloaded
    // flush counter.
    std::uint64_t redraws() const;
    // Whether it is asleep in select(), where GLUT's event loop waits for the
    // next event.
    bool waiting_for_events() const;

private:
    pid_t pid_ = -1;
    int status_ = -1;
    std::string stderr_path_;
    std::string count_path_;
};

// The top-level window titled `title`, waiting for it to be mapped; 0 if none.
Window find_window(Display *display, const std::string &title, Seconds limit);
std::string window_title(Display *display, Window window);
Picture read_window(Display *display, Window window);

// Asks the window to close the way a window manager does (WM_DELETE_WINDOW).
void send_delete_request(Display *display, Window window);

// Moves the pointer to the window's centre with a real motion event.
void point_at(Display *display, Window window);

// Real button events at the window's centre; X buttons 1 left, 2 middle,
// 3 right, 4 and 5 the wheel.
void send_button(Display *display, Window window, unsigned button, bool press);

// Paints a black square into the window's corner and asks the server to
// expose the window, which makes the program redraw exactly once; returns
// once that redraw has covered the square.
// Real key presses and releases at the window, which has the focus while
// the pointer is over it (no window manager: focus follows the pointer).
void send_key(Display *display, Window window, KeySym key);

bool expose_and_wait(Display *display, Window window, Seconds limit);
