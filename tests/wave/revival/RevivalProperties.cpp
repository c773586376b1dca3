#include "RevivalProperties.h"

#include "AnyLayoutRepairer.h"
#include "FakeFileAccess.h"
#include "HeaderReviver.h"
#include "LostHeader.h"
#include "MemoryCreatedFile.h"
#include "RepairPlan.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

bool soundWithAudioAt(const std::vector<unsigned char>& file, std::uint64_t audioAt) {
    FakeFileAccess access(file, file.size());
    SizePlan plan;
    LayoutFindings findings;
    return planRepair(access, file.size(), plan, findings) && findings.fault == LayoutFault::None && plan.count == 0
        && file.size() - plan.dataSize == audioAt;
}

// What a revival in place leaves where it stopped after some of its writes:
// a file whose header is still lost, that a new revival brings to revived.
std::string crashUnsafe(const std::vector<unsigned char>& original, const std::vector<FakeFileAccess::Event>& journal,
    const std::vector<unsigned char>& revived, const RevivalFormat& format) {
    std::vector<unsigned char> state = original;
    for (std::size_t i = 0; i + 1 < journal.size(); ++i) {
        std::copy(journal[i].bytes.begin(), journal[i].bytes.end(), state.begin() + journal[i].offset);
        FakeFileAccess prefix(state, state.size());
        LayoutFindings lost;
        if (AnyLayoutRepairer().inspect(prefix, "f", lost) != Unsupported || !headerLost(lost))
            return "a crash after write " + std::to_string(i) + " leaves a header that is not lost";
        MemoryCreatedFile beside;
        RevivalFindings findings;
        if (HeaderReviver().revive(prefix, "f", format, beside, "f.wav", false, false, findings) != Repaired
            || !findings.inPlace)
            return "a crash after write " + std::to_string(i) + " leaves a file not revived in place";
        std::vector<unsigned char> again(state.size());
        std::uint32_t done = 0;
        prefix.readAt(0, again.data(), static_cast<std::uint32_t>(again.size()), done);
        if (again != revived)
            return "a crash after write " + std::to_string(i) + " is revived to other bytes";
    }
    return "";
}

}

std::string checkRevival(const std::vector<unsigned char>& original, const RevivalFormat& format) {
    FakeFileAccess file(original, original.size());
    MemoryCreatedFile beside;
    RevivalFindings findings;
    const RepairResult result = HeaderReviver().revive(file, "f", format, beside, "f.wav", false, false, findings);
    if (result == Unsupported)
        return file.journal.empty() && beside.bytes.empty() ? "" : "a refusal wrote";
    if (result != Repaired || findings.audioAt >= original.size())
        return "a revival without audio";
    if (!findings.inPlace) {
        const std::size_t header = beside.bytes.size() - (original.size() - findings.audioAt);
        return soundWithAudioAt(beside.bytes, header) ? "" : "a new file that is not sound";
    }
    std::vector<unsigned char> revived(original.size());
    std::uint32_t done = 0;
    file.readAt(0, revived.data(), static_cast<std::uint32_t>(revived.size()), done);
    if (!std::equal(revived.begin() + findings.audioAt, revived.end(), original.begin() + findings.audioAt))
        return "a revival in place changed the audio";
    if (!soundWithAudioAt(revived, findings.audioAt))
        return "a revival in place that is not sound";
    return crashUnsafe(original, file.journal, revived, format);
}
