#include "DonorFormat.h"

#include "AiffLayout.h"
#include "RepairPlan.h"
#include "RiffLayout.h"

#include <vector>

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
    if (layout.formatSize > longestFormatBody) {
        fault = DonorFault::SampleWidth;
        return true;
    }
    std::vector<unsigned char> body(layout.formatSize);
    if (!readWhole(file, layout.formatAt, body.data(), layout.formatSize))
        return false;
    switch (formatFromChunk(layout.format, body.data(), layout.formatSize, format)) {
    case ChunkFormatFault::Compressed:
        fault = DonorFault::Compressed;
        break;
    case ChunkFormatFault::SampleWidth:
        fault = DonorFault::SampleWidth;
        break;
    case ChunkFormatFault::None:
        format.donorOffset = layout.payloadAt();
        break;
    }
    return true;
}
