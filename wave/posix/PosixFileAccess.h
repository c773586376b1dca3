#pragma once

#include "RandomFileAccess.h"

#include <sys/stat.h>

class FileSystemSync;

// Files through POSIX calls. Only regular files are opened: the kind is judged
// from the name before any open, since opening a device can act on hardware,
// and again on the opened descriptor, which must be the same file. A file its
// folder's listing called regular is taken at the listing's word instead: it
// is opened without following a link and judged on the descriptor alone. On
// Linux the open takes a write lease, which fails while any other process has
// the file open (a recorder still appending, with no lock), so that no one
// else can hold a lock on it either, and makes later openers wait until the
// close. Where no lease can be taken (neither the owner nor CAP_LEASE, a file
// system without leases, other systems) the file is held under a whole-file
// flock and a whole-file fcntl lock instead, and the open fails when another
// process holds a lock that keeps a writer out. SIGIO, by which a lease is
// asked back, is then ignored unless something handles it. A file that grants
// no one write permission counts as read-only for every user, the superuser
// included, and an append-only or immutable file is refused as such in either
// mode. Access times are left alone where the system allows it. Interrupted
// calls are retried and partial transfers continued. Closing a file written
// since its last flush makes the writes durable: by a flush, or, given a
// FileSystemSync that watches the file's file system, by leaving that to its
// next sync. One object may open many files in turn: who runs it and the
// handling of SIGIO are asked once, so neither may change in its life.
class PosixFileAccess : public RandomFileAccess {
public:
    enum class Mode {
        ReadWrite,
        // Opens for reading only, yet refuses exactly what a read-write open
        // would refuse, with the same reason: for looking at a file without
        // changing it.
        Inspect,
        // Opens for reading alone and refuses only what is not a regular
        // file: for a file that is read and never written, locked or leased
        // (a donor of a format).
        Read
    };

    enum class Time {
        MayChange,
        // The modification time is to be set back after writing, which only
        // the file's owner (or the superuser) may do: anyone else is refused
        // at open, before anything is written, in either mode.
        Keep
    };

    explicit PosixFileAccess(Mode mode = Mode::ReadWrite, Time time = Time::MayChange,
        FileSystemSync* deferral = nullptr)
        : mode(mode), time(time), deferral(deferral) {}
    PosixFileAccess(const PosixFileAccess&) = delete;
    PosixFileAccess& operator=(const PosixFileAccess&) = delete;
    ~PosixFileAccess() override;

    // Whether the files opened from now on were listed by their folder as
    // regular files, not links: each is then opened without a look by name.
    void trustListing(bool listed) { listedRegular = listed; }
    bool open(const char* path) override;
    bool isOpen() const override;
    bool getLastWriteTime(FileTime& time) override;
    bool getSize(std::uint64_t& size) override;
    bool read(unsigned char* buffer, std::uint32_t count, std::uint32_t& done) override;
    bool seek(std::uint32_t offset) override;
    bool write(const unsigned char* buffer, std::uint32_t count, std::uint32_t& done) override;
    bool setLastWriteTime(const FileTime& time) override;
    bool close() override;
    bool readAt(std::uint64_t offset, unsigned char* buffer, std::uint32_t count, std::uint32_t& done) override;
    bool writeAt(std::uint64_t offset, const unsigned char* buffer, std::uint32_t count, std::uint32_t& done) override;
    // Succeeds without flushing where the file system cannot (EINVAL,
    // ENOTSUP), so that an ordered series of writes is not stopped half-way.
    bool flush() override;

    // Why open turned down a file the system itself would have opened.
    enum class Refusal { None, NotRegularFile, ReadOnly, Locked, InUse, AppendOnly, Immutable, Replaced, NotOwner };

    // The errno of the last failed operation, 0 when none failed.
    int lastError() const { return error; }
    Refusal refusal() const { return refused; }
    // Whether the last close left its writes to the deferral's sync, and of
    // which device.
    bool syncDeferred(dev_t& device) const;

private:
    bool fail(int code, Refusal why = Refusal::None);
    // Each refuses the file with its reason; open then closes what it opened.
    bool admit(const struct stat& status);
    bool grantsWriteAccess(const char* path);
    bool writableByFlags(int descriptor);
    bool refuseUnopened(const char* path, int flags);
    bool refuseFlagged(const char* path, int flags);
    // named: the status looked up by name before the open, if any.
    bool stillAdmitted(const struct stat* named);
    bool holdAlone();
    bool lock();
    // 0 when the lease was granted, else why not.
    int lease();
    uid_t effectiveUser();
    // The status of the open file, as fetched at the open or since: read
    // again only after something may have changed it.
    bool currentStatus(struct stat*& status);
    // Repeats step(bytes moved so far), which returns what one call moved,
    // until count bytes have moved or the end of the file is reached;
    // interrupted calls are retried.
    template <typename Step>
    bool transfer(std::uint32_t count, std::uint32_t& done, Step step);

    Mode mode;
    Time time;
    FileSystemSync* deferral;
    bool listedRegular = false;
    uid_t user = 0;
    bool userKnown = false;
    bool signalSettled = false;
    int fd = -1;
    dev_t device = 0;
    bool watched = false;
    bool written = false;
    bool deferred = false;
    struct stat opened = {};
    bool statusFresh = false;
    int error = 0;
    Refusal refused = Refusal::None;
};
