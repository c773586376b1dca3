#pragma once

#include "RandomFileAccess.h"

#include <cstdint>

// A file layer over another that reads the first kilobyte and the last 512
// bytes of the file once each and answers the positional reads that fall
// wholly inside one of them from memory: walking a file's chunk headers and
// looking for tags at its end then cost two reads of the system instead of one
// per header. Small windows, since each is copied whole; but a file of at
// most wholeBytes, whose size was told before its first read, is read whole in
// one call, which costs less than a second call. Positional writes pass
// through and update what is held; sequential calls pass through and let it
// go. The tail is held only once getSize has told the size.
class CachedReads : public RandomFileAccess {
public:
    static constexpr std::uint32_t headBytes = 1024;
    static constexpr std::uint32_t tailBytes = 512;
    static constexpr std::uint32_t wholeBytes = 8192;

    explicit CachedReads(RandomFileAccess& file) : file(file) {}
    CachedReads(const CachedReads&) = delete;
    CachedReads& operator=(const CachedReads&) = delete;

    bool open(const char* path) override;
    bool isOpen() const override { return file.isOpen(); }
    bool getLastWriteTime(FileTime& time) override { return file.getLastWriteTime(time); }
    bool getSize(std::uint64_t& size) override;
    bool read(unsigned char* buffer, std::uint32_t count, std::uint32_t& done) override;
    bool seek(std::uint32_t offset) override { return file.seek(offset); }
    bool write(const unsigned char* buffer, std::uint32_t count, std::uint32_t& done) override;
    bool setLastWriteTime(const FileTime& time) override { return file.setLastWriteTime(time); }
    bool close() override;
    bool readAt(std::uint64_t offset, unsigned char* buffer, std::uint32_t count, std::uint32_t& done) override;
    bool writeAt(std::uint64_t offset, const unsigned char* buffer, std::uint32_t count, std::uint32_t& done) override;
    bool flush() override { return file.flush(); }

private:
    struct Window {
        Window(std::uint32_t span, unsigned char* bytes) : span(span), bytes(bytes) {}

        std::uint32_t span;
        unsigned char* bytes;
        std::uint64_t start = 0;
        // Bytes held, fewer than span only where the file ends; loaded tells
        // whether they were read.
        std::uint32_t held = 0;
        bool loaded = false;
    };

    // Whether window answers the read, loading it first.
    bool answers(Window& window, std::uint64_t offset, std::uint32_t count);
    void forget();

    RandomFileAccess& file;
    unsigned char headHeld[wholeBytes];
    unsigned char tailHeld[tailBytes];
    Window head{headBytes, headHeld};
    Window tail{tailBytes, tailHeld};
    bool sized = false;
    // The size, once told.
    std::uint64_t end = UINT64_MAX;
};
