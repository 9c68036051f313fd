// Writing a directory to block 0 with the net around it: the record on this
// PC and the shadow on the player come first, then the save's steps
// (DirectorySave.h). Every write goes this way, the undo's and the repair's
// too, so the newest record and the newest shadow are always of what block
// 0 was last given.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <new>

#include "link/DeviceLink.h"
#include "format/PageFormat.h"
#include "storage/StorageTexts.h"
#include "storage/safety/DirectoryCopies.h"
#include "storage/safety/DirectorySave.h"
#include "storage/safety/ShadowCopy.h"

namespace {

std::array<uint32_t, kPagesPerBlock> PagePrints(const DirectoryImage& image)
{
    std::array<uint32_t, kPagesPerBlock> prints{};
    for (int page = 0; page < kPagesPerBlock; ++page)
        prints[size_t(page)] = DirectoryPagePrint(image.Bytes() + page * kPageSize);
    return prints;
}

int Songs(const DirectoryImage& image)
{
    return std::min<int>(image.entryCount(), DirectoryImage::kEntrySlots);
}

// The file fingerprint a record gives the song with this key, or 0.
uint64_t SourceIn(const DirectoryCopy* record, const SongKey& key)
{
    if (!record)
        return 0;
    for (int slot = 0; slot < Songs(*record->image); ++slot)
        if (KeyOf(record->image->Entry(slot)) == key)
            return record->sources[size_t(slot)];
    return 0;
}

bool Lists(const DirectoryImage& image, const SongKey& key)
{
    for (int slot = 0; slot < Songs(image); ++slot)
        if (KeyOf(image.Entry(slot)) == key)
            return true;
    return false;
}

}

void DeviceLink::RememberPlayerDirectory(const DirectoryImage& image)
{
    RememberPlayerDirectory(image, image.ChecksumsValid());
}

void DeviceLink::RememberPlayerDirectory(const DirectoryImage& image, bool sound)
{
    if (!m_pOnPlayer)
        m_pOnPlayer = std::make_unique<DirectoryImage>();
    *m_pOnPlayer = image;
    m_bOnPlayerSound = sound;
    m_nOnPlayerDigest = 0;
}

bool DeviceLink::ImageAsOnPlayer() const
{
    return m_pOnPlayer && std::memcmp(m_pOnPlayer->Bytes(), m_image.Bytes(), DirectoryImage::kSize) == 0;
}

bool DeviceLink::PlayerDirectorySound() const
{
    return m_pOnPlayer && m_bOnPlayerSound;
}

uint64_t DeviceLink::PlayerDirectoryDigest() const
{
    if (!PlayerDirectorySound())
        return 0;
    if (m_nOnPlayerDigest == 0)
        m_nOnPlayerDigest = m_pOnPlayer->Digest();
    return m_nOnPlayerDigest;
}

// What the record of a write says: what block 0 held before, where an undo
// goes, and every print this PC knows of the songs it lists and of those it
// lets go.
DirectoryCopy DeviceLink::RecordOf(const DirectoryImage& sealed, const DirectoryCopy& note, const PrintBook& book,
                                   const DirectoryCopy* previous) const
{
    DirectoryCopy record;
    record.image = std::make_shared<DirectoryImage>(sealed);
    record.digest = sealed.Digest();
    record.change = note.change;
    record.undoDigest = note.undoDigest;
    record.replacesDigest = PlayerDirectoryDigest();
    if (m_pOnPlayer)
        record.replacedPages = PagePrints(*m_pOnPlayer);
    auto printOf = [&](const SongKey& key) {
        const uint32_t print = m_sessionPrints.PrintOf(key);
        return print != 0 ? print : book.PrintOf(key);
    };
    for (int slot = 0; slot < Songs(sealed); ++slot) {
        const SongKey key = KeyOf(sealed.Entry(slot));
        const uint32_t noted = note.prints[size_t(slot)];
        record.prints[size_t(slot)] = noted != 0 ? noted : printOf(key);
        const auto source = m_sessionSources.find(key);
        record.sources[size_t(slot)] = note.sources[size_t(slot)] != 0 ? note.sources[size_t(slot)]
                                       : source != m_sessionSources.end() ? source->second
                                                                           : SourceIn(previous, key);
    }
    if (PlayerDirectorySound())
        for (int slot = 0; slot < Songs(*m_pOnPlayer); ++slot) {
            const SongKey key = KeyOf(m_pOnPlayer->Entry(slot));
            const uint32_t print = printOf(key);
            if (print != 0 && !Lists(sealed, key) && record.released.size() < DirectoryCopy::kMostReleased)
                record.released.push_back({key, print});
        }
    return record;
}

// The record on the PC first, then (in the save's own steps) the shadow:
// with either of them a save cut short can be finished. Without both the
// user decides.
bool DeviceLink::KeepCopies(DirectoryCopy& record, const WriteWitness& witness, std::vector<uint8_t>* shadowPages)
{
    uint16_t shadowBlock = DirectoryImage::kNoBlock;
    if (witness == WriteWitness::NewShadow) {
        shadowBlock = ShadowBlockFor(*record.image, m_pOnPlayer.get(), PlayerBlocks());
        ShadowRecord shadow;
        shadow.prints = record.prints;
        shadow.replacedPages = record.replacedPages;
        if (shadowBlock != DirectoryImage::kNoBlock &&
            !BuildShadowPages(*record.image, record.digest, shadow, shadowBlock, shadowPages))
            shadowBlock = DirectoryImage::kNoBlock;
    }
    record.shadowBlock = shadowBlock;

    std::string error = m_copyFolderProblem;
    bool copied = false;
    if (m_pCopies) {
        // The directory being replaced came from elsewhere (another PC, the
        // factory): kept too, it is where an undo of this change goes back to.
        DirectoryCopy known;
        if (PlayerDirectorySound() && !m_pCopies->Find(PlayerDirectoryDigest(), &known)) {
            DirectoryCopy found;
            found.image = std::make_shared<DirectoryImage>(*m_pOnPlayer);
            found.change = "read";
            for (int slot = 0; slot < Songs(*m_pOnPlayer); ++slot)
                found.prints[size_t(slot)] = m_sessionPrints.PrintOf(KeyOf(m_pOnPlayer->Entry(slot)));
            m_pCopies->Keep(found, &error);
        }
        copied = m_pCopies->Keep(record, &error);
    }
    if (copied)
        return true;
    if (shadowBlock != DirectoryImage::kNoBlock || witness == WriteWitness::ShadowOnPlayer) {
        if ((m_pCopies || !error.empty()) && !m_bCopyWarningShown) {
            m_bCopyWarningShown = true;
            Ui().ShowMessage(std::string(kCopyNotKept) + error);
        }
        return true;
    }
    if (error.empty())
        error = "no folder for copies is set up";
    return Ui().AskYesNo(std::string(kNoCopyAtAll) + error + kNoCopyQuestion);
}

int DeviceLink::WriteDirectory(const DirectoryImage& sealed, const DirectoryCopy& note, WriteWitness witness)
{
    if (!m_bSafeguards && witness == WriteWitness::NewShadow)
        witness = WriteWitness::None;
    if (m_bSafeguards && !m_pOnPlayer) {
        // Nothing to compare block 0 with: it must be read again first.
        m_saveProblem = SaveProblem::PlayerChanged;
        Ui().ShowMessage(kPlayerChanged);
        return 0;
    }
    // Block 0 must still hold what was last read or written before anything
    // is kept or written: a record of a write that never began would tell
    // a later repair or rescue of songs that are not on the player.
    if (m_bSafeguards) {
        switch (CheckDirectoryUnchanged()) {
        case DirectoryCheck::Unchanged:
            break;
        case DirectoryCheck::Changed:
            m_saveProblem = SaveProblem::PlayerChanged;
            Ui().ShowMessage(kPlayerChanged);
            return 0;
        case DirectoryCheck::NoAnswer:
            m_saveProblem = SaveProblem::NoAnswer;
            Ui().ShowMessage(kNotConnected);
            return 0;
        }
    }
    PrintBook book;
    DirectoryCopy previous;
    bool havePrevious = false;
    if (m_pCopies && PlayerDirectorySound()) {
        const std::vector<DirectoryCopy> all = m_pCopies->All();
        for (const DirectoryCopy& copy : all)
            if (copy.digest == PlayerDirectoryDigest()) {
                previous = copy;
                havePrevious = true;
                book = HistoryPrints(all, copy);
                break;
            }
    }
    DirectoryCopy record = RecordOf(sealed, note, book, havePrevious ? &previous : nullptr);
    SaveDirectoryStep save(this, sealed.Bytes());
    if (!KeepCopies(record, witness, &save.m_shadowPages)) {
        m_saveProblem = SaveProblem::NotCopied;
        return 0;
    }
    if (record.shadowBlock != DirectoryImage::kNoBlock)
        save.m_nShadowBlock = record.shadowBlock;
    else
        save.m_shadowPages.clear();
    const int result = Ui().RunTransfer(save);
    CloseLink();
    if (result == kTransferOk) {
        RememberPlayerDirectory(sealed);
        m_bDirectoryDamaged = false;
        m_bFromUnwrittenCopy = false;
        ++m_nDirectoryWrites;
        return 1;
    }
    m_saveProblem = save.m_problem == SaveProblem::None ? SaveProblem::Failed : save.m_problem;
    switch (m_saveProblem) {
    case SaveProblem::PlayerChanged:
        Ui().ShowMessage(kPlayerChanged);
        break;
    case SaveProblem::NoAnswer:
        Ui().ShowMessage(kNotConnected);
        break;
    default:
        // Block 0 may hold anything now: the next look at it reads it whole.
        ForgetPlayerDirectory();
        Ui().ShowMessage(kSaveFailed);
        break;
    }
    return 0;
}

int DeviceLink::SaveDirectory(const std::string& change, uint64_t undoTo)
{
    m_saveProblem = SaveProblem::None;
    if (!m_bPortSet)
        return 0;
    std::unique_ptr<DirectoryImage> sealed(new (std::nothrow) DirectoryImage);
    if (!sealed) {
        std::fputs(kNewFailed, stdout);
        return 0;
    }
    m_image.Seal(Now());
    *sealed = m_image;
    DirectoryCopy note;
    note.change = change;
    // The change is taken back by writing the directory it replaced.
    note.undoDigest = undoTo != 0 ? undoTo : PlayerDirectoryDigest();
    return WriteDirectory(*sealed, note, WriteWitness::NewShadow);
}

int DeviceLink::WriteSealedDirectory(const DirectoryImage& sealed, const DirectoryCopy& note, WriteWitness witness)
{
    m_saveProblem = SaveProblem::None;
    if (!m_bPortSet)
        return 0;
    return WriteDirectory(sealed, note, witness);
}
