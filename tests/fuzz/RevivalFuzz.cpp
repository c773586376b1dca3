#include "AnyLayoutRepairer.h"
#include "FakeFileAccess.h"
#include "FuzzVerdict.h"
#include "HeaderReviver.h"
#include "LostHeader.h"
#include "MemoryCreatedFile.h"
#include "RepairPlan.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

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

std::string brokenProperty(const std::vector<unsigned char>& original, const RevivalFormat& format) {
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

}

// The first two bytes choose the format (width, float, channels) and a donor
// offset; the rest is the file. A revival either refuses, writing nothing, or
// leaves a file (in place, changing only bytes before the audio, or a new
// one) that the default rule finds sound with the audio where it said; in
// place, every prefix of its writes leaves the header lost and is revived to
// the same bytes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    static const unsigned widths[] = {8, 16, 24, 32, 32, 64};
    const unsigned choice = data[0] % 6;
    RevivalFormat format;
    if (!statedFormat(8000, widths[choice], 1 + (data[0] / 6) % 8, choice >= 4, format))
        std::abort();
    format.donorOffset = data[1] % 4 == 0 ? 0 : 4 * data[1];
    stopOnBrokenProperty(brokenProperty(std::vector<unsigned char>(data + 2, data + size), format));
    return 0;
}
