#include "storage/safety/DirectorySave.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <new>

#include "link/DeviceLink.h"
#include "format/PageFormat.h"
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

uint16_t ShadowBlockFor(const DirectoryImage& next, const DirectoryImage* onPlayer, unsigned playerBlocks)
{
    return ChooseShadowBlock(next, onPlayer, playerBlocks);
}
