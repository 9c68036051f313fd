#pragma once
// Rebuilding a directory from the flash itself, when no copy can replace a
// lost one. Every page of a song's block carries, in its spare bytes, the
// block before it and the block after it in the song's chain; the first
// page of each block is enough to join the blocks into chains. A chain that
// starts with no block before it and runs whole to its end is a song.
//
// Every such chain is kept, the current ones first: those the directory on
// the player still lists (block 0 as read, damaged or not), then those of
// the newest shadow, then those the newest copy on this PC that knows them
// lists, then those no copy knows (another PC's, maybe newer), and last the
// songs this PC let go; only beyond the directory's 60 slots does a chain
// stay unlisted, and that is said. What cannot be read from the chain links comes from those sources:
// the name, the upload time and the exact size, taken from a copy on this PC
// only where the song's print (SongPrints.h) agrees, since a song of the
// same length in the same blocks links alike. Otherwise a made-up name, the
// time of the rescue, and the size found in the song's last block (see
// LastBlockBytes).

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "storage/UserInterface.h"
#include "format/DirectoryImage.h"
#include "storage/safety/FlashSurvey.h"

class DeviceLink;
class DirectoryCopies;
struct DirectoryCopy;

struct RescuedSong {
    std::vector<uint16_t> chain;
    uint32_t size = 0;
    uint8_t firstBytes[4] = {};  // the audio header, in the song's own order
    std::string name;
    int32_t uploadTime = 0;
    uint32_t print = 0;
    bool known = false;          // name and time from a directory that listed it
    bool sizeKnown = false;      // and the size too: a directory sound or proven by the print
    bool unfinished = false;     // its last block was never written to its end
    bool letGo = false;          // this PC removed it (or a sync did): back only if the user asks
    int rank = 0;                // where it comes in the rescued directory
};

struct RescueResult {
    std::vector<RescuedSong> songs;
    std::vector<std::string> problems; // what could not be rescued, for the user
    bool answered = true;
};

// The reading, one slice per step of a dialog with a Cancel button: the
// first page of every block, then each song's last block (its last page
// tells whether it was written to its end) and, for a tagged file, the
// frame after its tag.
class RescueStep : public TransferStep {
public:
    static constexpr int kBlocksPerStep = 16;

    RescueStep(DeviceLink& link, DirectoryCopies* copies, int32_t now);

    TransferKind Kind() const override { return TransferKind::Rescue; }
    StepOutcome Step(ProgressBar& bar) override;

    const RescueResult& Result() const { return m_result; }
    // The player's size, as far as the rescue read.
    unsigned Blocks() const { return m_survey.Blocks(); }

private:
    void JoinChains();
    bool Name();
    void NameFrom(const DirectoryImage& directory, int rank, const std::array<uint32_t, 60>* prints,
                  bool printRequired, bool sizesSound, bool damaged = false);
    void NameFromCopies(RescuedSong& song, const std::vector<DirectoryCopy>& copies, int unknownRank);
    bool NewestShadow(std::unique_ptr<DirectoryImage>* directory, std::array<uint32_t, 60>* prints);
    bool MeasureSong(RescuedSong& song);
    bool EndsAt(uint16_t lastBlock, uint32_t size);
    void DropUnfinished();

    DeviceLink& m_link;
    DirectoryCopies* m_pCopies;
    int32_t m_nNow;
    FlashSurvey m_survey;
    size_t m_nNextSong = 0;
    bool m_bJoined = false;
    RescueResult m_result;
};

// The directory for the rescued songs, in their order, for a player of
// `blocks` blocks; not yet sealed.
std::unique_ptr<DirectoryImage> RescuedDirectory(const std::vector<RescuedSong>& songs,
                                                 unsigned blocks = DirectoryImage::kInitialBlocks);

// The bytes of song data in a last block, from its 32768 bytes as read. The
// upload clears the rest of a partial last block, so the data end at the
// last byte that is not zero. That is exact unless the song itself ends in
// zero bytes (digital silence, padding): those are lost from the size. A
// last block that is zero throughout is taken as full.
uint32_t LastBlockBytes(const uint8_t* block);
