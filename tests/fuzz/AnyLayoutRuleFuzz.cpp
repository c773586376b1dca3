#include "FuzzVerdict.h"
#include "RepairProperties.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const FuzzImage image = decodeFuzzImage(data, size);
    stopOnBrokenProperty(checkAnyLayoutRule(image));
    stopOnBrokenProperty(checkRulesAgree(image));
    return 0;
}
