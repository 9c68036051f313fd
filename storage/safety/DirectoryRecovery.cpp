#include "storage/safety/DirectoryRecovery.h"

#include <cstring>
#include <vector>

#include "link/DeviceLink.h"
#include "link/PageFormat.h"
#include "storage/safety/DirectoryCopies.h"
#include "storage/format/DirectoryRules.h"
#include "storage/safety/ShadowCopy.h"
#include "storage/UserInterface.h"

namespace {

const uint8_t* RawPageOf(const uint8_t* blockZero, int page)
{
    return blockZero + size_t(page) * kRawPageSize;
}

// Written since the erase: programmed whole, as a directory page (links 0, 0).
bool WrittenDirectoryPage(const uint8_t* raw)
{
    SpareLinks links;
    return !RawPageErased(raw) && RawPageIntact(raw) && ParseSpareBytes(raw + kPageSize, &links) &&
           links.previous == 0 && links.next == 0;
}

}

bool DirectoryRecovery::Find(RecoveredDirectory* found)
{
    if (!BlockZeroReadable())
        return false;
    RecoveredDirectory shadow;
    const Verdict onPlayer = FindShadow(&shadow);
    if (onPlayer == Verdict::Unknown)
        return false;
    const bool haveShadow = onPlayer == Verdict::Agrees;
    std::vector<DirectoryCopy> copies;
    if (m_link.Copies())
        copies = m_link.Copies()->All();
    // The newest first; a PC copy no newer than the shadow adds nothing.
    for (const DirectoryCopy& copy : copies) {
        if (haveShadow && copy.image->saveTime() <= shadow.image->saveTime())
            break;
        const Verdict verdict = Judge(*copy.image);
        if (verdict == Verdict::Unknown)
            return false;
        if (verdict == Verdict::Agrees) {
            found->image = std::make_unique<DirectoryImage>(*copy.image);
            found->source = "on this PC";
            return true;
        }
    }
    if (haveShadow) {
        *found = std::move(shadow);
        return true;
    }
    return false;
}

// Block 0 as an interrupted save or erase leaves it: every page erased or
// whole, but for at most one page cut short in its writing.
bool DirectoryRecovery::BlockZeroReadable() const
{
    int garbled = 0;
    for (int page = 0; page < kPagesPerBlock; ++page) {
        const uint8_t* raw = RawPageOf(m_pBlockZero, page);
        garbled += !RawPageErased(raw) && !RawPageIntact(raw);
    }
    return garbled <= 1;
}

// A save puts its shadow in the highest block free in both directories, so
// every block above it holds song data: scanning down from the top, the
// first sound shadow met is the newest.
DirectoryRecovery::Verdict DirectoryRecovery::FindShadow(RecoveredDirectory* found)
{
    auto directory = std::make_unique<DirectoryImage>();
    uint8_t raw[kRawPageSize];
    const int top = DirectoryImage::kPlayerBlocks - 1;
    m_link.OpenLink();
    for (int block = top; block >= 1; --block) {
        m_link.Ui().ShowProgress(top - block, top);
        if (!m_link.ReadPageChecked(0, raw, block))
            return Verdict::Unknown;
        const Verdict read = ReadShadow(uint16_t(block), raw, directory.get());
        if (read != Verdict::Agrees) {
            if (read == Verdict::Unknown)
                return read;
            continue;
        }
        const Verdict verdict = Judge(*directory);
        if (verdict == Verdict::Agrees) {
            found->image = std::move(directory);
            found->source = "on Rio";
        }
        if (verdict != Verdict::Disagrees)
            return verdict;
    }
    return Verdict::Disagrees;
}

// A shadow whose writing was cut short has erased pages, and is none; one
// whose pages cannot be read right may still be the newest.
DirectoryRecovery::Verdict DirectoryRecovery::ReadShadow(uint16_t block, const uint8_t* firstPage,
                                                         DirectoryImage* directory)
{
    ShadowHeader header;
    if (!ParseShadowHeader(firstPage, block, &header))
        return Verdict::Disagrees;
    std::vector<uint8_t> stored(size_t(header.storedPages) * kPageSize);
    uint8_t raw[kRawPageSize];
    for (int page = 1; page <= header.storedPages; ++page) {
        if (!m_link.ReadPageChecked(page, raw, block))
            return Verdict::Unknown;
        if (RawPageErased(raw))
            return Verdict::Disagrees;
        if (!RawPageIntact(raw))
            return Verdict::Unknown;
        std::memcpy(stored.data() + size_t(page - 1) * kPageSize, raw, kPageSize);
    }
    return AssembleShadow(header, stored, directory) ? Verdict::Agrees : Verdict::Disagrees;
}

DirectoryRecovery::Verdict DirectoryRecovery::Judge(const DirectoryImage& candidate)
{
    if (!DirectoryTrustworthy(candidate) || !BlockZeroAgrees(candidate))
        return Verdict::Disagrees;
    return SongsAgree(candidate);
}

// An interrupted save leaves block 0 with its first pages written from the
// copy and the rest erased; an erase cut short leaves its first erase units
// erased and the old directory in the others, which says nothing about the
// new one. So with page 0 written, every page written whole since must be
// the copy's.
bool DirectoryRecovery::BlockZeroAgrees(const DirectoryImage& candidate) const
{
    if (RawPageErased(RawPageOf(m_pBlockZero, 0)))
        return true;
    for (int page = 0; page < kPagesPerBlock; ++page) {
        const uint8_t* raw = RawPageOf(m_pBlockZero, page);
        if (WrittenDirectoryPage(raw) && std::memcmp(raw, candidate.Bytes() + page * kPageSize, kPageSize) != 0)
            return false;
    }
    return true;
}

// Each song's first page, as the upload wrote it: no block before it, the
// copy's next block after it, and the song's own first bytes.
DirectoryRecovery::Verdict DirectoryRecovery::SongsAgree(const DirectoryImage& candidate)
{
    uint8_t raw[kRawPageSize];
    m_link.OpenLink();
    for (int slot = 0; slot < candidate.entryCount(); ++slot) {
        const DirectoryEntry entry = candidate.Entry(slot);
        if (entry.blockCount() == 0)
            continue;
        const uint16_t first = entry.firstBlock();
        if (!m_link.ReadPageChecked(0, raw, first))
            return Verdict::Unknown;
        if (RawPageErased(raw))
            return Verdict::Disagrees;
        if (!RawPageIntact(raw))
            return Verdict::Unknown;
        SpareLinks links;
        const uint16_t next = entry.blockCount() > 1 ? candidate.blockLink(first) : kNoLinkBlock;
        if (!ParseSpareBytes(raw + kPageSize, &links) || links.previous != kNoLinkBlock || links.next != next)
            return Verdict::Disagrees;
        const uint8_t* header = entry.audioHeaderBytes();
        const bool sameStart = raw[0] == header[3] && raw[1] == header[2] && raw[2] == header[1] && raw[3] == header[0];
        // A tagged file keeps the frame header found after its tag instead.
        if (!sameStart && std::memcmp(raw, "ID3", 3) != 0)
            return Verdict::Disagrees;
    }
    return Verdict::Agrees;
}
