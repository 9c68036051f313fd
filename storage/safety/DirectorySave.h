#pragma once
// Writing the directory to block 0, one page per step. Before block 0 is
// touched, the first step checks that block 0 still holds what the program
// last read or wrote, and the steps after it write the shadow copy into a
// free block; only then is block 0 erased and written.

#include <cstdint>
#include <vector>

#include "storage/UserInterface.h"

class DeviceLink;
class DirectoryImage;
enum class SaveProblem;

// Where the shadow of `next` goes: the highest block below the player's
// size that it and the directory on the player (when known) both mark free;
// kNoBlock when none.
uint16_t ShadowBlockFor(const DirectoryImage& next, const DirectoryImage* onPlayer, unsigned playerBlocks);

class SaveDirectoryStep : public TransferStep {
public:
    SaveDirectoryStep(DeviceLink* link, const uint8_t* buffer) : m_pLink(link), m_pBuffer(buffer) {}

    TransferKind Kind() const override { return TransferKind::SaveDirectory; }
    StepOutcome Step(ProgressBar& bar) override;
    // Stopping halfway would leave the player with no directory at all.
    bool UserMayCancel() const override { return false; }

    DeviceLink* m_pLink;
    const uint8_t* m_pBuffer;                    // the sealed image, 32768 bytes
    const uint8_t* m_pExpectedHeader = nullptr;  // page 0 of block 0 as it should still be; null: no check
    std::vector<uint8_t> m_shadowPages;          // 512 bytes a page; empty: no shadow
    uint16_t m_nShadowBlock = 0;
    int m_nStartTries = 3;
    int m_nPage = 0;
    SaveProblem m_problem{};

private:
    enum class Phase { Check, Shadow, Directory };
    StepOutcome CheckBlockZero();
    StepOutcome WriteShadowPage();
    StepOutcome WriteDirectoryPage();
    StepOutcome UseUpAttempt();
    bool ChipReady();
    bool LastPageReadsBack();
    int ShadowPageCount() const { return int(m_shadowPages.size() / 512); }

    Phase m_phase = Phase::Check;
    int m_nShadowPage = 0;
    bool m_bAwaitChip = false; // an attempt failed: see the chip ready before the next one
    int m_nDone = 0;
};
