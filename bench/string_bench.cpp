// SPDX-License-Identifier: GPL-3.0-or-later
// Where a frame's time goes: a whole frame, one step, and each piece of a
// step on the model's own objects.
#include "fresh_string.h"

#include <benchmark/benchmark.h>
#include <gsl/gsl_blas.h>
#include <gsl/gsl_linalg.h>

#include <cstddef>
#include <cstdint>

// glibc's own allocator, which the counting malloc below hands on to.
extern "C" void *__libc_malloc(size_t size); // NOLINT(bugprone-reserved-identifier,readability-identifier-naming)

namespace {

// Counts every malloc of this process, to show what a frame allocates.
std::uint64_t allocations = 0;

StringState &s = string_state;

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

void product(benchmark::State &state)
{
    start_from_setup();
    for (auto _ : state) {
        gsl_blas_dgemv(CblasNoTrans, 1.0, s.stiffness, s.u_prev, 0.0, s.rhs);
        benchmark::ClobberMemory();
    }
}

void solve(benchmark::State &state)
{
    start_from_setup();
    gsl_blas_dgemv(CblasNoTrans, 1.0, s.stiffness, s.u_prev, 0.0, s.rhs);
    for (auto _ : state) {
        gsl_linalg_solve_tridiag(s.mass_diag, s.mass_upper, s.mass_lower, s.rhs, s.u_next);
        benchmark::ClobberMemory();
    }
}

void vector_arithmetic(benchmark::State &state)
{
    start_from_setup();
    for (auto _ : state) {
        gsl_vector_scale(s.u_next, -STEP_COEFF);
        gsl_vector_sub(s.u_next, s.u_prev);
        gsl_vector_add(s.u_next, s.u_curr);
        gsl_vector_add(s.u_next, s.u_curr);
        benchmark::ClobberMemory();
    }
}

void level_copies(benchmark::State &state)
{
    start_from_setup();
    for (auto _ : state) {
        for (int i = 0; i < N; ++i) {
            gsl_vector_set(s.u_prev, i, gsl_vector_get(s.u_curr, i));
        }
        for (int i = 0; i < N; ++i) {
            gsl_vector_set(s.u_curr, i, gsl_vector_get(s.u_next, i));
        }
        benchmark::ClobberMemory();
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

BENCHMARK_MAIN();
