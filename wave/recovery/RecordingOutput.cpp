#include "RecordingOutput.h"

#include "AnyLayoutRepairer.h"
#include "CreatedFileAccess.h"
#include "HeaderImage.h"

bool RecordingOutput::fail(std::string& why) {
    why = files->reason(*file);
    abandon();
    return false;
}

bool RecordingOutput::begin(NewFiles& newFiles, OutputNames& names, const std::string& name, bool dry,
    std::string& path, std::string& why) {
    files = &newFiles;
    dryRun = dry;
    file = files->make();
    // A name another process takes between the look and the creation is
    // passed over as one taken before.
    path = names.choose(name, [&](const std::string& candidate) {
        if (file->vacant(candidate.c_str()) && (dryRun || file->create(candidate.c_str())))
            return OutputNames::Look::Free;
        return files->nameTaken(*file) ? OutputNames::Look::Taken : OutputNames::Look::Failed;
    });
    if (path.empty()) {
        why = files->reason(*file);
        file.reset();
        return false;
    }
    started = true;
    return true;
}

bool RecordingOutput::write(std::uint64_t offset, const unsigned char* bytes, std::uint32_t count, std::string& why) {
    return dryRun || file->writeAt(offset, bytes, count) || fail(why);
}

RepairResult RecordingOutput::finish(std::uint64_t length, const std::vector<unsigned char>& head,
    LayoutFindings& findings, std::string& why) {
    const AnyLayoutRepairer rule;
    if (dryRun) {
        HeaderImage image(head, length);
        const RepairResult verdict = rule.inspect(image, "", findings);
        return verdict == AlreadyValid ? Repaired : verdict;
    }
    if (!file->resize(length))
        return fail(why), FileError;
    CreatedFileAccess access(*file, length);
    const RepairResult verdict = rule.repair(access, "", false, findings);
    if (verdict == Unsupported) {
        abandon();
        return Unsupported;
    }
    if (verdict == FileError || !file->finish())
        return fail(why), FileError;
    file.reset();
    started = false;
    return Repaired;
}

void RecordingOutput::abandon() {
    if (file && !dryRun)
        file->abandon();
    file.reset();
    started = false;
}
