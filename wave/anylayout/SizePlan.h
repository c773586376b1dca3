#pragma once

#include "ByteOrder.h"

#include <cstddef>
#include <cstdint>

// The writes that make a file's sizes describe it, in the order they must
// reach the disk: each container's planner orders them so that a crash after
// any prefix leaves a file that readers open and that the rule repairs to the
// same end.
struct SizePlan {
    struct Write {
        std::uint64_t offset = 0;
        std::uint32_t count = 0;
        unsigned char bytes[8] = {};
        // What the field holds before the write, so a repair can be shown
        // and undone.
        unsigned char before[8] = {};
    };

    static constexpr std::size_t capacity = 10;
    Write writes[capacity];
    std::size_t count = 0;
    // The audio size the plan gives the file, and its whole frames.
    std::uint64_t dataSize = 0;
    std::uint64_t frames = 0;

    // Adds a write of value, in width bytes of the given order, at offset
    // when the field holds something else.
    void change(std::uint64_t offset, std::uint64_t held, std::uint64_t value, unsigned width, ByteOrder order) {
        if (held == value)
            return;
        Write& write = writes[count++];
        write.offset = offset;
        write.count = width;
        storeUnsigned(write.bytes, value, width, order);
        storeUnsigned(write.before, held, width, order);
    }
};
