#include "HeaderImage.h"

#include "RepairPlan.h"

#include <algorithm>

bool HeaderImage::readAt(std::uint64_t offset, unsigned char* buffer, std::uint32_t count, std::uint32_t& done) {
    done = offset >= size ? 0 : static_cast<std::uint32_t>(std::min<std::uint64_t>(count, size - offset));
    for (std::uint32_t i = 0; i < done; ++i)
        buffer[i] = offset + i < held ? bytes[offset + i] : 0;
    return true;
}

bool soundHeader(const std::vector<unsigned char>& header, std::uint64_t fileSize) {
    HeaderImage image(header, fileSize);
    SizePlan plan;
    LayoutFindings findings;
    return planRepair(image, fileSize, plan, findings) && findings.fault == LayoutFault::None && plan.count == 0
        && plan.dataSize == fileSize - header.size();
}
