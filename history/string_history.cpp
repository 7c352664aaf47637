// SPDX-License-Identifier: GPL-3.0-or-later
// What the string does over time, as CSV for plotting: steps the model from
// set-up one frame at a time, as the window's redraws do, and writes either a
// line per frame (its largest displacement and its energy) or, for a range
// of frames, the displacement of every node or the amplitude of every mode;
// or the modes themselves.
#include "string_measures.h"
#include "string_model.h"
#include "string_modes.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char *const USAGE =
    "usage: vibrating-string-history [--frames N] [--shape FIRST:LAST | --amplitudes FIRST:LAST]\n"
    "                              [--output FILE]\n"
    "       vibrating-string-history --modes [--output FILE]\n";
const char *const HELP = R"(Steps the vibrating string from its set-up, 201 time steps a frame as the
window does, and writes CSV:
  by default, one line per frame 0..N:
    frame,time,largest_displacement,energy
  with --shape, one line per node and frame FIRST..LAST:
    frame,node,displacement
  with --amplitudes, one line per mode and frame FIRST..LAST:
    frame,mode,amplitude,swing
  with --modes, one line per mode, and no frames:
    mode,frequency,growth
Frame f is the string after f frames; time is f times the time a frame
covers (201 steps of sqrt(1e-11)) at unit wave speed.

The modes are the eigenvectors of M^-1 K, the operator a step applies,
numbered 0 to 99 from the lowest frequency, each scaled so that its largest
value has size 1 and its first value past half of that, from node 1 on, is
positive. Mode 0 is the held end's own: node 0 never moves, so neither does
it, and --modes leaves its frequency and growth empty. A frame is the
sum of amplitude times shape over the modes. Each mode turns by its
frequency (radians per frame) and its swing, the largest its amplitude
reaches in a turn, grows by its growth factor per frame.

  --frames N              frames to step (default 3000)
  --shape FIRST:LAST      every node's displacement for frames FIRST to LAST
                          only, which must not pass N where --frames is given
  --amplitudes FIRST:LAST every mode's amplitude and swing for frames FIRST to
                          LAST only, as --shape
  --modes                 each mode's frequency and growth
  --output FILE           write to FILE instead of standard output
  --help                  this text
)";

bool parse_count(const char *text, long &value)
{
    char *end = nullptr;
    errno = 0;
    value = std::strtol(text, &end, 10);
    return errno == 0 && end != text && *end == '\0' && value >= 0 && value <= 100000000;
}

// FIRST:LAST, two frame numbers in order.
bool parse_range(const char *text, long &first, long &last)
{
    const char *colon = std::strchr(text, ':');
    const std::string from = colon != nullptr ? std::string(text, colon) : "";
    return colon != nullptr && parse_count(from.c_str(), first) && parse_count(colon + 1, last) && first <= last;
}

int fail(const std::string &message)
{
    std::fprintf(stderr, "vibrating-string-history: %s\n%s", message.c_str(), USAGE);
    return 2;
}

// Each mode's frequency and growth; the growth to 15 digits, as its
// difference from 1 is what it says. Mode 0, the held end's, has neither.
void write_modes(FILE *out)
{
    compute_modes();
    std::fputs("mode,frequency,growth\n0,,\n", out);
    for (int k = 1; k < N; ++k) {
        std::fprintf(out, "%d,%.9g,%.15g\n", k, mode_frequency(k), mode_growth(k));
    }
}

// Frames 0 to `frames` stepped; a line each, or, from `first` on (where it
// is not -1), every node's displacement (--shape) or every mode's amplitude
// (--amplitudes).
void write_frames(FILE *out, long frames, long first, const std::string &per_frame)
{
    if (per_frame == "--amplitudes") {
        compute_modes();
    }
    std::fputs(per_frame == "--shape"        ? "frame,node,displacement\n"
               : per_frame == "--amplitudes" ? "frame,mode,amplitude,swing\n"
                                             : HISTORY_HEADER,
               out);
    for (long frame = 0; frame <= frames; ++frame) {
        if (first < 0) {
            char line[HISTORY_LINE_SIZE];
            history_line(line, sizeof line, frame, largest_displacement(), energy());
            std::fputs(line, out);
        } else if (frame >= first && per_frame == "--shape") {
            for (int i = 0; i < N; ++i) {
                std::fprintf(out, "%ld,%d,%.9g\n", frame, i, gsl_vector_get(string_state.u_curr, i));
            }
        } else if (frame >= first) {
            double amplitudes[N];
            double swings[N];
            mode_amplitudes(string_state.u_curr->data, string_state.u_prev->data, amplitudes, swings);
            for (int k = 0; k < N; ++k) {
                std::fprintf(out, "%ld,%d,%.9g,%.9g\n", frame, k, amplitudes[k], swings[k]);
            }
        }
        if (frame < frames) {
            advance_frame();
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    long frames = -1;
    long first = -1;
    long last = -1;
    std::string per_frame; // --shape or --amplitudes, if either
    bool modes = false;
    const char *output = nullptr;
    for (int a = 1; a < argc; ++a) {
        const std::string option = argv[a];
        if (option == "--help" || option == "-h") {
            std::fputs(USAGE, stdout);
            std::fputs(HELP, stdout);
            return 0;
        }
        if (option == "--modes") {
            modes = true;
            continue;
        }
        if (option != "--frames" && option != "--shape" && option != "--amplitudes" && option != "--output") {
            return fail("unknown option '" + option + "'");
        }
        if (a + 1 >= argc) {
            return fail(option + " needs a value");
        }
        const char *value = argv[++a];
        if (option == "--frames" && !parse_count(value, frames)) {
            return fail("--frames needs a whole number of frames, not '" + std::string(value) + "'");
        }
        if (option == "--shape" || option == "--amplitudes") {
            if (!per_frame.empty() && per_frame != option) {
                return fail("--shape and --amplitudes cannot be given together");
            }
            per_frame = option;
            if (!parse_range(value, first, last)) {
                return fail(option + " needs FIRST:LAST, two frame numbers with FIRST <= LAST, not '" +
                            std::string(value) + "'");
            }
        }
        if (option == "--output") {
            output = value;
        }
    }
    if (modes && (frames >= 0 || !per_frame.empty())) {
        return fail("--modes writes the modes alone: it takes no --frames, --shape or --amplitudes");
    }
    const bool ranged = last >= 0;
    if (frames < 0) {
        frames = ranged ? last : 3000;
    }
    if (ranged && last > frames) {
        return fail(per_frame + " ends at frame " + std::to_string(last) + ", after the last of --frames " +
                    std::to_string(frames));
    }

    // With a range nothing after LAST is written, so nothing after it is stepped.
    if (ranged) {
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
    if (modes) {
        write_modes(out);
    } else {
        write_frames(out, frames, ranged ? first : -1, per_frame);
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
