#pragma once

#include <sys/types.h>

#include <vector>

// Defers making written files durable to one sync per file system at the end
// of a batch, instead of a flush per file. A file system is watched from the
// first time a file of it is opened for writing, on a descriptor of that
// file's folder: a sync reports only the write-back errors that happened after
// its descriptor was opened. Only Linux can sync a file system this way;
// elsewhere nothing is watched and every file is flushed by itself.
class FileSystemSync {
public:
    // The sync call, replaceable so that a failing file system can be
    // simulated.
    using SyncCall = int (*)(int fd);

    struct Failure {
        dev_t device;
        int error;
    };

    FileSystemSync();
    explicit FileSystemSync(SyncCall call) : call(call) {}
    FileSystemSync(const FileSystemSync&) = delete;
    FileSystemSync& operator=(const FileSystemSync&) = delete;
    ~FileSystemSync();

    // Watches the file system of the file at path, which is on device, before
    // anything is written to it. False when it cannot be watched (its folder
    // is on another device or cannot be opened): the file must then be
    // flushed by itself.
    bool watch(const char* path, dev_t device);
    // Notes that a file on a watched device was written and left unflushed.
    void defer(dev_t device);
    // Syncs every file system with deferred writes and tells which failed;
    // nothing is deferred afterwards.
    std::vector<Failure> syncDeferred();

private:
    struct Watched {
        dev_t device;
        int fd;
        bool deferred;
    };

    SyncCall call;
    std::vector<Watched> watched;
};
