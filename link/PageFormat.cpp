#include "link/PageFormat.h"

#include <array>
#include <cstring>

#include "link/LittleEndian.h"

uint16_t PageChecksum(const uint8_t* page)
{
    return static_cast<uint16_t>(-SumOfWords(page, kPageSize / 2));
}

uint16_t SumOfWords(const uint8_t* bytes, int words)
{
    // The low bytes and the high bytes summed apart: the same 16-bit sum,
    // without a dependency from word to word.
    uint32_t low = 0, high = 0;
    for (int i = 0; i < words; ++i) {
        low += bytes[2 * i];
        high += bytes[2 * i + 1];
    }
    return static_cast<uint16_t>(low + (high << 8));
}

namespace {
// A linked block appears twice: as its byte address (block x 16384 is the
// player's unit) and as its high byte repeated.
void WriteLink(uint8_t* address, uint8_t* highPair, uint16_t block)
{
    if (block == kNoLinkBlock) {
        WriteU32LE(address, 0xFFFFFFFFu);
        highPair[0] = highPair[1] = 0xFF;
        return;
    }
    WriteU32LE(address, uint32_t(block) * 16384u);
    highPair[0] = highPair[1] = uint8_t((block >> 8) & 0xFF);
}
}

std::array<uint8_t, kSpareSize> SpareBytes(uint16_t previous, uint16_t next, uint16_t checksum)
{
    std::array<uint8_t, kSpareSize> spare{};
    WriteLink(&spare[0], &spare[4], next);
    WriteLink(&spare[6], &spare[10], previous);
    WriteU16LE(&spare[12], checksum);
    if (previous == kNoLinkBlock) {
        spare[14] = spare[15] = 0xFF;
    } else {
        spare[14] = 0x00;
        spare[15] = uint8_t(previous & 0xFF);
    }
    return spare;
}

namespace {
// Reads back what WriteLink wrote; false when the bytes disagree with each other.
bool ReadLink(const uint8_t* address, const uint8_t* highPair, uint16_t* block)
{
    const uint32_t value = ReadU32LE(address);
    if (value == 0xFFFFFFFFu) {
        *block = kNoLinkBlock;
        return highPair[0] == 0xFF && highPair[1] == 0xFF;
    }
    if (value % 16384u != 0 || value / 16384u >= kNoLinkBlock)
        return false;
    *block = uint16_t(value / 16384u);
    const uint8_t high = uint8_t((*block >> 8) & 0xFF);
    return highPair[0] == high && highPair[1] == high;
}
}

bool ParseSpareBytes(const uint8_t* spare, SpareLinks* links)
{
    if (!ReadLink(&spare[0], &spare[4], &links->next) || !ReadLink(&spare[6], &spare[10], &links->previous))
        return false;
    links->checksum = ReadU16LE(&spare[12]);
    if (links->previous == kNoLinkBlock)
        return spare[14] == 0xFF && spare[15] == 0xFF;
    return spare[14] == 0x00 && spare[15] == uint8_t(links->previous & 0xFF);
}

bool RawPageErased(const uint8_t* raw)
{
    static const std::array<uint8_t, kRawPageSize> erased = [] {
        std::array<uint8_t, kRawPageSize> page{};
        page.fill(0xFF);
        return page;
    }();
    return std::memcmp(raw, erased.data(), kRawPageSize) == 0;
}

bool RawPageIntact(const uint8_t* raw)
{
    return ReadU16LE(raw + kPageSize + 12) == PageChecksum(raw);
}
