#pragma once
// The plan of a sync, made before anything is written: the player is to hold
// exactly the songs of a list, in its order. A song already on the player is
// kept (recognised by the file this PC stored it from, by the print of its
// bytes, or else, when this PC knows nothing of it, by its name and size)
// and moved where the list wants it; every other file is planned as an
// upload (converted as needed); songs not on the list are removed. A file
// that cannot be read as audio or converted changes nothing of its song
// (known by its file, else by the name the file would give it). When the
// list does not fit, the plan holds its head that does and names the rest.
// The plan decides; the song commands carry it out (commands/SyncLayout.h).

#include <cstdint>
#include <string>
#include <vector>

#include "playlist/UploadItems.h"
#include "commands/SongIdentity.h"
#include "commands/SyncLayout.h"
#include "commands/UploadPlan.h"

class DirectoryImage;
class SongNameText;

enum class SyncAction { Keep, Move, Add };

struct SyncEntry {
    SyncAction action = SyncAction::Add;
    int oldSlot = -1;   // Keep, Move: where the song is now
    int addition = -1;  // Add: its place among the plan's additions
    std::string file;   // the list's file
    std::string name;   // on the player, as the program shows it
    uint64_t bytes = 0; // estimated for a conversion
    int blocks = 0;
    // Keep, Move: the list's file cannot be read as audio (or converted), so
    // its song stays as it is; the file in `refused`, or -1.
    int refusedFile = -1;
    // Add: the song of its name that goes, kept should the file fail to be
    // stored when the sync comes to it; -1 when none (or the removal goes first).
    int replacedSlot = -1;
};

struct RemovedSong {
    int slot = 0;
    std::string name; // as the program shows it
    uint64_t bytes = 0;
    int blocks = 0;
};

struct SyncPlan {
    uint64_t digest = 0;                 // of the directory it was planned on
    std::vector<SyncEntry> entries;      // the player afterwards, in order
    std::vector<RemovedSong> removed;
    UploadPlan additions;                // the new songs, in order
    std::vector<PlannedFile> refused;    // files of the list the player cannot hold, with the reason
                                         // (their songs, where the player has them, kept as they are)
    std::vector<PlannedFile> notFitting; // the list after the head that fits
    // The new songs need the blocks of removed ones: the removal is saved
    // first, on its own, and cannot be undone.
    bool removalFirst = false;
    const char* change = "sync"; // as the history names it: a fill is a sync of its own name
    int songsBefore = 0;
    int totalBlocks = 0;
    int freeBlocksBefore = 0;
    int freeBlocksAfter = 0;
    int usedBlocksAfter = 0;

    bool Fits() const { return notFitting.empty(); }
    // Whether carrying it out writes anything.
    bool Changes() const;
    int Count(SyncAction action) const;
    // What the user sees happen to entry `i`: added, kept in its place, or
    // moved to another (whichever songs the run itself moves to get there).
    SyncAction Seen(size_t i) const;
    int CountSeen(SyncAction action) const;
    // The song kept as it is for the refused file `refused[file]`, or null.
    const SyncEntry* KeptFor(size_t file) const;
    SyncLayout Layout() const;
};

// What of a list cannot be read (a playlist, a folder, a file it names):
// a sync of it must not run, for it would remove the songs of what it
// cannot see. Each with the reason; empty when all can be read.
std::vector<std::string> UnreadableForSync(const UploadItems& items);

// `songs`: what this PC knows of the directory's songs (KnownSongs).
// `names`: how the program stores names (the tool's when none).
// `keepOthers`: the player's songs all stay, in their places, and the list's
// files it does not hold yet come after them (a fill that keeps).
SyncPlan PlanSync(const DirectoryImage& onPlayer, const std::vector<KnownSong>& songs,
                  std::vector<AudioFileFacts> list, const UploadOptions& options, const SongNameText* names = nullptr,
                  bool keepOthers = false);
