#pragma once
// What a sync leaves on the player, as the song commands carry it out: the
// directory afterwards, in order, of songs kept and songs added; every other
// song is removed. The decisions are the plan's (commands/SyncPlan.h).

#include <cstdint>
#include <vector>

class DirectoryImage;

struct SyncPlace {
    int keptSlot = -1; // a song the player holds, from this slot
    int newSong = -1;  // else the new song with this index in the upload source
    // A song that goes, kept here instead should the new song fail to be
    // stored; -1 when none. Not with a removal first.
    int replacedSlot = -1;
};

struct SyncLayout {
    uint64_t digest = 0; // of the directory the sync was planned on
    std::vector<SyncPlace> places;
    // The new songs need blocks of the removed ones: the removal goes first,
    // in a save of its own, and cannot be undone.
    bool removalFirst = false;
    const char* change = "sync"; // as the history names it: "sync", "fill"
};

// The directory holds only the songs of `slots`, in that order. The blocks
// of the others are freed when `freeOthers`; else they stay marked in use,
// so that new songs go only to blocks free before, and with no song listed
// block 0 is marked free until the first new song takes it again.
void KeepOnly(DirectoryImage& image, const std::vector<int>& slots, bool freeOthers, unsigned playerBlocks);

// The blocks of `before`'s songs in `slots`, marked free in `image`.
void FreeSongBlocks(DirectoryImage& image, const DirectoryImage& before, const std::vector<int>& slots);
