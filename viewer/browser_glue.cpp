// SPDX-License-Identifier: GPL-3.0-or-later
// What only the browser build needs beside the viewer: the GL call that
// Emscripten lacks, the page's width control, and the run's record that the
// page shows and saves beside the string.
#include "string_measures.h"
#include "string_model.h"

#include <GL/glut.h>
#include <emscripten.h>

#include <string>
#include <vector>

// Emscripten's own glFlush, under the name it keeps for programs that define
// glFlush themselves.
extern "C" void emscripten_glFlush();

namespace {

// What the history tool writes for a frame, kept for every frame drawn so
// far: 16 bytes a frame, the only memory that grows with the run.
struct FrameRecord {
    double largest;
    double energy;
};
std::vector<FrameRecord> frames_shown;

// The frame drawn, for the page: its number, its history line, the node of
// its largest displacement, its energy and frame 0's, and both levels of
// `nodes` nodes each (u_curr, then u_prev).
// clang-format off
EM_JS(void, hand_to_page, (long frame, const char *line, int node, double energy, double energy_at_start,
                           const double *levels, int nodes), {
    if (Module['onFrameShown']) {
        const first = levels >> 3;
        Module['onFrameShown']({
            frame: frame, line: UTF8ToString(line), largestNode: node, energy: energy,
            energyAtStart: energy_at_start,
            current: HEAPF64.slice(first, first + nodes), previous: HEAPF64.slice(first + nodes, first + 2 * nodes)
        });
    }
});
// clang-format on

} // namespace

// Emscripten's fixed-function emulation has glVertex2f but no glVertex2d.
extern "C" void glVertex2d(GLdouble x, GLdouble y)
{
    glVertex2f(static_cast<GLfloat>(x), static_cast<GLfloat>(y));
}

// Each picture ends with glFlush, before the display advances the model, so
// the model here is still at the frame drawn: it is recorded, and handed to
// the page (Module.onFrameShown) with its history line and both levels.
extern "C" void glFlush()
{
    emscripten_glFlush();
    const long frame = static_cast<long>(frames_shown.size());
    const FrameRecord record{largest_displacement(), energy()};
    frames_shown.push_back(record);
    char line[128];
    history_line(line, sizeof line, frame, record.largest, record.energy);
    double levels[2 * N];
    for (int i = 0; i < N; ++i) {
        levels[i] = gsl_vector_get(string_state.u_curr, i);
        levels[N + i] = gsl_vector_get(string_state.u_prev, i);
    }
    hand_to_page(frame, line, largest_node(), record.energy, frames_shown.front().energy, levels, N);
}

// The run so far as vibrating-string-history --frames K writes it, K being
// the frame shown last. The text stays until the next call.
extern "C" EMSCRIPTEN_KEEPALIVE const char *history_csv()
{
    static std::string csv;
    csv = HISTORY_HEADER;
    char line[128];
    for (size_t frame = 0; frame < frames_shown.size(); ++frame) {
        history_line(line, sizeof line, static_cast<long>(frame), frames_shown[frame].largest,
                     frames_shown[frame].energy);
        csv += line;
    }
    return csv.c_str();
}

// The page's width control resizes the canvas as a window manager resizes a
// window: GLUT calls the reshape callback, then redraws.
extern "C" EMSCRIPTEN_KEEPALIVE void resize_canvas(int width, int height)
{
    glutReshapeWindow(width, height);
}
