#include "storage/safety/DirectorySave.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <new>

#include "link/DeviceLink.h"
#include "link/PageFormat.h"
#include "storage/safety/DirectoryCopies.h"
#include "storage/safety/ShadowCopy.h"
#include "storage/StorageTexts.h"

// A failed erase or a failed page both cost one of the three attempts. The
// next attempt starts over from the erase of the block it was writing, so
// what ends up on the player is always whole passes.
StepOutcome SaveDirectoryStep::UseUpAttempt()
{
    if (m_phase == Phase::Shadow)
        m_nShadowPage = 0;
    m_nPage = 0;
    m_bAwaitChip = m_phase != Phase::Check;
    if (--m_nStartTries > 0)
        return StepOutcome::Continue;
    // Before the check passed, nothing was written.
    m_problem = m_phase == Phase::Check ? SaveProblem::NoAnswer : SaveProblem::Failed;
    return StepOutcome::EndCancel;
}

StepOutcome SaveDirectoryStep::Step(ProgressBar& bar)
{
    if (m_nPage >= kPagesPerBlock)
        return StepOutcome::Continue;
    // Set before the step, so the bar never shows 100 while the dialog is up.
    bar.SetPos(m_nDone * 100 / (1 + ShadowPageCount() + kPagesPerBlock));
    StepOutcome outcome = StepOutcome::Continue;
    switch (m_phase) {
    case Phase::Check:
        outcome = CheckBlockZero();
        break;
    case Phase::Shadow:
        outcome = WriteShadowPage();
        break;
    case Phase::Directory:
        outcome = WriteDirectoryPage();
        break;
    }
    return outcome;
}

StepOutcome SaveDirectoryStep::CheckBlockZero()
{
    if (m_pExpectedHeader) {
        if (!m_pLink->OpenLink())
            return UseUpAttempt();
        uint8_t raw[kRawPageSize];
        if (!m_pLink->ReadPageChecked(0, raw, 0))
            return UseUpAttempt();
        if (std::memcmp(raw, m_pExpectedHeader, kPageSize) != 0) {
            m_problem = SaveProblem::PlayerChanged;
            return StepOutcome::EndCancel;
        }
    }
    m_phase = m_shadowPages.empty() ? Phase::Directory : Phase::Shadow;
    ++m_nDone;
    return StepOutcome::Continue;
}

// An attempt after a failure begins on a chip seen ready: the operation
// that outlasted its time-out may still be under way, and a busy chip
// ignores what it is sent, an erase included; pages written after an erase
// it ignored would go onto the old bytes.
bool SaveDirectoryStep::ChipReady()
{
    if (!m_bAwaitChip)
        return true;
    m_pLink->OpenLink();
    if (!m_pLink->WaitReady())
        return false;
    m_bAwaitChip = false;
    return true;
}

// A page is written only in the pass that erased its block.
StepOutcome SaveDirectoryStep::WriteShadowPage()
{
    if (m_nShadowPage == 0 && (!ChipReady() || !m_pLink->EraseBlock(m_nShadowBlock)))
        return UseUpAttempt();
    const uint16_t self = ShadowLink(m_nShadowBlock);
    if (!m_pLink->WritePage(m_shadowPages.data() + kPageSize * m_nShadowPage, m_nShadowPage, m_nShadowBlock, self,
                            self))
        return UseUpAttempt();
    ++m_nDone;
    if (++m_nShadowPage == ShadowPageCount())
        m_phase = Phase::Directory;
    return StepOutcome::Continue;
}

StepOutcome SaveDirectoryStep::WriteDirectoryPage()
{
    if (m_nPage == 0 && (!ChipReady() || !m_pLink->EraseBlock(0)))
        return UseUpAttempt();
    if (!m_pLink->WritePage(m_pBuffer + kPageSize * m_nPage, m_nPage, 0, 0, 0))
        return UseUpAttempt();
    if (m_nPage + 1 == kPagesPerBlock && m_pLink->Safeguards() && !LastPageReadsBack())
        return UseUpAttempt();
    ++m_nDone;
    ++m_nPage;
    return m_nPage == kPagesPerBlock ? StepOutcome::EndOk : StepOutcome::Continue;
}

// A player that is gone looks ready to every write, so a save is done only
// when its last page reads back: nothing written after a cable came out can.
bool SaveDirectoryStep::LastPageReadsBack()
{
    uint8_t raw[kRawPageSize];
    const int last = kPagesPerBlock - 1;
    return m_pLink->ReadPageChecked(last, raw, 0) && RawPageIntact(raw) &&
           std::memcmp(raw, m_pBuffer + kPageSize * last, kPageSize) == 0;
}

namespace {

// The highest block a song may use that both the directory on the player and
// the one about to replace it mark free: no song of either can be there, and
// uploads, which take the lowest free block, reach it last. It lies within
// the memory the player has, whatever the new directory claims.
uint16_t ChooseShadowBlock(const DirectoryImage& next, const DirectoryImage* onPlayer, unsigned playerBlocks)
{
    for (unsigned block = std::min(next.UsableBlockLimit(), playerBlocks); block-- > 1;) {
        if (next.blockUse(block) != DirectoryImage::kBlockFree)
            continue;
        if (onPlayer && block < onPlayer->UsableBlockLimit() &&
            onPlayer->blockUse(block) != DirectoryImage::kBlockFree)
            continue;
        return uint16_t(block);
    }
    return DirectoryImage::kNoBlock;
}

}

void DeviceLink::RememberPlayerDirectory(const DirectoryImage& image)
{
    if (!m_pOnPlayer)
        m_pOnPlayer = std::make_unique<DirectoryImage>();
    *m_pOnPlayer = image;
}

// Songs keep their prints from one copy to the next; new ones come from
// the uploads of this run.
void DeviceLink::CarryPrints(DirectoryCopy* copy, const DirectoryCopy* previous)
{
    const bool known = previous != nullptr;
    const int songs = std::min<int>(copy->image->entryCount(), DirectoryImage::kEntrySlots);
    for (int slot = 0; slot < songs; ++slot) {
        const SongKey key = KeyOf(copy->image->Entry(slot));
        const auto noted = m_songPrints.find(key);
        if (noted != m_songPrints.end())
            copy->prints[size_t(slot)] = noted->second;
        else if (known)
            copy->prints[size_t(slot)] = PrintIn(*previous, key);
    }
}

// The copy on the PC first, then (in the save's own steps) the shadow: with
// either of them a save cut short can be finished. Without both the user decides.
bool DeviceLink::KeepCopies(const DirectoryImage& sealed, const std::string& change, bool shadow,
                            uint16_t* shadowBlock)
{
    *shadowBlock = shadow ? ChooseShadowBlock(sealed, m_pOnPlayer.get(), PlayerBlocks()) : DirectoryImage::kNoBlock;
    std::vector<uint8_t> unused;
    if (*shadowBlock != DirectoryImage::kNoBlock && !BuildShadowPages(sealed, *shadowBlock, &unused))
        *shadowBlock = DirectoryImage::kNoBlock;

    std::string error = m_copyFolderProblem;
    bool copied = false;
    DirectoryCopy known;
    if (m_pCopies && !shadow && m_pCopies->Find(sealed.Digest(), &known))
        return true; // finishing a save whose copy this PC has: its history stays as it was
    // The directory being replaced came from elsewhere (another PC, the
    // factory): kept too, it is where an undo of this change goes back to.
    DirectoryCopy previous;
    const bool previousKept = m_pCopies && m_pOnPlayer && m_pCopies->Find(m_pOnPlayer->Digest(), &previous);
    if (m_pCopies && m_pOnPlayer && m_pOnPlayer->ChecksumsValid() && !previousKept) {
        DirectoryCopy found;
        found.image = std::make_shared<DirectoryImage>(*m_pOnPlayer);
        found.change = "read";
        m_pCopies->Keep(found, &error);
    }
    if (m_pCopies) {
        DirectoryCopy copy;
        copy.image = std::make_shared<DirectoryImage>(sealed);
        copy.replacesDigest = m_pOnPlayer ? m_pOnPlayer->Digest() : 0;
        copy.shadowBlock = *shadowBlock;
        copy.change = change;
        CarryPrints(&copy, previousKept ? &previous : nullptr);
        copied = m_pCopies->Keep(copy, &error);
    }
    if (copied || !shadow)
        return true;
    if (*shadowBlock != DirectoryImage::kNoBlock) {
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

int DeviceLink::WriteDirectory(const DirectoryImage& sealed, const std::string& change, bool shadow)
{
    shadow = shadow && m_bSafeguards;
    if (m_bSafeguards && !m_pOnPlayer) {
        // Nothing to compare block 0 with: it must be read again first.
        m_saveProblem = SaveProblem::PlayerChanged;
        Ui().ShowMessage(kPlayerChanged);
        return 0;
    }
    uint16_t shadowBlock = DirectoryImage::kNoBlock;
    if (!KeepCopies(sealed, change, shadow, &shadowBlock)) {
        m_saveProblem = SaveProblem::NotCopied;
        return 0;
    }
    SaveDirectoryStep save(this, sealed.Bytes());
    if (m_bSafeguards)
        save.m_pExpectedHeader = m_pOnPlayer->Bytes();
    if (shadowBlock != DirectoryImage::kNoBlock) {
        save.m_nShadowBlock = shadowBlock;
        BuildShadowPages(sealed, shadowBlock, &save.m_shadowPages);
    }
    const int result = Ui().RunTransfer(save);
    CloseLink();
    if (result == kTransferOk) {
        RememberPlayerDirectory(sealed);
        m_bDirectoryDamaged = false;
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

int DeviceLink::SaveDirectory(const std::string& change)
{
    m_saveProblem = SaveProblem::None;
    if (!m_bPortSet)
        return 0;
    std::unique_ptr<DirectoryImage> sealed(new (std::nothrow) DirectoryImage);
    if (!sealed) {
        std::fputs(kNewFailed, stdout);
        return 0;
    }
    m_image.Seal(static_cast<int32_t>(std::time(nullptr)));
    *sealed = m_image;
    return WriteDirectory(*sealed, change, true);
}

int DeviceLink::WriteSealedDirectory(const DirectoryImage& sealed, const std::string& change)
{
    m_saveProblem = SaveProblem::None;
    if (!m_bPortSet)
        return 0;
    return WriteDirectory(sealed, change, false);
}
