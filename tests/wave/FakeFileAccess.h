#pragma once

#include "FileAccess.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// A file layer over a file that exists only in memory: its first bytes are
// stored, the rest is a size. It records every call and every seek, and can
// be told to fail, or to come up short, at one step.
class FakeFileAccess : public FileAccess {
public:
    enum class Step { None, Open, GetTime, GetSize, Read, Seek, Write, SetTime, Close };

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
    void close() override;

    // The step that fails outright.
    Step failAt = Step::None;
    // A read or write that reports success but moves only shortCount bytes.
    Step shortAt = Step::None;
    std::uint32_t shortCount = 0;
    // Bytes a failing write still puts into the file before it reports failure.
    std::uint32_t writtenBeforeFailure = 0;

    std::vector<unsigned char> head;
    std::uint64_t size;
    FileTime lastWrite = timeBefore;
    std::uint64_t position = 0;
    bool opened = false;
    std::string openedPath;
    std::vector<Step> calls;
    std::vector<std::uint32_t> seeks;

private:
    // Records the call; true when it is to fail.
    bool fails(Step step);
};

const char* stepName(FakeFileAccess::Step step);
