#include "CountingHeap.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::size_t> now{0};
std::atomic<std::size_t> peak{0};
// Each block begins with its size, in a header that keeps the rest aligned.
constexpr std::size_t header = alignof(std::max_align_t);

void* take(std::size_t bytes) {
    void* block = std::malloc(bytes + header);
    if (block == nullptr)
        return nullptr;
    *static_cast<std::size_t*>(block) = bytes;
    const std::size_t held = now += bytes;
    std::size_t most = peak.load();
    while (held > most && !peak.compare_exchange_weak(most, held)) {
    }
    return static_cast<char*>(block) + header;
}

void give(void* at) {
    if (at == nullptr)
        return;
    void* block = static_cast<char*>(at) - header;
    now -= *static_cast<std::size_t*>(block);
    std::free(block);
}

void* takeOrThrow(std::size_t bytes) {
    void* at = take(bytes);
    if (at == nullptr)
        throw std::bad_alloc();
    return at;
}

}

std::size_t heapNow() {
    return now.load();
}

std::size_t heapPeak() {
    return peak.load();
}

void resetHeapPeak() {
    peak.store(now.load());
}

void* operator new(std::size_t bytes) {
    return takeOrThrow(bytes);
}

void* operator new[](std::size_t bytes) {
    return takeOrThrow(bytes);
}

void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept {
    return take(bytes);
}

void* operator new[](std::size_t bytes, const std::nothrow_t&) noexcept {
    return take(bytes);
}

void operator delete(void* at) noexcept {
    give(at);
}

void operator delete[](void* at) noexcept {
    give(at);
}

void operator delete(void* at, std::size_t) noexcept {
    give(at);
}

void operator delete[](void* at, std::size_t) noexcept {
    give(at);
}
