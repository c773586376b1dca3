#include "WaveHeader.h"

#include "ByteOrder.h"

std::uint16_t WaveHeader::u16(std::size_t at) const {
    return loadU16(bytes + at);
}

std::uint32_t WaveHeader::u32(std::size_t at) const {
    return loadU32(bytes + at);
}

void WaveHeader::setU32(std::size_t at, std::uint32_t value) {
    storeUnsigned(bytes + at, value, 4, ByteOrder::Little);
}
