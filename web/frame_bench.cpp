// SPDX-License-Identifier: GPL-3.0-or-later
// One frame (201 steps) of the WebAssembly model, timed under Node: the
// median over repetitions, each the mean of a batch of frames.
//   usage: node frame_bench.js [repetitions]
#include "string_model.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char **argv)
{
    const int repetitions = argc > 1 ? std::atoi(argv[1]) : 12;
    const int frames = 500;
    setup_string();
    string_state.initialized = 1;
    advance_frame(); // warm up

    std::vector<double> nanoseconds;
    for (int r = 0; r < repetitions; ++r) {
        const auto start = std::chrono::steady_clock::now();
        for (int f = 0; f < frames; ++f) {
            advance_frame();
        }
        const std::chrono::duration<double, std::nano> elapsed = std::chrono::steady_clock::now() - start;
        nanoseconds.push_back(elapsed.count() / frames);
    }
    std::sort(nanoseconds.begin(), nanoseconds.end());
    const size_t middle = nanoseconds.size() / 2;
    const double median =
        nanoseconds.size() % 2 == 1 ? nanoseconds[middle] : (nanoseconds[middle - 1] + nanoseconds[middle]) / 2;
    std::printf("wasm_frame %.0f\n", median);
    return 0;
}
