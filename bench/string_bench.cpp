// SPDX-License-Identifier: GPL-3.0-or-later
// Where a frame's time goes: a whole frame, one step, and each piece of a
// step on the model's own objects; and what the modes cost, found once and
// a frame projected onto them.
#include "fresh_string.h"
#include "string_modes.h"

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>

// glibc's own allocator, which the counting malloc below hands on to.
extern "C" void *__libc_malloc(size_t size); // NOLINT(bugprone-reserved-identifier,readability-identifier-naming)

namespace {

// Counts every malloc of this process, to show what a frame allocates.
std::uint64_t allocations = 0;

void frame(benchmark::State &state)
{
    start_from_setup();
    const std::uint64_t before = allocations;
    for (auto _ : state) {
        advance_frame();
    }
    state.counters["allocs_per_frame"] =
        static_cast<double>(allocations - before) / static_cast<double>(state.iterations());
}

void step(benchmark::State &state)
{
    start_from_setup();
    for (auto _ : state) {
        step_string();
    }
}

// Each part of a step, as the step runs it.
void product(benchmark::State &state)
{
    start_from_setup();
    for (auto _ : state) {
        stiffness_product();
        benchmark::ClobberMemory();
    }
}

void solve(benchmark::State &state)
{
    start_from_setup();
    stiffness_product();
    for (auto _ : state) {
        mass_solve();
        benchmark::ClobberMemory();
    }
}

void vector_arithmetic(benchmark::State &state)
{
    start_from_setup();
    for (auto _ : state) {
        combine_levels();
        benchmark::ClobberMemory();
    }
}

void level_copies(benchmark::State &state)
{
    start_from_setup();
    for (auto _ : state) {
        shift_levels();
        benchmark::ClobberMemory();
    }
}

void modes(benchmark::State &state)
{
    start_from_setup();
    for (auto _ : state) {
        compute_modes();
    }
}

void mode_projection(benchmark::State &state)
{
    start_from_setup();
    compute_modes();
    double amplitudes[N];
    double swings[N];
    for (auto _ : state) {
        mode_amplitudes(string_state.u_curr->data, string_state.u_prev->data, amplitudes, swings);
        benchmark::DoNotOptimize(amplitudes);
        benchmark::DoNotOptimize(swings);
    }
}

#if defined(__x86_64__)
// A chain of dependent adds runs at one per clock cycle, so its rate is the
// core's clock while it runs the benchmarks.
void clock_rate(benchmark::State &state)
{
    const int chain = 1000000;
    for (auto _ : state) {
        std::uint64_t x = 0;
        for (int i = 0; i < chain; ++i) {
            asm volatile("add $1, %0" : "+r"(x));
        }
        benchmark::DoNotOptimize(x);
    }
    state.counters["cycles_per_second"] = benchmark::Counter(chain, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(clock_rate);
#endif

} // namespace

extern "C" void *malloc(size_t size)
{
    ++allocations;
    return __libc_malloc(size);
}

BENCHMARK(frame)->Unit(benchmark::kMicrosecond);
BENCHMARK(step)->Unit(benchmark::kNanosecond);
BENCHMARK(product);
BENCHMARK(solve);
BENCHMARK(vector_arithmetic);
BENCHMARK(level_copies);
BENCHMARK(modes)->Unit(benchmark::kMicrosecond);
BENCHMARK(mode_projection)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
