#include "FuzzVerdict.h"
#include "RevivalProperties.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

// The first two bytes choose the format (width, float, channels) and a donor
// offset; the rest is the file.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    static const unsigned widths[] = {8, 16, 24, 32, 32, 64};
    const unsigned choice = data[0] % 6;
    RevivalFormat format;
    if (!statedFormat(8000, widths[choice], 1 + (data[0] / 6) % 8, choice >= 4, format))
        std::abort();
    format.donorOffset = data[1] % 4 == 0 ? 0 : 4 * data[1];
    stopOnBrokenProperty(checkRevival(std::vector<unsigned char>(data + 2, data + size), format));
    return 0;
}
