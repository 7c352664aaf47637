// SPDX-License-Identifier: GPL-3.0-or-later
// One frame (201 steps) of the WebAssembly model, and each part of a step,
// timed under Node: for each, the time of every repetition, each the mean of
// a batch; scripts/bench takes their median. Then the modes, found once
// as the page finds them, and a frame projected onto them.
//   usage: node frame_bench.js [repetitions]
//   prints: "wasm_frame NS..." then "wasm_PART NS..." for the parts of a step,
//   "wasm_modes NS..." and "wasm_mode_projection NS..."
#include "string_model.h"
#include "string_modes.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

// Prints `name`, then the nanoseconds per call of `run` in each of
// `repetitions` batches of `batch` calls.
template <typename Run> void time_batches(const char *name, int repetitions, int batch, Run run)
{
    std::printf("%s", name);
    for (int r = 0; r < repetitions; ++r) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < batch; ++i) {
            run();
        }
        const std::chrono::duration<double, std::nano> elapsed = std::chrono::steady_clock::now() - start;
        std::printf(" %.0f", elapsed.count() / batch);
    }
    std::printf("\n");
}

} // namespace

int main(int argc, char **argv)
{
    const int repetitions = argc > 1 ? std::atoi(argv[1]) : 12;
    setup_string();
    string_state.initialized = 1;
    advance_frame(); // warm up

    time_batches("wasm_frame", repetitions, 500, advance_frame);
    const int steps = 500 * STEPS_PER_FRAME;
    time_batches("wasm_product", repetitions, steps, stiffness_product);
    time_batches("wasm_solve", repetitions, steps, mass_solve);
    time_batches("wasm_vector_arithmetic", repetitions, steps, combine_levels);
    time_batches("wasm_level_copies", repetitions, steps, shift_levels);
    time_batches("wasm_modes", repetitions, 1, compute_modes);
    double amplitudes[N];
    double swings[N];
    time_batches("wasm_mode_projection", repetitions, 500,
                 [&] { mode_amplitudes(string_state.u_curr->data, string_state.u_prev->data, amplitudes, swings); });
    return 0;
}
