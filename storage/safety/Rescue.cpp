#include "storage/safety/Rescue.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "link/DeviceLink.h"
#include "link/PageFormat.h"
#include "audio/AudioFrame.h"
#include "storage/safety/DirectoryCopies.h"

namespace {

constexpr int kTopBlock = DirectoryImage::kPlayerBlocks - 1;

std::string N(long value)
{
    return std::to_string(value);
}

}

uint32_t LastBlockBytes(const uint8_t* block)
{
    for (int i = kBlockSize - 1; i >= 0; --i)
        if (block[i] != 0)
            return uint32_t(i + 1);
    return kBlockSize;
}

RescueStep::RescueStep(DeviceLink& link, DirectoryCopies* copies, int32_t now)
    : m_link(link), m_pCopies(copies), m_nNow(now), m_starts(DirectoryImage::kPlayerBlocks)
{
}

StepOutcome RescueStep::Step(ProgressBar& bar)
{
    if (m_nNextBlock <= kTopBlock) {
        bar.SetPos(m_nNextBlock * 90 / kTopBlock);
        if (!ReadFirstPages()) {
            m_result.answered = false;
            return StepOutcome::EndCancel;
        }
        return StepOutcome::Continue;
    }
    if (!m_bJoined) {
        JoinChains();
        Name();
        m_bJoined = true;
    }
    if (m_nNextSong < m_result.songs.size()) {
        bar.SetPos(90 + int(m_nNextSong * 10 / m_result.songs.size()));
        if (!MeasureSong(m_result.songs[m_nNextSong++])) {
            m_result.answered = false;
            return StepOutcome::EndCancel;
        }
        return StepOutcome::Continue;
    }
    return StepOutcome::EndOk;
}

// A block's first page says where its chain comes from and goes; a shadow
// of the directory links to itself and is no song.
bool RescueStep::ReadFirstPages()
{
    if (m_nNextBlock == 1)
        m_link.OpenLink();
    uint8_t raw[kRawPageSize];
    for (int n = 0; n < kBlocksPerStep && m_nNextBlock <= kTopBlock; ++n, ++m_nNextBlock) {
        if (!m_link.ReadPageChecked(0, raw, m_nNextBlock))
            return false;
        BlockStart& start = m_starts[size_t(m_nNextBlock)];
        SpareLinks links;
        start.read = true;
        start.usable = RawPageIntact(raw) && !RawPageErased(raw) && ParseSpareBytes(raw + kPageSize, &links) &&
                       !(links.previous == m_nNextBlock && links.next == m_nNextBlock);
        if (start.usable) {
            start.previous = links.previous;
            start.next = links.next;
            start.checksum = links.checksum;
            std::memcpy(start.head, raw, sizeof start.head);
        }
    }
    return true;
}

// Heads are blocks with no block before them. A chain is followed while
// each next block names the one before it as its own previous block.
void RescueStep::JoinChains()
{
    std::vector<bool> taken(m_starts.size(), false);
    int broken = 0;
    for (int head = 1; head <= kTopBlock; ++head) {
        const BlockStart& start = m_starts[size_t(head)];
        if (!start.usable || start.previous != kNoLinkBlock)
            continue;
        RescuedSong song;
        song.chain.push_back(uint16_t(head));
        taken[size_t(head)] = true;
        uint16_t current = uint16_t(head);
        bool whole = true;
        while (m_starts[current].next != kNoLinkBlock) {
            const uint16_t next = m_starts[current].next;
            if (next == 0 || next > kTopBlock || taken[next] || !m_starts[next].usable ||
                m_starts[next].previous != current) {
                m_result.problems.push_back("The song that starts at block " + N(head) + " breaks off after " +
                                            N(long(song.chain.size())) + (song.chain.size() == 1 ? " block" : " blocks") +
                                            ": its next block no longer follows it.");
                whole = false;
                ++broken;
                break;
            }
            taken[next] = true;
            song.chain.push_back(next);
            current = next;
        }
        if (whole) {
            std::memcpy(song.firstBytes, start.head, 4);
            m_result.songs.push_back(song);
        }
    }
    int strays = 0;
    for (int block = 1; block <= kTopBlock; ++block)
        strays += m_starts[size_t(block)].usable && !taken[size_t(block)];
    if (strays > 0)
        m_result.problems.push_back(N(strays) + (strays == 1 ? " block holds" : " blocks hold") +
                                    " parts of songs whose beginning is gone; they stay free.");
}

// The newest copy on this PC that held the same chain gives the song's
// name, time and exact size, provided the song's print agrees where known.
void RescueStep::Name()
{
    std::vector<DirectoryCopy> copies;
    if (m_pCopies)
        copies = m_pCopies->All();
    int unnamed = 0;
    for (RescuedSong& song : m_result.songs) {
        std::vector<uint16_t> sums;
        for (uint16_t block : song.chain)
            sums.push_back(m_starts[block].checksum);
        const uint32_t print = SongPrint(sums);
        for (size_t c = 0; c < copies.size() && !song.fromCopy; ++c) {
            const DirectoryImage& image = *copies[c].image;
            for (int slot = 0; slot < std::min<int>(image.entryCount(), DirectoryImage::kEntrySlots); ++slot) {
                const uint32_t known = copies[c].prints[size_t(slot)];
                if (image.ChainOf(slot) != song.chain || (known != 0 && known != print))
                    continue;
                const DirectoryEntry entry = image.Entry(slot);
                song.name = entry.name();
                song.uploadTime = entry.uploadTime();
                song.size = entry.size();
                song.fromCopy = true;
                song.order = int(c) * DirectoryImage::kEntrySlots + slot;
                break;
            }
        }
        if (!song.fromCopy) {
            song.name = "Rescued song " + N(++unnamed);
            song.uploadTime = m_nNow;
            song.order = int(copies.size() + 1) * DirectoryImage::kEntrySlots + unnamed;
        }
    }
    std::stable_sort(m_result.songs.begin(), m_result.songs.end(),
                     [](const RescuedSong& a, const RescuedSong& b) { return a.order < b.order; });
    if (m_result.songs.size() > size_t(DirectoryImage::kEntrySlots)) {
        m_result.problems.push_back(N(long(m_result.songs.size()) - DirectoryImage::kEntrySlots) +
                                    " more songs were found than a directory can list; they stay free.");
        m_result.songs.resize(DirectoryImage::kEntrySlots);
    }
}

// The size from the data, when no copy knew it; a tagged song's audio
// header from the frame after its tag.
bool RescueStep::MeasureSong(RescuedSong& song)
{
    uint8_t raw[kRawPageSize];
    if (!song.fromCopy) {
        std::vector<uint8_t> last(kBlockSize, 0);
        for (int page = kPagesPerBlock - 1; page >= 0; --page) {
            if (!m_link.ReadPageChecked(page, raw, song.chain.back()))
                return false;
            std::memcpy(last.data() + page * kPageSize, raw, kPageSize);
            if (std::any_of(raw, raw + kPageSize, [](uint8_t b) { return b != 0; }))
                break;
        }
        song.size = uint32_t(song.chain.size() - 1) * kBlockSize + LastBlockBytes(last.data());
    }
    const uint32_t tag = Id3v2TagLength(m_starts[song.chain.front()].head);
    if (tag == 0 || tag + 4 > song.size || tag / kBlockSize >= song.chain.size())
        return true;
    // Two pages from the end of the tag on: enough for the first frame's header.
    std::vector<uint8_t> after;
    for (uint32_t at = tag - tag % kPageSize; after.size() < 2 * kPageSize && at < song.size; at += kPageSize) {
        if (at / kBlockSize >= song.chain.size())
            break;
        if (!m_link.ReadPageChecked(int(at % kBlockSize / kPageSize), raw, song.chain[at / kBlockSize]))
            return false;
        after.insert(after.end(), raw, raw + kPageSize);
    }
    const size_t skip = tag % kPageSize;
    if (after.size() <= skip)
        return true;
    const long found = FindFrameAfterTag(after.data() + skip, after.size() - skip);
    if (found >= 0 && size_t(found) + skip + 4 <= after.size())
        std::memcpy(song.firstBytes, after.data() + skip + size_t(found), 4);
    return true;
}

std::unique_ptr<DirectoryImage> RescuedDirectory(const std::vector<RescuedSong>& songs)
{
    auto image = std::make_unique<DirectoryImage>();
    image->SetEmpty();
    int used = 0;
    if (!songs.empty()) {
        image->SetBlockUse(0, DirectoryImage::kBlockInUse);
        ++used;
    }
    for (size_t slot = 0; slot < songs.size() && slot < size_t(DirectoryImage::kEntrySlots); ++slot) {
        const RescuedSong& song = songs[slot];
        DirectoryEntry entry = image->Entry(int(slot));
        entry.SetFirstBlock(song.chain.front());
        entry.SetBlockCount(uint16_t(song.chain.size()));
        entry.SetLastBlockBytes(uint16_t(song.size % kBlockSize));
        entry.SetSize(song.size);
        entry.SetUploadTime(song.uploadTime);
        entry.SetAudioHeaderFromData(song.firstBytes);
        entry.SetName(song.name);
        for (size_t i = 0; i < song.chain.size(); ++i) {
            image->SetBlockUse(song.chain[i], DirectoryImage::kBlockInUse);
            image->SetBlockLink(song.chain[i], i + 1 < song.chain.size() ? song.chain[i + 1] : 0);
            ++used;
        }
    }
    image->SetEntryCount(uint16_t(std::min<size_t>(songs.size(), DirectoryImage::kEntrySlots)));
    image->SetUsedBlocks(uint16_t(used));
    image->SetFreeBlocks(uint16_t(DirectoryImage::kInitialBlocks - used));
    return image;
}
