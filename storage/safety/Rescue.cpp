#include "storage/safety/Rescue.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "audio/AudioFrame.h"
#include "link/DeviceLink.h"
#include "format/PageFormat.h"
#include "storage/safety/DirectoryCopies.h"
#include "storage/safety/ShadowCopy.h"

namespace {

std::string N(long value)
{
    return std::to_string(value);
}

// Ranks: the directory on the player, the newest shadow, this PC's copies
// (newest first, a band of slots each), then chains no one knew, then songs
// this PC let go.
constexpr int kRankOnPlayer = 0;
constexpr int kRankShadow = 1 * DirectoryImage::kEntrySlots;
constexpr int kRankCopies = 2 * DirectoryImage::kEntrySlots;
// After the songs no copy knew: those a copy let go.
constexpr int kRankReleased = 8192;

// A size that a chain of this many blocks can hold.
bool SizeFits(uint32_t size, size_t blocks)
{
    return blocks > 0 && size > uint32_t(blocks - 1) * kBlockSize && size <= uint32_t(blocks) * kBlockSize;
}

// An entry whose size its own block count and last block's bytes bear out.
// A sealed directory that breaks its rules may still have a size wrong.
bool SizeAgrees(const DirectoryEntry& entry)
{
    return SizeFits(entry.size(), entry.blockCount()) && entry.lastBlockBytes() == entry.size() % kBlockSize;
}

}

uint32_t LastBlockBytes(const uint8_t* block)
{
    // Eight bytes at a time to the last word that is not zero, then byte by byte.
    size_t end = kBlockSize;
    for (uint64_t word = 0; end >= 8; end -= 8) {
        std::memcpy(&word, block + end - 8, 8);
        if (word != 0)
            break;
    }
    while (end > 0 && block[end - 1] == 0)
        --end;
    return end == 0 ? kBlockSize : uint32_t(end);
}

RescueStep::RescueStep(DeviceLink& link, DirectoryCopies* copies, int32_t now)
    : m_link(link), m_pCopies(copies), m_nNow(now), m_survey(link, link.PlayerBlocks())
{
}

StepOutcome RescueStep::Step(ProgressBar& bar)
{
    if (!m_survey.Complete()) {
        bar.SetPos(int(m_survey.ReadSoFar() * 90 / m_survey.Blocks()));
        if (!m_survey.ReadOn(kBlocksPerStep)) {
            m_result.answered = false;
            return StepOutcome::EndCancel;
        }
        return StepOutcome::Continue;
    }
    if (!m_bJoined) {
        JoinChains();
        if (!Name()) {
            m_result.answered = false;
            return StepOutcome::EndCancel;
        }
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
    DropUnfinished();
    return StepOutcome::EndOk;
}

// An upload writes each block from its first page to its last: a chain with
// a block whose last page is still erased was cut short, and is no song,
// only the start of one and, maybe, the end of another that held the same
// blocks before.
void RescueStep::DropUnfinished()
{
    std::vector<RescuedSong> whole;
    for (RescuedSong& song : m_result.songs) {
        if (!song.unfinished) {
            whole.push_back(std::move(song));
            continue;
        }
        m_result.problems.push_back("The song that starts at block " + N(song.chain.front()) +
                                    " was never written whole (its upload was cut short); it stays free.");
    }
    m_result.songs = std::move(whole);
}

void RescueStep::JoinChains()
{
    std::vector<bool> taken(m_survey.Blocks(), false);
    for (const FlashSurvey::Chain& chain : m_survey.Chains()) {
        for (uint16_t block : chain.blocks)
            taken[block] = true;
        if (!chain.whole) {
            m_result.problems.push_back("The song that starts at block " + N(chain.blocks.front()) +
                                        " breaks off after " + N(long(chain.blocks.size())) +
                                        (chain.blocks.size() == 1 ? " block" : " blocks") +
                                        ": its next block no longer follows it.");
            continue;
        }
        RescuedSong song;
        song.chain = chain.blocks;
        song.print = chain.print;
        std::memcpy(song.firstBytes, m_survey.At(chain.blocks.front()).head, 4);
        m_result.songs.push_back(song);
    }
    int strays = 0;
    for (unsigned block = 1; block < m_survey.Blocks(); ++block)
        strays += m_survey.At(block).kind == BlockStart::Kind::Linked && !taken[block];
    if (strays > 0)
        m_result.problems.push_back(N(strays) + (strays == 1 ? " block holds" : " blocks hold") +
                                    " parts of songs whose beginning is gone; they stay free.");
}

// Gives the still unnamed songs that `directory` lists the name, time and
// size it gives them, ranked after `rank`. A song is the directory's when
// its chain is the same, it begins as the entry says, its size fits the
// chain, and its print agrees where one is known (always, from a copy on
// this PC: `printRequired`). A directory whose checksums fail may have lost
// any byte, a size's too: with `sizesSound` false, the size is measured.
// A `damaged` directory, one that breaks its rules, may point an entry at
// another song's chain: it names only by entries whose own fields agree,
// whose size the chain's last page bears out, and never with a name a
// print has given another song already.
void RescueStep::NameFrom(const DirectoryImage& directory, int rank, const std::array<uint32_t, 60>* prints,
                          bool printRequired, bool sizesSound, bool damaged)
{
    const int slots = std::min<int>(directory.entryCount(), DirectoryImage::kEntrySlots);
    for (int slot = 0; slot < slots; ++slot) {
        const DirectoryEntry entry = directory.Entry(slot);
        if (damaged && (!SizeAgrees(entry) || std::any_of(m_result.songs.begin(), m_result.songs.end(),
                                                          [&](const RescuedSong& song) {
                                                              return song.known && song.name == entry.name();
                                                          })))
            continue;
        const std::vector<uint16_t> chain = directory.ChainOf(slot);
        for (RescuedSong& song : m_result.songs) {
            if (song.known || song.chain != chain)
                continue;
            const uint32_t print = prints ? (*prints)[size_t(slot)] : 0;
            if ((print != 0 && print != song.print) || (print == 0 && printRequired) ||
                !BeginsAs(m_survey.At(chain.front()).head, entry.audioHeaderBytes()) ||
                !SizeFits(entry.size(), chain.size()) || (damaged && !EndsAt(chain.back(), entry.size())))
                break;
            song.name = entry.name();
            song.uploadTime = entry.uploadTime();
            song.size = entry.size();
            song.known = true;
            song.sizeKnown = sizesSound && SizeAgrees(entry);
            song.rank = rank + slot;
            break;
        }
    }
}

// Whether a song of `size` bytes may end in `lastBlock`: the page its last
// byte is on holds data up to that byte (a song's last half kilobyte is
// never all zero bytes: frames, or a tag) and nothing after it (the page is
// filled up with zero bytes). A page that cannot be read bears out nothing.
bool RescueStep::EndsAt(uint16_t lastBlock, uint32_t size)
{
    uint8_t raw[kRawPageSize];
    const uint32_t inBlock = (size - 1) % kBlockSize;
    if (!m_link.ReadPageChecked(int(inBlock / kPageSize), raw, lastBlock))
        return false;
    const uint32_t end = inBlock % kPageSize + 1;
    return std::any_of(raw, raw + end, [](uint8_t b) { return b != 0; }) &&
           std::all_of(raw + end, raw + kPageSize, [](uint8_t b) { return b == 0; });
}

// The sound shadow highest up, as a load's repair looks for it.
bool RescueStep::NewestShadow(std::unique_ptr<DirectoryImage>* directory, std::array<uint32_t, 60>* prints)
{
    uint8_t raw[kRawPageSize];
    for (unsigned block = m_survey.Blocks(); block-- > 1;) {
        if (m_survey.At(block).kind != BlockStart::Kind::Shadow)
            continue;
        ShadowHeader header;
        if (!m_link.ReadPageChecked(0, raw, int(block)))
            return false;
        if (!ParseShadowHeader(raw, uint16_t(block), &header))
            continue;
        std::vector<uint8_t> stored;
        ShadowRecord record;
        const int pages = header.recordPage != 0 ? header.recordPage : header.storedPages;
        bool whole = true;
        for (int page = 1; page <= pages && whole; ++page) {
            if (!m_link.ReadPageChecked(page, raw, int(block)))
                return false;
            whole = RawPageIntact(raw) && !RawPageErased(raw);
            if (page == header.recordPage)
                ParseShadowRecord(raw, &record);
            else
                stored.insert(stored.end(), raw, raw + kPageSize);
        }
        auto image = std::make_unique<DirectoryImage>();
        if (whole && AssembleShadow(header, stored, image.get())) {
            *directory = std::move(image);
            *prints = record.prints;
            return true;
        }
    }
    return true;
}

// The name, time and size of a song from the newest copy on this PC that
// mentions its print: listed there, the song is as current as this PC
// knows; let go there, it is an old song, and it goes last, named from an
// older copy that listed it.
void RescueStep::NameFromCopies(RescuedSong& song, const std::vector<DirectoryCopy>& copies, int unknownRank)
{
    bool released = false;
    for (size_t c = 0; c < copies.size() && !song.known; ++c) {
        const DirectoryCopy& copy = copies[c];
        const DirectoryImage& image = *copy.image;
        const PrintBook book = HistoryPrints(copies, copy);
        for (int slot = 0; slot < std::min<int>(image.entryCount(), DirectoryImage::kEntrySlots); ++slot) {
            const DirectoryEntry entry = image.Entry(slot);
            const uint32_t print = copy.prints[size_t(slot)] != 0 ? copy.prints[size_t(slot)] : book.PrintOf(KeyOf(entry));
            if (print != song.print || image.ChainOf(slot) != song.chain ||
                !SizeFits(entry.size(), song.chain.size()))
                continue;
            song.name = entry.name();
            song.uploadTime = entry.uploadTime();
            song.size = entry.size();
            song.known = true;
            song.sizeKnown = true;
            song.rank = released ? unknownRank + kRankReleased + int(c) * DirectoryImage::kEntrySlots + slot
                                 : kRankCopies + int(c) * DirectoryImage::kEntrySlots + slot;
            song.letGo = released;
            break;
        }
        for (const ReleasedSong& gone : copy.released)
            released = released || gone.print == song.print;
    }
}

bool RescueStep::Name()
{
    // The player's directory names first when the load found it sound; when
    // it breaks its rules, only what the shadow and this PC's copies, whose
    // prints prove their songs, leave unnamed.
    const DirectoryImage* onPlayer = m_link.PlayerDirectory();
    const bool onPlayerSound = onPlayer && !m_link.DirectoryDamaged();
    if (onPlayerSound)
        NameFrom(*onPlayer, kRankOnPlayer, nullptr, false, onPlayer->ChecksumsValid());
    std::unique_ptr<DirectoryImage> shadow;
    std::array<uint32_t, 60> shadowPrints{};
    if (!NewestShadow(&shadow, &shadowPrints))
        return false;
    if (shadow)
        NameFrom(*shadow, kRankShadow, &shadowPrints, false, true);
    std::vector<DirectoryCopy> copies;
    if (m_pCopies)
        copies = m_pCopies->All();
    const int unknownRank = kRankCopies + int(copies.size() + 1) * DirectoryImage::kEntrySlots;
    for (RescuedSong& song : m_result.songs) {
        if (!song.known)
            NameFromCopies(song, copies, unknownRank);
        // Only a sound directory on the player says the song is gone now:
        // after damage, another PC may have brought it back since.
        song.letGo = song.letGo && onPlayerSound;
    }
    if (onPlayer && !onPlayerSound)
        NameFrom(*onPlayer, kRankOnPlayer, nullptr, false, onPlayer->ChecksumsValid(), true);
    int unnamed = 0;
    for (RescuedSong& song : m_result.songs)
        if (!song.known) {
            song.name = "Rescued song " + N(++unnamed);
            song.uploadTime = m_nNow;
            song.rank = unknownRank + unnamed;
        }
    std::stable_sort(m_result.songs.begin(), m_result.songs.end(),
                     [](const RescuedSong& a, const RescuedSong& b) { return a.rank < b.rank; });
    if (m_result.songs.size() > size_t(DirectoryImage::kEntrySlots)) {
        m_result.problems.push_back(N(long(m_result.songs.size()) - DirectoryImage::kEntrySlots) +
                                    " more songs were found than a directory can list; they stay free.");
        m_result.songs.resize(DirectoryImage::kEntrySlots);
    }
    return true;
}

// The size from the data, when no directory knew it; a tagged song's audio
// header from the frame after its tag.
bool RescueStep::MeasureSong(RescuedSong& song)
{
    uint8_t raw[kRawPageSize];
    for (uint16_t block : song.chain) {
        bool answered = true;
        if (!m_survey.WrittenWhole(block, &answered)) {
            if (!answered)
                return false;
            song.unfinished = true;
            return true;
        }
    }
    if (!song.sizeKnown) {
        std::vector<uint8_t> last(kBlockSize, 0);
        for (int page = kPagesPerBlock - 1; page >= 0; --page) {
            if (!m_link.ReadPageChecked(page, raw, song.chain.back()))
                return false;
            std::memcpy(last.data() + page * kPageSize, raw, kPageSize);
            if (!AllBytesAre(raw, kPageSize, 0))
                break;
        }
        song.size = uint32_t(song.chain.size() - 1) * kBlockSize + LastBlockBytes(last.data());
    }
    const uint32_t tag = Id3v2TagLength(m_survey.At(song.chain.front()).head);
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

std::unique_ptr<DirectoryImage> RescuedDirectory(const std::vector<RescuedSong>& songs, unsigned blocks)
{
    auto image = std::make_unique<DirectoryImage>();
    image->SetEmpty();
    image->SetTotalBlocks(uint16_t(blocks));
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
    image->SetFreeBlocks(uint16_t(int(blocks) - used));
    return image;
}
