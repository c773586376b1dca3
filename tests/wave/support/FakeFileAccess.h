#pragma once

#include "RandomFileAccess.h"

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

// A file layer over a file that exists only in memory, of any size: its first
// bytes are stored whole, chosen bytes further on one by one, and the rest
// reads as zeros. It records every call, every seek and, in order, every
// positional write and flush, and can be told to fail, or to come up short,
// at one step. Positional reads and writes count as Read and Write steps.
class FakeFileAccess : public RandomFileAccess {
public:
    enum class Step { None, Open, GetTime, GetSize, Read, Seek, Write, SetTime, Close, Flush };

    static constexpr FileTime timeBefore = {1000000000, 123456789};
    static constexpr FileTime timeOfWrite = {1700000000, 5};

    FakeFileAccess(std::vector<unsigned char> head, std::uint64_t size) : head(std::move(head)), size(size) {}

    bool open(const char* path) override;
    bool isOpen() const override { return opened; }
    bool getLastWriteTime(FileTime& time) override;
    bool getSize(std::uint64_t& result) override;
    bool read(unsigned char* buffer, std::uint32_t count, std::uint32_t& done) override;
    bool seek(std::uint32_t offset) override;
    bool write(const unsigned char* buffer, std::uint32_t count, std::uint32_t& done) override;
    bool setLastWriteTime(const FileTime& time) override;
    bool close() override;
    bool readAt(std::uint64_t offset, unsigned char* buffer, std::uint32_t count, std::uint32_t& done) override;
    bool writeAt(std::uint64_t offset, const unsigned char* buffer, std::uint32_t count, std::uint32_t& done) override;
    bool flush() override;

    // Puts bytes into the file at offset, growing it if they reach past its
    // end; records nothing.
    void place(std::uint64_t offset, const std::vector<unsigned char>& bytes);
    // Every byte of the file that is not zero, by offset.
    std::map<std::uint64_t, unsigned char> nonZero() const;

    // One positional write, or a flush (no bytes).
    struct Event {
        bool flush = false;
        std::uint64_t offset = 0;
        std::vector<unsigned char> bytes;
    };

    // The step that fails outright.
    Step failAt = Step::None;
    // A read or write that reports success but moves only shortCount bytes.
    Step shortAt = Step::None;
    std::uint32_t shortCount = 0;
    // Bytes a failing write still puts into the file before it reports failure.
    std::uint32_t writtenBeforeFailure = 0;

    std::vector<unsigned char> head;
    std::map<std::uint64_t, unsigned char> scattered;
    std::uint64_t size;
    FileTime lastWrite = timeBefore;
    std::uint64_t position = 0;
    bool opened = false;
    std::string openedPath;
    std::vector<Step> calls;
    std::vector<std::uint32_t> seeks;
    std::vector<Event> journal;

private:
    // Records the call; true when it is to fail.
    bool fails(Step step);
    unsigned char byteAt(std::uint64_t offset) const;
    bool readFrom(std::uint64_t offset, unsigned char* buffer, std::uint32_t count, std::uint32_t& done);
    // The bytes that reached the file; ok tells whether the write reports success.
    std::vector<unsigned char> writeTo(std::uint64_t offset, const unsigned char* buffer, std::uint32_t count,
        std::uint32_t& done, bool& ok);
};

const char* stepName(FakeFileAccess::Step step);

inline bool sameTime(const FileTime& a, const FileTime& b) {
    return a.seconds == b.seconds && a.nanoseconds == b.nanoseconds;
}
