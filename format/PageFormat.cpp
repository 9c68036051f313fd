#include "format/PageFormat.h"

#include <array>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "format/LittleEndian.h"

uint16_t PageChecksum(const uint8_t* page)
{
    return static_cast<uint16_t>(-SumOfWords(page, kPageSize / 2));
}

uint16_t SumOfWords(const uint8_t* bytes, int words)
{
    // The 16-bit sum is the sum of the low bytes plus 256 times the sum of
    // the high bytes. On a little-endian PC, eight bytes at a time: their
    // four low bytes and four high bytes each in a 16-bit lane, emptied
    // before a lane can overflow (256 additions of at most 255). Every
    // directory load and save sums 16 KiB several times.
    uint32_t total = 0;
    int i = 0;
#if defined(__SSE2__)
    // Where the processor has it, sixteen bytes at a time: the eight low
    // bytes and the eight high bytes summed apart, in 64-bit lanes.
    const __m128i lowBytes = _mm_set1_epi16(0x00FF), zero = _mm_setzero_si128();
    __m128i lows = zero, highs = zero;
    for (; words - i >= 8; i += 8) {
        const __m128i sixteen = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 2 * i));
        lows = _mm_add_epi64(lows, _mm_sad_epu8(_mm_and_si128(sixteen, lowBytes), zero));
        highs = _mm_add_epi64(highs, _mm_sad_epu8(_mm_srli_epi16(sixteen, 8), zero));
    }
    uint64_t lanes[4];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes), lows);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes + 2), highs);
    total += uint32_t(lanes[0] + lanes[1]) + (uint32_t(lanes[2] + lanes[3]) << 8);
#endif
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    constexpr uint64_t kLowBytes = 0x00FF00FF00FF00FFull;
    while (words - i >= 4) {
        const int end = words - i > 4 * 256 ? i + 4 * 256 : words - (words - i) % 4;
        uint64_t low = 0, high = 0;
        for (; i < end; i += 4) {
            uint64_t eight;
            std::memcpy(&eight, bytes + 2 * i, sizeof eight);
            low += eight & kLowBytes;
            high += (eight >> 8) & kLowBytes;
        }
        for (int lane = 0; lane < 4; ++lane)
            total += uint32_t(low >> (16 * lane) & 0xFFFF) + (uint32_t(high >> (16 * lane) & 0xFFFF) << 8);
    }
#endif
    for (; i < words; ++i)
        total += uint32_t(bytes[2 * i]) + (uint32_t(bytes[2 * i + 1]) << 8);
    return static_cast<uint16_t>(total);
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

bool AllBytesAre(const uint8_t* bytes, size_t size, uint8_t value)
{
    const uint64_t eight = 0x0101010101010101ull * value;
    size_t i = 0;
    for (uint64_t word = 0; i + 8 <= size; i += 8) {
        std::memcpy(&word, bytes + i, 8);
        if (word != eight)
            return false;
    }
    for (; i < size; ++i)
        if (bytes[i] != value)
            return false;
    return true;
}

bool RawPageIntact(const uint8_t* raw)
{
    return ReadU16LE(raw + kPageSize + 12) == PageChecksum(raw);
}
