#pragma once
// Storing one file as a new song: one 32 KiB block per step, each next block
// chosen just before it is written.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "storage/UserInterface.h"

class DeviceLink;

class UploadStep : public TransferStep {
public:
    TransferKind Kind() const override { return TransferKind::Upload; }
    StepOutcome Step(ProgressBar& bar) override;
    std::string Title() const override { return m_title; }

    DeviceLink* m_pLink = nullptr;
    std::FILE* m_pFile = nullptr;     // positioned at the song data
    uint8_t* m_pBuffer = nullptr;     // 32768 bytes
    uint8_t* m_pEntry = nullptr;      // the new slot in the image
    uint16_t m_nCurrentBlock = 0;
    uint16_t m_nPreviousBlock = 0xFFFF;
    uint16_t m_nBlockCount = 0;
    uint16_t m_nNextBlock = 0;
    uint16_t m_nBlocksDone = 0;
    std::vector<uint16_t> m_firstPageSums; // of the blocks written, in chain order
    std::string m_title;                   // "Uploading 3 of 20: song.mp3"; empty for the usual text
};
