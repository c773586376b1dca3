#include "RecordingOutput.h"

#include "AnyLayoutRepairer.h"
#include "CreatedFileAccess.h"
#include "HeaderImage.h"

bool RecordingOutput::fail(std::string& why) {
    why = files->reason(*file);
    abandon();
    return false;
}

bool RecordingOutput::begin(NewFiles& newFiles, OutputNames& outputNames, const std::string& name, bool dry,
    std::string& chosen, std::string& why) {
    files = &newFiles;
    names = &outputNames;
    requested = name;
    path = &chosen;
    dryRun = dry;
    file = files->make();
    // A name another process takes between the look and the creation is
    // passed over as one taken before.
    chosen = names->choose(name, [&](const std::string& candidate) {
        const std::string part = OutputNames::partName(candidate);
        if (file->vacant(candidate.c_str()) && (dryRun || (file->vacant(part.c_str()) && file->create(part.c_str()))))
            return OutputNames::Look::Free;
        return files->nameTaken(*file) ? OutputNames::Look::Taken : OutputNames::Look::Failed;
    });
    if (chosen.empty()) {
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
    if (verdict == FileError || !file->finish() || !rename())
        return fail(why), FileError;
    file.reset();
    started = false;
    return Repaired;
}

bool RecordingOutput::rename() {
    if (file->rename(path->c_str()))
        return true;
    if (!files->nameTaken(*file))
        return false;
    const std::string next = names->choose(requested, [&](const std::string& candidate) {
        if (file->vacant(candidate.c_str()) && file->rename(candidate.c_str()))
            return OutputNames::Look::Free;
        return files->nameTaken(*file) ? OutputNames::Look::Taken : OutputNames::Look::Failed;
    });
    if (next.empty())
        return false;
    *path = next;
    return true;
}

void RecordingOutput::abandon() {
    if (file && !dryRun)
        file->abandon();
    file.reset();
    started = false;
}
