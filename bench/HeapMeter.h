#pragma once

// The heap a piece of code takes at its peak: every allocation of the process (Qt, SQLite and ours)
// goes through the C allocator, which this header replaces by counting wrappers around glibc's own
// functions. Include it in exactly one translation unit of a benchmark program.

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <malloc.h>

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* pointer, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* pointer);
}

namespace pelnix::bench {

class HeapMeter {
public:
    // Starts a measurement at the bytes in use now.
    static void start() {
        const int64_t now = s_inUse.load(std::memory_order_relaxed);
        s_base.store(now, std::memory_order_relaxed);
        s_peak.store(now, std::memory_order_relaxed);
    }
    // The most bytes in use since start(), above the level at start().
    static int64_t peakSinceStart() {
        return s_peak.load(std::memory_order_relaxed) - s_base.load(std::memory_order_relaxed);
    }
    // The bytes in use now, above the level at start().
    static int64_t inUseSinceStart() {
        return s_inUse.load(std::memory_order_relaxed) - s_base.load(std::memory_order_relaxed);
    }

    static void add(int64_t bytes) {
        const int64_t now = s_inUse.fetch_add(bytes, std::memory_order_relaxed) + bytes;
        int64_t peak = s_peak.load(std::memory_order_relaxed);
        while (now > peak && !s_peak.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
        }
    }
    static void remove(int64_t bytes) { s_inUse.fetch_sub(bytes, std::memory_order_relaxed); }
    static int64_t sizeOf(void* pointer) { return pointer ? int64_t(malloc_usable_size(pointer)) : 0; }

private:
    static inline std::atomic<int64_t> s_inUse{0};
    static inline std::atomic<int64_t> s_base{0};
    static inline std::atomic<int64_t> s_peak{0};
};

} // namespace pelnix::bench

extern "C" {

void* malloc(size_t size) {
    void* p = __libc_malloc(size);
    pelnix::bench::HeapMeter::add(pelnix::bench::HeapMeter::sizeOf(p));
    return p;
}

void* calloc(size_t count, size_t size) {
    void* p = __libc_calloc(count, size);
    pelnix::bench::HeapMeter::add(pelnix::bench::HeapMeter::sizeOf(p));
    return p;
}

void* realloc(void* pointer, size_t size) {
    const int64_t before = pelnix::bench::HeapMeter::sizeOf(pointer);
    void* p = __libc_realloc(pointer, size);
    // A failed realloc leaves the old block; a size of 0 frees it.
    if (p || size == 0) {
        pelnix::bench::HeapMeter::remove(before);
        pelnix::bench::HeapMeter::add(pelnix::bench::HeapMeter::sizeOf(p));
    }
    return p;
}

void free(void* pointer) {
    pelnix::bench::HeapMeter::remove(pelnix::bench::HeapMeter::sizeOf(pointer));
    __libc_free(pointer);
}

void* memalign(size_t alignment, size_t size) {
    void* p = __libc_memalign(alignment, size);
    pelnix::bench::HeapMeter::add(pelnix::bench::HeapMeter::sizeOf(p));
    return p;
}

void* aligned_alloc(size_t alignment, size_t size) {
    return memalign(alignment, size);
}

int posix_memalign(void** result, size_t alignment, size_t size) {
    void* p = memalign(alignment, size);
    if (!p)
        return ENOMEM;
    *result = p;
    return 0;
}

} // extern "C"
