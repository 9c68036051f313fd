#pragma once
// Copying one song to a file: one 32 KiB block per step, along the chain.

#include <bitset>
#include <cstdint>
#include <cstdio>

#include "format/DirectoryImage.h"
#include "storage/UserInterface.h"

class DeviceLink;

class DownloadStep : public TransferStep {
public:
    TransferKind Kind() const override { return TransferKind::Download; }
    StepOutcome Step(ProgressBar& bar) override;
    // A song of no blocks (only a damaged directory has one) gives nothing to do.
    bool Stalled() const override { return m_nBlocksLeft == 0; }

    DeviceLink* m_pLink = nullptr;
    int m_nCurrentBlock = 0;
    int m_nBlocksLeft = 0;
    int m_nBlockCount = 0;
    std::FILE* m_pFile = nullptr;
    uint8_t* m_pBuffer = nullptr; // 32768 bytes
    int m_nLastBlockBytes = 0;

    // Why the step ended the download early, for the message afterwards.
    enum class Failure { None, ChainBroken, ReadFailed, WriteFailed };
    Failure m_failure = Failure::None;

private:
    StepOutcome Fail(Failure failure)
    {
        m_failure = failure;
        return StepOutcome::EndCancel;
    }
    // Blocks already read: a chain that comes back to one of them is damaged.
    std::bitset<DirectoryImage::kTableBlocks> m_visited;
};
