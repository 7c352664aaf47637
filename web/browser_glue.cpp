// SPDX-License-Identifier: GPL-3.0-or-later
// What only the browser build needs beside the viewer.
#include <GL/glut.h>
#include <emscripten.h>

// Emscripten's fixed-function emulation has glVertex2f but no glVertex2d.
extern "C" void glVertex2d(GLdouble x, GLdouble y)
{
    glVertex2f(static_cast<GLfloat>(x), static_cast<GLfloat>(y));
}

// The page's width control resizes the canvas as a window manager resizes a
// window: GLUT calls the reshape callback, then redraws.
extern "C" EMSCRIPTEN_KEEPALIVE void resize_canvas(int width, int height)
{
    glutReshapeWindow(width, height);
}
