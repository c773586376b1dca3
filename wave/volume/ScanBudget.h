#pragma once

#include <cstdint>

// What one run over a source may spend, whatever the source holds, shared by
// all its volumes: the memory of what the scan keeps of them (cluster sets,
// the FAT's stretches and blocks, folders waiting to be read, entries and
// recordings found), as one account, and the bytes of FAT read again on
// demand past what the memory keeps. What asks for more than is left is
// refused, and the asker gives up exactness in a way it reports.
class ScanBudget {
public:
    ScanBudget(std::uint64_t memoryBytes, std::uint64_t fatReadBytes)
        : memoryLeft(memoryBytes), fatReadsLeft(fatReadBytes) {}
    ScanBudget(const ScanBudget&) = delete;
    ScanBudget& operator=(const ScanBudget&) = delete;

    // Takes bytes from the memory account; false, taking none, when fewer are
    // left.
    bool take(std::uint64_t bytes) {
        if (bytes > memoryLeft)
            return false;
        memoryLeft -= bytes;
        return true;
    }
    void give(std::uint64_t bytes) { memoryLeft += bytes; }
    // Takes bytes of FAT to read again; false, taking none, when fewer are
    // left.
    bool readFat(std::uint64_t bytes) {
        if (bytes > fatReadsLeft)
            return false;
        fatReadsLeft -= bytes;
        return true;
    }

    // A run's memory for what it keeps: with the buffers of its reads and the
    // process itself, sonorix-repair stays within 64 MiB.
    static constexpr std::uint64_t defaultMemory = 28ull << 20;

private:
    std::uint64_t memoryLeft;
    std::uint64_t fatReadsLeft;
};
