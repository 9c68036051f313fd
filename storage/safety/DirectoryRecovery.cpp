#include "storage/safety/DirectoryRecovery.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <set>

#include "link/DeviceLink.h"
#include "format/PageFormat.h"
#include "format/DirectoryRules.h"
#include "storage/safety/FlashSurvey.h"
#include "storage/safety/ShadowCopy.h"

namespace {

const uint8_t* RawPageOf(const uint8_t* blockZero, int page)
{
    return blockZero + size_t(page) * kRawPageSize;
}

// Written whole since the last erase, as a directory page (links 0, 0).
bool WrittenDirectoryPage(const uint8_t* raw)
{
    SpareLinks links;
    return !RawPageErased(raw) && RawPageIntact(raw) && ParseSpareBytes(raw + kPageSize, &links) &&
           links.previous == 0 && links.next == 0;
}

int Songs(const DirectoryImage& image)
{
    return std::min<int>(image.entryCount(), DirectoryImage::kEntrySlots);
}

}

DirectoryRecovery::DirectoryRecovery(DeviceLink& link, const uint8_t* blockZero)
    : m_link(link), m_pBlockZero(blockZero)
{
}

DirectoryRecovery::~DirectoryRecovery() = default;

bool DirectoryRecovery::Find(RecoveredDirectory* found)
{
    if (!BlockZeroReadable())
        return false;
    if (m_link.Copies())
        m_copies = m_link.Copies()->All();
    const unsigned blocks = m_link.FindPlayerBlocks();
    if (blocks == 0)
        return false;
    m_survey = std::make_unique<FlashSurvey>(m_link, blocks);
    m_survey->ShowProgressWhileReading(true);

    Candidate shadow;
    const Verdict onPlayer = FindShadow(&shadow);
    if (onPlayer == Verdict::Unknown)
        return false;
    std::vector<Candidate> candidates;
    std::set<uint32_t> tried;
    auto addRecord = [&](const DirectoryCopy& copy) {
        if (!tried.insert(copy.sequence).second)
            return;
        candidates.push_back({copy.image, copy, true});
    };
    if (onPlayer == Verdict::Agrees) {
        for (const DirectoryCopy* copy : NewerThan(shadow.record.digest))
            addRecord(*copy);
        candidates.push_back(shadow);
    }
    for (const DirectoryCopy& copy : m_copies)
        addRecord(copy);

    std::set<uint64_t> superseded;
    for (const Candidate& candidate : candidates) {
        if (candidate.fromThisPc && superseded.count(candidate.record.digest))
            continue;
        const Verdict verdict = Judge(candidate);
        if (verdict == Verdict::Unknown)
            return false;
        if (verdict == Verdict::Agrees) {
            Take(candidate, found);
            return true;
        }
        if (verdict == Verdict::Unproven)
            Supersede(candidate.record, &superseded);
    }
    return false;
}

// The directories a record's write replaced, and theirs before them.
void DirectoryRecovery::Supersede(const DirectoryCopy& record, std::set<uint64_t>* older) const
{
    const DirectoryCopy* step = &record;
    for (size_t steps = 0; step && step->replacesDigest != 0 && steps <= m_copies.size(); ++steps) {
        older->insert(step->replacesDigest);
        step = RecordBefore(step->replacesDigest, step->sequence);
    }
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

// From the top down, the first sound shadow is the newest (see the header).
DirectoryRecovery::Verdict DirectoryRecovery::FindShadow(Candidate* shadow)
{
    for (unsigned block = m_survey->Blocks(); block-- > 1;) {
        if (!m_survey->Read(block))
            return Verdict::Unknown;
        if (m_survey->At(block).kind != BlockStart::Kind::Shadow)
            continue;
        const Verdict read = ReadShadow(uint16_t(block), shadow);
        if (read != Verdict::Disagrees)
            return read;
    }
    return Verdict::Disagrees;
}

// A shadow whose writing was cut short has erased pages, and is none; one
// whose pages cannot be read right may still be the newest.
DirectoryRecovery::Verdict DirectoryRecovery::ReadShadow(uint16_t block, Candidate* shadow)
{
    uint8_t raw[kRawPageSize];
    ShadowHeader header;
    if (!m_link.ReadPageChecked(0, raw, block))
        return Verdict::Unknown;
    if (!ParseShadowHeader(raw, block, &header))
        return RawPageIntact(raw) ? Verdict::Disagrees : Verdict::Unknown;
    std::vector<uint8_t> stored(size_t(header.storedPages) * kPageSize);
    const int pages = header.recordPage != 0 ? header.recordPage : header.storedPages;
    ShadowRecord record;
    for (int page = 1; page <= pages; ++page) {
        if (!m_link.ReadPageChecked(page, raw, block))
            return Verdict::Unknown;
        if (RawPageErased(raw))
            return Verdict::Disagrees;
        if (!RawPageIntact(raw))
            return Verdict::Unknown;
        if (page == header.recordPage)
            ParseShadowRecord(raw, &record);
        else
            std::memcpy(stored.data() + size_t(page - 1) * kPageSize, raw, kPageSize);
    }
    auto directory = std::make_shared<DirectoryImage>();
    if (!AssembleShadow(header, stored, directory.get()))
        return Verdict::Disagrees;
    shadow->image = directory;
    shadow->fromThisPc = false;
    shadow->record = DirectoryCopy();
    shadow->record.digest = header.digest;
    shadow->record.shadowBlock = block;
    shadow->record.prints = record.prints;
    shadow->record.replacedPages = record.replacedPages;
    shadow->record.image = directory;
    return Verdict::Agrees;
}

// The newest record of `digest` older than `sequence`, or null. An undo
// writes back a directory exactly as it was, so one directory may have
// several records: the history goes by their order on this PC.
const DirectoryCopy* DirectoryRecovery::RecordBefore(uint64_t digest, uint32_t sequence) const
{
    for (const DirectoryCopy& copy : m_copies)
        if (digest != 0 && copy.digest == digest && copy.sequence < sequence)
            return &copy;
    return nullptr;
}

// This PC's records written after the shadow's directory was on the player:
// each replaced it, or replaced one that did.
std::vector<const DirectoryCopy*> DirectoryRecovery::NewerThan(uint64_t shadowDigest) const
{
    uint32_t shadowSequence = 0;
    for (const DirectoryCopy& copy : m_copies)
        if (copy.digest == shadowDigest)
            shadowSequence = std::max(shadowSequence, copy.sequence);
    std::vector<const DirectoryCopy*> newer;
    for (const DirectoryCopy& copy : m_copies) {
        if (copy.sequence <= shadowSequence)
            continue;
        const DirectoryCopy* step = &copy;
        for (size_t steps = 0; step && steps <= m_copies.size(); ++steps) {
            if (step->replacesDigest == shadowDigest) {
                newer.push_back(&copy);
                break;
            }
            step = RecordBefore(step->replacesDigest, step->sequence);
        }
    }
    return newer;
}

DirectoryRecovery::Verdict DirectoryRecovery::Judge(const Candidate& candidate)
{
    const DirectoryImage& image = *candidate.image;
    if (!DirectoryTrustworthy(image) || image.UsableBlockLimit() > m_survey->Blocks() ||
        !BlockZeroAgrees(candidate))
        return Verdict::Disagrees;
    const Verdict songs = SongsOnFlash(candidate);
    if (songs != Verdict::Agrees || !candidate.fromThisPc)
        return songs;
    return ChainsAccountedFor(candidate);
}

// A save writes block 0 from its first page on: with page 0 written, every
// page written whole since is the candidate's. With page 0 erased, an erase
// may have been cut short: the pages it left hold the directory that write
// replaced, so each is the candidate's own or the one its record says it
// replaced.
bool DirectoryRecovery::BlockZeroAgrees(const Candidate& candidate) const
{
    const bool written = WrittenDirectoryPage(RawPageOf(m_pBlockZero, 0));
    for (int page = 0; page < kPagesPerBlock; ++page) {
        const uint8_t* raw = RawPageOf(m_pBlockZero, page);
        if (!WrittenDirectoryPage(raw) || std::memcmp(raw, candidate.image->Bytes() + page * kPageSize, kPageSize) == 0)
            continue;
        if (written)
            return false;
        const uint32_t replaced = candidate.record.replacedPages[size_t(page)];
        if (replaced != 0 && replaced != DirectoryPagePrint(raw))
            return false;
    }
    return true;
}

// Every block of every song links as the candidate says; the first begins
// as the song did; a known print is carried.
DirectoryRecovery::Verdict DirectoryRecovery::SongsOnFlash(const Candidate& candidate)
{
    const DirectoryImage& image = *candidate.image;
    const PrintBook prints = PrintsOf(candidate);
    bool unproven = false;
    for (int slot = 0; slot < Songs(image); ++slot) {
        const DirectoryEntry entry = image.Entry(slot);
        const std::vector<uint16_t> chain = image.ChainOf(slot);
        if (chain.empty())
            continue;
        bool answered = true;
        if (!m_survey->LinksAs(chain, &answered))
            return answered ? Verdict::Disagrees : Verdict::Unknown;
        if (!BeginsAs(m_survey->At(chain.front()).head, entry.audioHeaderBytes()))
            return Verdict::Disagrees;
        uint32_t print = candidate.record.prints[size_t(slot)];
        if (print == 0)
            print = prints.PrintOf(KeyOf(entry));
        if (print != 0 && print != m_survey->PrintOf(chain))
            return Verdict::Disagrees;
        // Links and first bytes are all a song of the same length and
        // encoding needs to pass for this one: a record from this PC proves
        // its songs by their prints.
        if (print == 0 && candidate.fromThisPc)
            unproven = true;
    }
    return unproven ? Verdict::Unproven : Verdict::Agrees;
}

// A record from this PC may be older than what the player holds: another
// PC, or another player's history on this PC, may have written since. So
// every whole chain on the flash must be one of its songs. A song this PC
// let go is no exception: its chain stays whole until written over, but so
// it does when another PC brings it back (a rescue, an upload of the same
// file into the same blocks, an image put back), and a record cannot tell
// the two apart.
DirectoryRecovery::Verdict DirectoryRecovery::ChainsAccountedFor(const Candidate& candidate)
{
    if (!m_survey->ReadAll())
        return Verdict::Unknown;
    const DirectoryImage& image = *candidate.image;
    std::set<uint16_t> songHeads;
    for (int slot = 0; slot < Songs(image); ++slot)
        if (image.Entry(slot).blockCount() > 0)
            songHeads.insert(image.Entry(slot).firstBlock());
    for (unsigned block = 1; block < m_survey->Blocks(); ++block)
        if (m_survey->At(block).kind == BlockStart::Kind::Garbled)
            return Verdict::Unknown; // it might be where an unknown song begins
    for (const FlashSurvey::Chain& chain : m_survey->Chains())
        if (chain.whole && !songHeads.count(chain.blocks.front()))
            return Verdict::Unproven;
    return Verdict::Agrees;
}

// What this player's history knows of songs' prints, back from the
// candidate's record (a shadow's record is this PC's record of the same
// directory, when it has one), and what this run noted.
PrintBook DirectoryRecovery::PrintsOf(const Candidate& candidate) const
{
    PrintBook book;
    for (const DirectoryCopy& copy : m_copies)
        if (copy.digest == candidate.record.digest && (candidate.fromThisPc ? copy.sequence == candidate.record.sequence : true)) {
            book = HistoryPrints(m_copies, copy);
            break;
        }
    LearnPrints(book, candidate.record);
    book.Learn(m_link.SessionPrints());
    return book;
}

// What the history knows of the directory taken: its own record, else the
// shadow's prints with no undo behind it.
void DirectoryRecovery::Take(const Candidate& candidate, RecoveredDirectory* found) const
{
    found->image = std::make_unique<DirectoryImage>(*candidate.image);
    found->source = candidate.fromThisPc ? "on this PC" : "on Rio";
    found->record = candidate.record;
    if (!candidate.fromThisPc) {
        found->record.change = "restore";
        found->record.undoDigest = 0;
        for (const DirectoryCopy& copy : m_copies)
            if (copy.digest == candidate.record.digest) {
                found->record = copy;
                break;
            }
    }
}
