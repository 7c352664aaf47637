// SPDX-License-Identifier: GPL-3.0-or-later
// One frame (201 steps) of the WebAssembly model, and each part of a step,
// timed under Node: for each, the median over repetitions, each the mean
// of a batch.
//   usage: node frame_bench.js [repetitions]
//   prints: "wasm_frame NS" then "wasm_PART NS" for the parts of a step
#include "string_model.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// Median nanoseconds per call of `run`, over `repetitions` batches of `batch` calls.
template <typename Run> double median_ns(int repetitions, int batch, Run run)
{
    std::vector<double> nanoseconds;
    for (int r = 0; r < repetitions; ++r) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < batch; ++i) {
            run();
        }
        const std::chrono::duration<double, std::nano> elapsed = std::chrono::steady_clock::now() - start;
        nanoseconds.push_back(elapsed.count() / batch);
    }
    std::sort(nanoseconds.begin(), nanoseconds.end());
    const size_t middle = nanoseconds.size() / 2;
    return nanoseconds.size() % 2 == 1 ? nanoseconds[middle] : (nanoseconds[middle - 1] + nanoseconds[middle]) / 2;
}

} // namespace

int main(int argc, char **argv)
{
    const int repetitions = argc > 1 ? std::atoi(argv[1]) : 12;
    setup_string();
    string_state.initialized = 1;
    advance_frame(); // warm up

    std::printf("wasm_frame %.0f\n", median_ns(repetitions, 500, advance_frame));
    const int steps = 500 * STEPS_PER_FRAME;
    std::printf("wasm_product %.0f\n", median_ns(repetitions, steps, stiffness_product));
    std::printf("wasm_solve %.0f\n", median_ns(repetitions, steps, mass_solve));
    std::printf("wasm_vector_arithmetic %.0f\n", median_ns(repetitions, steps, combine_levels));
    std::printf("wasm_level_copies %.0f\n", median_ns(repetitions, steps, shift_levels));
    return 0;
}
