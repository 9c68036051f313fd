#pragma once
// Finding a copy of the directory that may replace a damaged block 0.
//
// Where the copies live. Every save keeps the directory it is about to write
// in two places before block 0 is erased: a file on this PC (one per save,
// the last forty kept, in the user's application data folder), and a shadow
// on the player itself, in the highest block that both the old and the new
// directory mark free (see ShadowCopy.h). The shadow serves a player that
// moves between PCs; the PC copies serve a player full to the last block,
// and hold the history that undo works from.
//
// What a load trusts. Block 0 read whole with both checksums right is the
// directory, whatever the copies say: a save cut short before its erase
// left the old directory in place. Only when block 0 is erased, half written
// or fails its checksums does the load look at the copies, newest first, and
// takes the first that is
// - sound by itself: its checksums hold, its chains stay inside the player's
//   memory and never touch block 0 (a copy is made in memory, so anything
//   less means the copy is not what was meant to be written);
// - this player's: every song's first page carries the chain links the copy
//   gives it and begins with the song's audio header, and every page of
//   block 0 that was written whole since the erase equals the copy's page
//   (a save writes block 0 from its first page on, so an interrupted one
//   leaves a prefix of the copy it was writing).
// A copy from the PC might belong to another player; the second test is what
// keeps it from replacing this one's directory. A copy passes over to the
// next older one only on proof that it is not this player's (a first page
// read whole that links or begins otherwise); a page that cannot be read
// right proves nothing, and then no copy is taken at all, nor when block 0
// itself reads back garbled beyond what one interrupted page write leaves.
// Nothing passes: the damage is reported and nothing is written until the
// user chooses.

#include <cstdint>
#include <memory>
#include <string>

#include "storage/format/DirectoryImage.h"

class DeviceLink;

struct RecoveredDirectory {
    std::unique_ptr<DirectoryImage> image;
    std::string source; // "on Rio" or "on this PC"
};

class DirectoryRecovery {
public:
    // `blockZero`: the 64 raw pages (528 bytes each) the load read.
    DirectoryRecovery(DeviceLink& link, const uint8_t* blockZero) : m_link(link), m_pBlockZero(blockZero) {}

    bool Find(RecoveredDirectory* found);

private:
    enum class Verdict { Agrees, Disagrees, Unknown };

    bool BlockZeroReadable() const;
    Verdict FindShadow(RecoveredDirectory* found);
    Verdict ReadShadow(uint16_t block, const uint8_t* firstPage, DirectoryImage* directory);
    Verdict Judge(const DirectoryImage& candidate);
    bool BlockZeroAgrees(const DirectoryImage& candidate) const;
    Verdict SongsAgree(const DirectoryImage& candidate);

    DeviceLink& m_link;
    const uint8_t* m_pBlockZero;
};
