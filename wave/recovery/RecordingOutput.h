#pragma once

#include "LayoutFindings.h"
#include "NewFiles.h"
#include "OutputNames.h"
#include "RepairResult.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The new file of one recovered recording: its bytes as found, at their
// places in it whatever order they come in, then its sizes repaired by the
// default rule, then made durable with its folder, before anything says it
// was recovered. Until then it has its part name (OutputNames::partName), and
// only whole is it renamed to its path, which no file had; one not finished
// is removed, whenever the output is destroyed. In a dry run nothing is
// created, and the default rule judges the header alone.
class RecordingOutput {
public:
    RecordingOutput() = default;
    RecordingOutput(const RecordingOutput&) = delete;
    RecordingOutput& operator=(const RecordingOutput&) = delete;
    ~RecordingOutput() { abandon(); }

    // Chooses the file's path for name and creates it under its part name;
    // false (why says so) when it could not be created. path is kept, and
    // changed where another file takes it before the file is renamed to it.
    bool begin(NewFiles& files, OutputNames& names, const std::string& name, bool dryRun, std::string& path,
        std::string& why);
    bool begun() const { return started; }

    // Writes count bytes at offset; false (why says so) when the write failed,
    // and the file is abandoned.
    bool write(std::uint64_t offset, const unsigned char* bytes, std::uint32_t count, std::string& why);

    // Makes the file length bytes long, of which head holds the first, and
    // repairs its sizes: Repaired once it is on the disk, Unsupported when the
    // default rule refuses it (findings say why), FileError (why says so);
    // the file is removed unless Repaired.
    RepairResult finish(std::uint64_t length, const std::vector<unsigned char>& head, LayoutFindings& findings,
        std::string& why);

    // Removes a file begun.
    void abandon();

private:
    bool fail(std::string& why);
    // Gives the finished file its path, or where a file took that meanwhile,
    // the next free one.
    bool rename();

    NewFiles* files = nullptr;
    OutputNames* names = nullptr;
    std::string requested;
    std::string* path = nullptr;
    std::unique_ptr<CreatedFile> file;
    bool dryRun = false;
    bool started = false;
};
