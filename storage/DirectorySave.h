#pragma once
// Writing the directory to block 0: one erase, then one page per step.

#include <cstdint>

#include "storage/UserInterface.h"

class DeviceLink;

class SaveDirectoryStep : public TransferStep {
public:
    SaveDirectoryStep(DeviceLink* link, const uint8_t* buffer) : m_pLink(link), m_pBuffer(buffer) {}

    TransferKind Kind() const override { return TransferKind::SaveDirectory; }
    StepOutcome Step(ProgressBar& bar) override;
    // Stopping halfway would leave the player with no directory at all.
    bool UserMayCancel() const override { return false; }

    DeviceLink* m_pLink;
    const uint8_t* m_pBuffer; // the sealed image, 32768 bytes
    int m_nStartTries = 3;
    int m_nPage = 0;

private:
    StepOutcome UseUpAttempt();
};
