#include "DonorFormat.h"

#include "AiffLayout.h"
#include "RepairPlan.h"
#include "RiffLayout.h"

namespace {

constexpr std::uint16_t pcm = 1;
constexpr std::uint16_t ieeeFloat = 3;
// Large enough for any extension a PCM or float chunk carries.
constexpr std::uint32_t longestBody = 1024;

}

bool readDonorFormat(RandomFileAccess& file, std::uint64_t fileSize, RevivalFormat& format, DonorFault& fault,
    LayoutFindings& findings) {
    fault = DonorFault::None;
    SizePlan plan;
    if (!planRepair(file, fileSize, plan, findings))
        return false;
    if (findings.fault != LayoutFault::None) {
        fault = DonorFault::Unsound;
        return true;
    }
    unsigned char form[12];
    if (!readWhole(file, 0, form, sizeof form))
        return false;
    if (isAiffForm(form)) {
        fault = DonorFault::NotRiff;
        return true;
    }
    RiffLayout layout;
    if (!readRiffLayout(file, form, fileSize, layout, findings))
        return false;
    const FrameFormat& frame = layout.format;
    if (frame.sampleFormat != pcm && frame.sampleFormat != ieeeFloat) {
        fault = DonorFault::Compressed;
        return true;
    }
    const unsigned width = frame.blockAlign / frame.channels;
    const bool isFloat = frame.sampleFormat == ieeeFloat;
    if ((isFloat ? width != 4 && width != 8 : width > 4) || layout.formatSize > longestBody) {
        fault = DonorFault::SampleWidth;
        return true;
    }
    format = RevivalFormat();
    format.samples = {width, isFloat, frame.channels};
    format.needsFact = isFloat;
    format.donorOffset = layout.payloadAt();
    format.formatBody.resize(layout.formatSize);
    return readWhole(file, layout.formatAt, format.formatBody.data(), layout.formatSize);
}
