// SPDX-License-Identifier: GPL-3.0-or-later
// Preloaded into the real program by the tests and scripts/bench: counts
// glFlush calls, one per redraw, in an 8-byte file named by FLUSH_COUNT_FILE,
// so that redraws can be counted from outside without changing the program.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>

namespace {

std::atomic<std::uint64_t> *open_counter()
{
    const char *path = std::getenv("FLUSH_COUNT_FILE");
    const int fd = path != nullptr ? open(path, O_RDWR | O_CREAT, 0644) : -1;
    if (fd < 0 || ftruncate(fd, sizeof(std::uint64_t)) != 0) {
        return nullptr;
    }
    void *shared = mmap(nullptr, sizeof(std::uint64_t), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    return shared == MAP_FAILED ? nullptr : static_cast<std::atomic<std::uint64_t> *>(shared);
}

} // namespace

extern "C" void glFlush() // NOLINT(readability-identifier-naming): OpenGL's name
{
    using Flush = void (*)();
    static const auto real_flush = reinterpret_cast<Flush>(dlsym(RTLD_NEXT, "glFlush"));
    static std::atomic<std::uint64_t> *const counter = open_counter();
    real_flush();
    if (counter != nullptr) {
        counter->fetch_add(1, std::memory_order_relaxed);
    }
}
