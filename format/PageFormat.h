#pragma once
// What travels with each page: 512 data bytes, then 16 spare bytes that carry
// the chain links of the block and the page checksum.

#include <array>
#include <cstddef>
#include <cstdint>

constexpr int kPageSize = 512;
constexpr int kSpareSize = 16;
constexpr int kRawPageSize = kPageSize + kSpareSize;
constexpr int kPagesPerBlock = 64;
constexpr int kBlockSize = kPageSize * kPagesPerBlock;
constexpr int kPagesPerEraseUnit = 16;
constexpr uint16_t kNoLinkBlock = 0xFFFF;

// Negated 16-bit sum of the page's 256 little-endian words.
uint16_t PageChecksum(const uint8_t* page);
// The 16-bit sum of `words` little-endian words.
uint16_t SumOfWords(const uint8_t* bytes, int words);

// The spare bytes for a page of a block whose chain runs previous -> this -> next.
std::array<uint8_t, kSpareSize> SpareBytes(uint16_t previous, uint16_t next, uint16_t checksum);

// What the spare bytes of a page read back say, when they have the shape
// that SpareBytes gives them.
struct SpareLinks {
    uint16_t previous;
    uint16_t next;
    uint16_t checksum;
};
bool ParseSpareBytes(const uint8_t* spare, SpareLinks* links);

// A raw page of 528 bytes: erased (every byte 0xFF), or intact (its data
// agree with the checksum in its spare bytes).
bool RawPageErased(const uint8_t* raw);
// Whether every one of the bytes is `value`.
bool AllBytesAre(const uint8_t* bytes, size_t size, uint8_t value);
bool RawPageIntact(const uint8_t* raw);

// The absolute page number of a page of a block, and its three address bytes.
constexpr uint32_t PageNumber(int block, int page) { return uint32_t(block) * kPagesPerBlock + uint32_t(page); }
constexpr uint8_t BankByte(uint32_t p) { return uint8_t((p >> 14) & 0xFF); }
constexpr uint8_t RowLowByte(uint32_t p) { return uint8_t(p & 0xFF); }
constexpr uint8_t RowHighByte(uint32_t p) { return uint8_t((p >> 8) & 0x3F); }
