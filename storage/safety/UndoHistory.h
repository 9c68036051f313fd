#pragma once
// Taking back the newest change to the player's directory. Every write of
// block 0 leaves a record on this PC that says where an undo of it goes, so
// the records form the player's history: the change that made the directory
// now on the player is undone by writing back the directory it replaced,
// exactly as it was saved, and the step before that is next in line. The
// undo's own write leaves a record too, which carries the undone
// directory's place in the history on.
//
// A removal or an initialize changes only block 0, so the songs it dropped
// stay in their blocks until something writes there. A step is taken only
// when this PC can prove every song it brings back still whole: none of its
// blocks marked in use now, none used since by a write this PC made on the
// player, and on the player every block's first page links as the song's
// chain does and carries the song's print, which this PC knows because it
// wrote the song or read it. A song whose print it does not know is not
// brought back: another PC may have put a song of the same length in its
// blocks.

#include <memory>
#include <string>

#include "storage/safety/DirectoryCopies.h"

class DeviceLink;
class SongNameText;

struct UndoStep {
    DirectoryCopy current;  // the record of what the player holds
    DirectoryCopy previous; // what the undo writes back
    std::string description; // the change, as the user knows it
};

// The step that takes back the change that made `onPlayer`; false with the
// reason when there is none. Song names are told as `names` shows them.
bool FindUndoStep(DirectoryCopies& copies, const DirectoryImage& onPlayer, const SongNameText& names,
                  UndoStep* step, std::string* why);

// Whether every song the step brings back is provably still whole; reads the
// first page of each of their blocks. False with the reason, naming the song.
bool SongsStillWhole(DeviceLink& link, DirectoryCopies& copies, const UndoStep& step, std::string* why);

// Before a song is let go (removed), its print is read from its blocks
// unless this PC knows it already, so that the removal can be undone. Reads
// nothing when the print is known; notes nothing when the blocks do not link
// as the directory says.
void LearnPrintBeforeRelease(DeviceLink& link, int slot);

// The change from `before` to `after`, as the user knows it ("the removal of
// "a.mp3""); `change` is what the record called it.
std::string DescribeChange(const DirectoryImage& before, const DirectoryImage& after, const std::string& change,
                           const SongNameText& names);
