// SPDX-License-Identifier: GPL-3.0-or-later
// What the string does over time, as CSV for plotting: steps the model from
// set-up one frame at a time, as the window's redraws do, and writes either a
// line per frame (its largest displacement and its energy) or, for a range
// of frames, the displacement of every node.
#include "string_measures.h"
#include "string_model.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char *const USAGE = "usage: vibrating-string-history [--frames N] [--shape FIRST:LAST] [--output FILE]\n";
const char *const HELP = R"(Steps the vibrating string from its set-up, 201 time steps a frame as the
window does, and writes CSV:
  by default, one line per frame 0..N:
    frame,time,largest_displacement,energy
  with --shape, one line per node and frame FIRST..LAST:
    frame,node,displacement
Frame f is the string after f frames; time is f times the time a frame
covers (201 steps of sqrt(1e-11)) at unit wave speed.

  --frames N          frames to step (default 3000)
  --shape FIRST:LAST  every node's displacement for frames FIRST to LAST
                      only, which must not pass N where --frames is given
  --output FILE       write to FILE instead of standard output
  --help              this text
)";

bool parse_count(const char *text, long &value)
{
    char *end = nullptr;
    errno = 0;
    value = std::strtol(text, &end, 10);
    return errno == 0 && end != text && *end == '\0' && value >= 0 && value <= 100000000;
}

int fail(const std::string &message)
{
    std::fprintf(stderr, "vibrating-string-history: %s\n%s", message.c_str(), USAGE);
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    long frames = -1;
    long first = -1;
    long last = -1;
    const char *output = nullptr;
    for (int a = 1; a < argc; ++a) {
        const std::string option = argv[a];
        if (option == "--help" || option == "-h") {
            std::fputs(USAGE, stdout);
            std::fputs(HELP, stdout);
            return 0;
        }
        if (option != "--frames" && option != "--shape" && option != "--output") {
            return fail("unknown option '" + option + "'");
        }
        if (a + 1 >= argc) {
            return fail(option + " needs a value");
        }
        const char *value = argv[++a];
        if (option == "--frames" && !parse_count(value, frames)) {
            return fail("--frames needs a whole number of frames, not '" + std::string(value) + "'");
        }
        if (option == "--shape") {
            const char *colon = std::strchr(value, ':');
            const std::string from = colon != nullptr ? std::string(value, colon) : "";
            if (colon == nullptr || !parse_count(from.c_str(), first) || !parse_count(colon + 1, last) ||
                first > last) {
                return fail("--shape needs FIRST:LAST, two frame numbers with FIRST <= LAST, not '" +
                            std::string(value) + "'");
            }
        }
        if (option == "--output") {
            output = value;
        }
    }
    const bool shape = last >= 0;
    if (frames < 0) {
        frames = shape ? last : 3000;
    }
    if (shape && last > frames) {
        return fail("--shape ends at frame " + std::to_string(last) + ", after the last of --frames " +
                    std::to_string(frames));
    }

    // With --shape nothing after LAST is written, so nothing after it is stepped.
    if (shape) {
        frames = last;
    }

    FILE *file = nullptr;
    if (output != nullptr) {
        file = std::fopen(output, "w");
        if (file == nullptr) {
            std::fprintf(stderr, "vibrating-string-history: cannot write %s: %s\n", output, std::strerror(errno));
            return 1;
        }
    }
    FILE *out = file != nullptr ? file : stdout;

    setup_string();
    string_state.initialized = 1;
    std::fputs(shape ? "frame,node,displacement\n" : HISTORY_HEADER, out);
    for (long frame = 0; frame <= frames; ++frame) {
        if (!shape) {
            char line[HISTORY_LINE_SIZE];
            history_line(line, sizeof line, frame, largest_displacement(), energy());
            std::fputs(line, out);
        } else if (frame >= first) {
            for (int i = 0; i < N; ++i) {
                std::fprintf(out, "%ld,%d,%.9g\n", frame, i, gsl_vector_get(string_state.u_curr, i));
            }
        }
        if (frame < frames) {
            advance_frame();
        }
    }
    const bool written = std::fflush(out) == 0 && std::ferror(out) == 0;
    const int write_error = errno;
    const bool closed = file == nullptr || std::fclose(file) == 0;
    if (!written || !closed) {
        std::fprintf(stderr, "vibrating-string-history: writing %s failed: %s\n",
                     output != nullptr ? output : "standard output", std::strerror(written ? errno : write_error));
        return 1;
    }
    return 0;
}
