// SPDX-License-Identifier: GPL-3.0-or-later
// What only the browser build needs beside the viewer: the GL call that
// Emscripten lacks, the frame drawn handed to the page, the page's width
// control, and the run's record and the modes that the page shows and saves
// beside the string.
#include "string_measures.h"
#include "string_model.h"
#include "string_modes.h"
#include "viewer.h"

#include <GL/glut.h>
#include <emscripten.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

// What the history tool writes for a frame, kept for every frame drawn, in
// blocks of a mebibyte taken as the run reaches them: a long run adds
// blocks and never copies what it has. Where no more memory can be had, the
// record ends there and the string goes on; the page says so.
struct FrameRecord {
    double largest;
    double energy;
};
constexpr long FRAMES_PER_BLOCK = 65536;
constexpr long MAX_BLOCKS = 4096; // as many as a 32-bit heap can hold
FrameRecord *record_blocks[MAX_BLOCKS];
long frames_drawn = 0;
// Both levels of the frame shown last, which the model has moved on from.
double shown_current[N];
double shown_previous[N];
long frames_kept = 0; // frames 0 to frames_kept - 1 are in the record
double energy_at_start = 0;

void keep(const FrameRecord &record)
{
    const long block = frames_kept / FRAMES_PER_BLOCK;
    if (frames_kept < frames_drawn || block >= MAX_BLOCKS) {
        return; // the record has ended
    }
    if (record_blocks[block] == nullptr) {
        record_blocks[block] = static_cast<FrameRecord *>(std::malloc(FRAMES_PER_BLOCK * sizeof(FrameRecord)));
        if (record_blocks[block] == nullptr) {
            return;
        }
    }
    record_blocks[block][frames_kept % FRAMES_PER_BLOCK] = record;
    ++frames_kept;
}

// The frame drawn, for the page (Module.onFrameShown): its fields, the
// frames the record keeps, and both levels of `nodes` nodes each, copied,
// since the model moves on once the page has them.
// clang-format off
EM_JS(void, hand_to_page, (long frame, double time, double largest, int node, double energy,
                           double energy_at_start, long kept, const double *current, const double *previous,
                           int nodes), {
    if (Module['onFrameShown']) {
        Module['onFrameShown']({
            frame: frame, time: time, largest: largest, largestNode: node, energy: energy,
            energyAtStart: energy_at_start, kept: kept,
            current: HEAPF64.slice(current >> 3, (current >> 3) + nodes),
            previous: HEAPF64.slice(previous >> 3, (previous >> 3) + nodes)
        });
    }
});

// Where the picture puts the string (viewer.h), for the page's pictures of it.
EM_JS(void, hand_geometry_to_page, (const double *positions, int nodes, double height_scale,
                                    double pixels_per_unit), {
    Module['stringGeometry'] = {
        nodes: nodes, positions: HEAPF64.slice(positions >> 3, (positions >> 3) + nodes),
        heightScale: height_scale, pixelsPerUnit: pixels_per_unit
    };
});
// A mode (string_modes.h), for the page: its frequency, growth and shape,
// mode 0 first.
EM_JS(void, hand_mode_to_page, (int mode, double frequency, double growth, const double *shape, int count), {
    if (mode == 0) {
        Module['stringModes'] = {
            count: count, frequencies: new Float64Array(count), growths: new Float64Array(count), shapes: []
        };
    }
    Module['stringModes'].frequencies[mode] = frequency;
    Module['stringModes'].growths[mode] = growth;
    Module['stringModes'].shapes.push(HEAPF64.slice(shape >> 3, (shape >> 3) + count));
});

EM_JS(void, hand_amplitudes_to_page, (long frame, const double *amplitudes, const double *swings, int count), {
    Module['shownModes'] = {
        frame: frame, amplitudes: HEAPF64.slice(amplitudes >> 3, (amplitudes >> 3) + count),
        swings: HEAPF64.slice(swings >> 3, (swings >> 3) + count)
    };
});
// clang-format on

// Records the frame the model stands at, as drawn, and hands it to the page.
void show_frame()
{
    const long frame = frames_drawn;
    const FrameRecord record{largest_displacement(), energy()};
    if (frame == 0) {
        energy_at_start = record.energy;
        double positions[N];
        for (int i = 0; i < N; ++i) {
            positions[i] = node_x(i);
        }
        hand_geometry_to_page(positions, N, HEIGHT_SCALE, PIXELS_PER_UNIT);
    }
    keep(record);
    std::memcpy(shown_current, gsl_vector_const_ptr(string_state.u_curr, 0), sizeof shown_current);
    std::memcpy(shown_previous, gsl_vector_const_ptr(string_state.u_prev, 0), sizeof shown_previous);
    ++frames_drawn;
    hand_to_page(frame, frame_time(frame), record.largest, largest_node(), record.energy, energy_at_start, frames_kept,
                 gsl_vector_const_ptr(string_state.u_curr, 0), gsl_vector_const_ptr(string_state.u_prev, 0), N);
}

} // namespace

// Emscripten's fixed-function emulation has glVertex2f but no glVertex2d.
extern "C" void glVertex2d(GLdouble x, GLdouble y)
{
    glVertex2f(static_cast<GLfloat>(x), static_cast<GLfloat>(y));
}

// The display hands over each picture once it is out, before it advances
// the model, so the model here is still at the frame drawn.
void frame_shown()
{
    show_frame();
}

// The record as vibrating-string-history --frames K writes it, K being the
// last frame kept, in pieces of LINES_PER_PIECE frames, the header first:
// piece `piece`, or empty text past the end. The text stays until the next
// call. In pieces, a run of any length is saved with this buffer alone.
extern "C" EMSCRIPTEN_KEEPALIVE const char *history_csv_piece(long piece)
{
    constexpr long LINES_PER_PIECE = 1024;
    static char text[(1 + LINES_PER_PIECE) * HISTORY_LINE_SIZE]; // the header fits in a line's room
    std::size_t length = 0;
    if (piece == 0) {
        std::strcpy(text, HISTORY_HEADER);
        length = std::strlen(HISTORY_HEADER);
    }
    const long first = piece * LINES_PER_PIECE;
    for (long frame = first; frame < std::min(frames_kept, first + LINES_PER_PIECE); ++frame) {
        const FrameRecord &record = record_blocks[frame / FRAMES_PER_BLOCK][frame % FRAMES_PER_BLOCK];
        length += history_line(text + length, sizeof text - length, frame, record.largest, record.energy);
    }
    text[length] = '\0';
    return text;
}

// The frame shown as modes, for the page (Module.shownModes), and the modes
// themselves (Module.stringModes) on the first call, which finds them: that
// takes a moment, so it waits until the page first shows or plays them.
extern "C" EMSCRIPTEN_KEEPALIVE void show_modes()
{
    static bool modes_handed = false;
    static long modes_of_frame = -1;
    if (!modes_handed) {
        modes_handed = true;
        compute_modes();
        for (int k = 0; k < N; ++k) {
            double shape[N];
            for (int i = 0; i < N; ++i) {
                shape[i] = mode_shape(k, i);
            }
            hand_mode_to_page(k, mode_frequency(k), mode_growth(k), shape, N);
        }
    }
    if (frames_drawn == 0 || modes_of_frame == frames_drawn - 1) {
        return;
    }
    modes_of_frame = frames_drawn - 1;
    double amplitudes[N];
    double swings[N];
    mode_amplitudes(shown_current, shown_previous, amplitudes, swings);
    hand_amplitudes_to_page(modes_of_frame, amplitudes, swings, N);
}

// The page's Next frame asks for a redraw as a window system does when part
// of a window comes back into view: GLUT calls the display callback once.
extern "C" EMSCRIPTEN_KEEPALIVE void redraw()
{
    glutPostRedisplay();
}

// For the page's Save node: the header (frame -1), or the line of `frame`
// with node's `displacement` in that frame, as the history tool writes them.
extern "C" EMSCRIPTEN_KEEPALIVE const char *node_csv_line(long frame, double displacement)
{
    static char line[HISTORY_LINE_SIZE];
    if (frame < 0) {
        return NODE_HEADER;
    }
    node_line(line, sizeof line, frame, displacement);
    return line;
}

// The page's width control resizes the canvas as a window manager resizes a
// window: GLUT calls the reshape callback, then redraws.
extern "C" EMSCRIPTEN_KEEPALIVE void resize_canvas(int width, int height)
{
    glutReshapeWindow(width, height);
}

#ifdef VIBSTRING_TEST_ENTRIES
// For the page tests: `count` more frames as the page sees them, drawn and
// recorded at the model's present state, without waiting for the display
// and without the model's steps, which take the time of a long run and
// change no memory. Returns the top of the heap, which never comes down:
// its high-water mark.
extern "C" EMSCRIPTEN_KEEPALIVE long repeat_frame_shown(long count)
{
    for (long i = 0; i < count; ++i) {
        show_frame();
    }
    return reinterpret_cast<long>(sbrk(0));
}

// For the page tests: takes every block of `size` bytes that the heap can
// still give, and keeps them, chained; returns how many it took. The run's
// record can then grow no more.
extern "C" EMSCRIPTEN_KEEPALIVE long exhaust_heap(long size)
{
    static void *taken_blocks = nullptr;
    long taken = 0;
    for (void *block; (block = std::malloc(size)) != nullptr; ++taken) {
        *static_cast<void **>(block) = taken_blocks;
        taken_blocks = block;
    }
    return taken;
}
#endif
