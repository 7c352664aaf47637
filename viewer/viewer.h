// SPDX-License-Identifier: GPL-3.0-or-later
// The vibrating-string window: its GLUT callbacks, and the start-up that
// registers them and runs GLUT's event loop.
#pragma once

#include "string_model.h"

// Where the picture puts the string, in world units: node i at x = node_x(i),
// a displacement u at y = HEIGHT_SCALE * u; the view shows PIXELS_PER_UNIT
// pixels per unit, the origin at the window's centre.
inline double node_x(int i)
{
    return (9 * i) * H - 4.0;
}
constexpr double HEIGHT_SCALE = 1.5;
constexpr double PIXELS_PER_UNIT = 100.0;

// Hands the command line to GLUT, opens the window titled argv[0] and runs the
// event loop; returns 0 if the loop ever returns.
int run_window(int argc, char **argv);

// Draws the string as it stands, then advances the model by one frame.
void display();

// Called by display once the picture is out and before the model moves on:
// the browser build hands the frame drawn to its page (browser_glue.cpp);
// a desktop window has no one to tell.
#ifdef __EMSCRIPTEN__
void frame_shown();
#else
inline void frame_shown() {}
#endif

// Keeps PIXELS_PER_UNIT pixels per world unit, origin at the window's centre.
void reshape(int width, int height);

// Left button (press or release) starts continuous redrawing; a right-button
// press stops it.
void mouse(int button, int state, int x, int y);
