#include "CachedReads.h"

#include <algorithm>
#include <cstring>

void CachedReads::forget() {
    head.span = headBytes;
    head.loaded = false;
    tail.loaded = false;
    sized = false;
    end = UINT64_MAX;
}

bool CachedReads::open(const char* path) {
    forget();
    return file.open(path);
}

bool CachedReads::getSize(std::uint64_t& size) {
    if (!file.getSize(size))
        return false;
    end = size;
    if (!head.loaded && size <= wholeBytes)
        head.span = wholeBytes;
    // A file no longer than the head is all head.
    sized = size > head.span;
    tail.start = sized && size > tailBytes ? size - tailBytes : 0;
    tail.loaded = false;
    return true;
}

bool CachedReads::answers(Window& window, std::uint64_t offset, std::uint32_t count) {
    if (offset < window.start || offset + count > window.start + window.span)
        return false;
    if (!window.loaded) {
        // Asking for no more than the file holds spares the call that would
        // only find its end.
        const std::uint32_t wanted = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(window.span, end > window.start ? end - window.start : 0));
        window.loaded = file.readAt(window.start, window.bytes, wanted, window.held);
        if (!window.loaded)
            return false;
    }
    return true;
}

bool CachedReads::readAt(std::uint64_t offset, unsigned char* buffer, std::uint32_t count, std::uint32_t& done) {
    for (Window* window : {&head, &tail}) {
        if ((window == &tail && !sized) || !answers(*window, offset, count))
            continue;
        const std::uint64_t from = offset - window->start;
        done =
            from >= window->held ? 0 : static_cast<std::uint32_t>(std::min<std::uint64_t>(count, window->held - from));
        std::memcpy(buffer, window->bytes + from, done);
        return true;
    }
    return file.readAt(offset, buffer, count, done);
}

bool CachedReads::writeAt(std::uint64_t offset, const unsigned char* buffer, std::uint32_t count, std::uint32_t& done) {
    const bool ok = file.writeAt(offset, buffer, count, done);
    for (Window* window : {&head, &tail}) {
        for (std::uint32_t i = 0; window->loaded && i < done; ++i) {
            if (offset + i >= window->start && offset + i < window->start + window->held)
                window->bytes[offset + i - window->start] = buffer[i];
        }
    }
    return ok;
}

bool CachedReads::read(unsigned char* buffer, std::uint32_t count, std::uint32_t& done) {
    return file.read(buffer, count, done);
}

bool CachedReads::write(const unsigned char* buffer, std::uint32_t count, std::uint32_t& done) {
    forget();
    return file.write(buffer, count, done);
}

bool CachedReads::close() {
    forget();
    return file.close();
}
