#include "format/DirectoryImage.h"

#include <cstring>

#include "format/LittleEndian.h"
#include "format/PageFormat.h"
#include "format/Fingerprint.h"

namespace {
constexpr int kEntryCount = 0;
constexpr int kTotalBlocks = 2;
constexpr int kUsedBlocks = 4;
constexpr int kFreeBlocks = 6;
constexpr int kSaveTime = 10;
constexpr int kHeaderChecksum = 14;
constexpr int kBodyChecksum = 16;

uint16_t SumWords(const uint8_t* p, int words)
{
    return SumOfWords(p, words);
}
}

uint16_t DirectoryImage::entryCount() const { return ReadU16LE(m_bytes + kEntryCount); }
void DirectoryImage::SetEntryCount(uint16_t count) { WriteU16LE(m_bytes + kEntryCount, count); }
uint16_t DirectoryImage::totalBlocks() const { return ReadU16LE(m_bytes + kTotalBlocks); }
void DirectoryImage::SetTotalBlocks(uint16_t blocks) { WriteU16LE(m_bytes + kTotalBlocks, blocks); }
uint16_t DirectoryImage::usedBlocks() const { return ReadU16LE(m_bytes + kUsedBlocks); }
void DirectoryImage::SetUsedBlocks(uint16_t blocks) { WriteU16LE(m_bytes + kUsedBlocks, blocks); }
uint16_t DirectoryImage::freeBlocks() const { return ReadU16LE(m_bytes + kFreeBlocks); }
void DirectoryImage::SetFreeBlocks(uint16_t blocks) { WriteU16LE(m_bytes + kFreeBlocks, blocks); }
int32_t DirectoryImage::saveTime() const { return ReadI32LE(m_bytes + kSaveTime); }
void DirectoryImage::SetSaveTime(int32_t time) { WriteI32LE(m_bytes + kSaveTime, time); }
uint16_t DirectoryImage::headerChecksum() const { return ReadU16LE(m_bytes + kHeaderChecksum); }
void DirectoryImage::SetHeaderChecksum(uint16_t sum) { WriteU16LE(m_bytes + kHeaderChecksum, sum); }
uint16_t DirectoryImage::bodyChecksum() const { return ReadU16LE(m_bytes + kBodyChecksum); }
void DirectoryImage::SetBodyChecksum(uint16_t sum) { WriteU16LE(m_bytes + kBodyChecksum, sum); }

DirectoryEntry DirectoryImage::Entry(int slot)
{
    return DirectoryEntry(m_bytes + kEntryAreaOffset + DirectoryEntry::kSize * slot);
}

const DirectoryEntry DirectoryImage::Entry(int slot) const
{
    return DirectoryEntry(const_cast<uint8_t*>(m_bytes) + kEntryAreaOffset + DirectoryEntry::kSize * slot);
}


uint16_t DirectoryImage::blockLink(unsigned block) const
{
    return ReadU16LE(m_bytes + kBlockLinkOffset + 2 * block);
}

void DirectoryImage::SetBlockLink(unsigned block, uint16_t next)
{
    WriteU16LE(m_bytes + kBlockLinkOffset + 2 * block, next);
}

std::vector<uint16_t> DirectoryImage::ChainOf(int slot) const
{
    const DirectoryEntry entry = Entry(slot);
    std::vector<uint16_t> chain;
    std::vector<bool> passed(kTableBlocks, false);
    unsigned block = entry.firstBlock();
    for (int i = 0; i < entry.blockCount() && IsSongBlock(block) && !passed[block]; ++i) {
        passed[block] = true;
        chain.push_back(uint16_t(block));
        block = blockLink(block);
    }
    return chain;
}

void DirectoryImage::SetEmpty(unsigned blocks)
{
    std::memset(m_bytes, 0, kBlockUseOffset);
    SetTotalBlocks(uint16_t(blocks));
    SetFreeBlocks(uint16_t(blocks));
    std::memset(m_bytes + kBlockUseOffset, kBlockFree, kTableBlocks);
    std::memset(m_bytes + kBlockLinkOffset, 0, kSize - kBlockLinkOffset);
}

unsigned DirectoryImage::PlayerBlocksOf(const DirectoryImage* directory)
{
    const unsigned told = BlocksTold(directory);
    return told != 0 ? told : unsigned(kPlayerBlocks);
}

unsigned DirectoryImage::BlocksTold(const DirectoryImage* directory)
{
    if (!directory || directory->HeaderChecksum() != directory->headerChecksum())
        return 0;
    const unsigned total = directory->totalBlocks();
    return total >= 2 && total <= unsigned(kPlayerBlocks) ? total : 0;
}

uint16_t DirectoryImage::FindFreeBlock() const
{
    const void* hit = std::memchr(m_bytes + kBlockUseOffset, kBlockFree, kTableBlocks);
    if (hit == nullptr)
        return kNoBlock;
    return static_cast<uint16_t>(static_cast<const uint8_t*>(hit) - (m_bytes + kBlockUseOffset));
}

unsigned DirectoryImage::UsableBlockLimit() const
{
    return totalBlocks() < kPlayerBlocks ? totalBlocks() : unsigned(kPlayerBlocks);
}

uint16_t DirectoryImage::FindUsableFreeBlock() const
{
    const unsigned limit = UsableBlockLimit();
    for (unsigned block = 1; block < limit; ++block)
        if (m_bytes[kBlockUseOffset + block] == kBlockFree)
            return uint16_t(block);
    return kNoBlock;
}

uint16_t DirectoryImage::HeaderChecksum() const
{
    return static_cast<uint16_t>(headerChecksum() - SumWords(m_bytes, kHeaderSize / 2));
}

uint16_t DirectoryImage::BodyChecksum() const
{
    return static_cast<uint16_t>(-SumWords(m_bytes + kHeaderSize, (kSize - kHeaderSize) / 2));
}

void DirectoryImage::Seal(int32_t now)
{
    SetSaveTime(now);
    SetBodyChecksum(BodyChecksum());
    SetHeaderChecksum(HeaderChecksum());
}

bool DirectoryImage::ChecksumsValid() const
{
    return HeaderChecksum() == headerChecksum() && BodyChecksum() == bodyChecksum();
}

uint64_t DirectoryImage::Digest() const
{
    return Fingerprint(m_bytes, kSize);
}
