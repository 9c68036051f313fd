#pragma once
// Rebuilding a directory from the flash itself, when no copy can replace a
// lost one. Every page of a song's block carries, in its spare bytes, the
// block before it and the block after it in the song's chain; the first
// page of each block is enough to join the blocks into chains. A chain that
// starts with no block before it is a song.
//
// What cannot be read from the chain links comes from elsewhere: the name,
// the upload time and the exact size from the newest copy on this PC that
// held the same chain; otherwise a made-up name, the time of the rescue, and
// the size found in the song's last block (see LastBlockBytes).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "storage/format/DirectoryImage.h"
#include "storage/UserInterface.h"

class DeviceLink;
class DirectoryCopies;

struct RescuedSong {
    std::vector<uint16_t> chain;
    uint32_t size = 0;
    uint8_t firstBytes[4] = {};  // the audio header, in the song's own order
    std::string name;
    int32_t uploadTime = 0;
    bool fromCopy = false;       // name, time and size known from this PC
    int order = 0;               // where the copy listed it; unknown songs go last
};

struct RescueResult {
    std::vector<RescuedSong> songs;
    std::vector<std::string> problems; // what could not be rescued, for the user
    bool answered = true;
};

// The reading, one slice per step of a dialog with a Cancel button: the
// first page of every block, then each song's last block and, for a tagged
// file, the frame after its tag.
class RescueStep : public TransferStep {
public:
    static constexpr int kBlocksPerStep = 16;

    RescueStep(DeviceLink& link, DirectoryCopies* copies, int32_t now);

    TransferKind Kind() const override { return TransferKind::Rescue; }
    StepOutcome Step(ProgressBar& bar) override;

    const RescueResult& Result() const { return m_result; }

private:
    struct BlockStart {
        bool read = false, usable = false;
        uint16_t previous = 0, next = 0, checksum = 0;
        uint8_t head[16] = {};
    };
    bool ReadFirstPages();
    void JoinChains();
    bool MeasureSong(RescuedSong& song);
    void Name();

    DeviceLink& m_link;
    DirectoryCopies* m_pCopies;
    int32_t m_nNow;
    std::vector<BlockStart> m_starts;
    int m_nNextBlock = 1;
    size_t m_nNextSong = 0;
    bool m_bJoined = false;
    RescueResult m_result;
};

// The directory for the rescued songs, in their order, not yet sealed.
std::unique_ptr<DirectoryImage> RescuedDirectory(const std::vector<RescuedSong>& songs);

// The bytes of song data in a last block, from its 32768 bytes as read. The
// upload clears the rest of a partial last block, so the data end at the
// last byte that is not zero. That is exact unless the song itself ends in
// zero bytes (digital silence, padding): those are lost from the size. A
// last block that is zero throughout is taken as full.
uint32_t LastBlockBytes(const uint8_t* block);
