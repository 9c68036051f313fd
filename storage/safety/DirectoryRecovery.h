#pragma once
// Finding the directory that a damaged block 0 should hold.
//
// Where the copies live. Every write of block 0 (a save, an undo, a rescue,
// a repair) keeps the directory it is about to write in two places before
// block 0 is erased: a record on this PC (storage/safety/DirectoryCopies.h),
// and a shadow on the player itself, in the highest block that both the old
// and the new directory mark free (ShadowCopy.h). Uploads take the lowest
// free blocks, so they reach a shadow last; every block a directory marks in
// use holds song data written before that directory was saved, so of the
// shadows on the player only the newest can lie above all others, and a
// scan from the top meets it first.
//
// What a load trusts. Block 0 read whole with both checksums right is the
// directory, whatever the copies say. Only when block 0 is erased, half
// written or fails its checksums does the load look further, and then it
// trusts only what this player proves:
// - The player's own shadow is the first witness: it is on this player, and
//   it is the newest write that had room for one. Clocks decide nothing: the
//   PC that wrote a copy may have had its clock an hour ahead or a day behind.
// - A record on this PC comes before the shadow only when its history shows
//   it newer: it replaced the shadow's directory, or one that did (a write
//   that found no block free for a shadow). With no sound shadow on the
//   player, the records are tried newest first.
// A candidate is taken only when
// 1. it is sound by itself: checksums, chains inside the player's memory and
//    clear of block 0;
// 2. block 0 bears it out: a save writes block 0 from its first page on, so
//    every page written whole since the erase must be the candidate's; an
//    erase cut short leaves pages of what block 0 held before, and each of
//    those must be the candidate's or, where the record knows it, the page
//    the candidate's own write replaced;
// 3. every block of every song links as the candidate says, the first one
//    begins as the song did, and where the song's print is known (the
//    candidate's record, or what this PC wrote or read) the blocks carry it:
//    a song of the same length and encoding in the same blocks links alike
//    but has another print. A record from this PC must know the print of
//    every song it lists; the shadow, this player's own, may lack some;
// 4. for a record from this PC, every whole chain on the flash is one of
//    its songs. Another PC's or another player's songs, written after this
//    PC's record, fail this test. So does a song this PC let go: its chain
//    stays whole until written over, and is just as whole when another PC
//    brought it back (a rescue, the same file uploaded into the same blocks,
//    an image put back) before a later write was cut; no record can tell the
//    two apart. A record that fails the test is not proven wrong, only
//    unproven: the directories it replaced are older still, and are not
//    tried after it. (A save cut short on a player that had no block free
//    for a shadow, right after a removal, is therefore not restored: the
//    damage is reported, and the rescue gives back every song.)
// The survey ends at the player's real end: the size block 0's header page
// gives when it is sound and its last block answers, else the first block
// that does not answer (PlayerSize.cpp); never a size another player's
// record gives.
// A page that cannot be read right proves nothing: then no candidate is taken
// at all, nor when block 0 reads back garbled beyond what one interrupted page
// write leaves. Nothing passes: the damage is reported, nothing is written
// until the user chooses, and the rescue (Rescue.h) can rebuild the directory
// from the chains themselves.

#include <array>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "format/DirectoryImage.h"
#include "storage/safety/DirectoryCopies.h"

class DeviceLink;
class FlashSurvey;

struct RecoveredDirectory {
    std::unique_ptr<DirectoryImage> image;
    std::string source;  // "on Rio" or "on this PC"
    DirectoryCopy record; // what the history knows of it: its undo target, its change, its prints
};

class DirectoryRecovery {
public:
    // `blockZero`: the 64 raw pages (528 bytes each) the load read.
    DirectoryRecovery(DeviceLink& link, const uint8_t* blockZero);
    ~DirectoryRecovery();

    bool Find(RecoveredDirectory* found);

private:
    // Disagrees: proof that the candidate is not what block 0 should hold.
    // Unproven: it may be, but the flash holds songs it does not account for.
    enum class Verdict { Agrees, Disagrees, Unproven, Unknown };
    struct Candidate {
        std::shared_ptr<const DirectoryImage> image;
        DirectoryCopy record; // for a shadow: prints and replaced pages from its record page
        bool fromThisPc = false;
    };

    bool BlockZeroReadable() const;
    Verdict FindShadow(Candidate* shadow);
    Verdict ReadShadow(uint16_t block, Candidate* shadow);
    const DirectoryCopy* RecordBefore(uint64_t digest, uint32_t sequence) const;
    std::vector<const DirectoryCopy*> NewerThan(uint64_t shadowDigest) const;
    void Supersede(const DirectoryCopy& record, std::set<uint64_t>* older) const;
    Verdict Judge(const Candidate& candidate);
    bool BlockZeroAgrees(const Candidate& candidate) const;
    Verdict SongsOnFlash(const Candidate& candidate);
    Verdict ChainsAccountedFor(const Candidate& candidate);
    PrintBook PrintsOf(const Candidate& candidate) const;
    void Take(const Candidate& candidate, RecoveredDirectory* found) const;

    DeviceLink& m_link;
    const uint8_t* m_pBlockZero;
    std::vector<DirectoryCopy> m_copies; // newest first
    std::unique_ptr<FlashSurvey> m_survey;
};
