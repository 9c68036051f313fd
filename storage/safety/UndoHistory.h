#pragma once
// Taking back the newest change to the player's directory. Every save
// leaves a copy on this PC that names the directory it replaced, so the
// copies form the player's history: the change that made the directory now
// on the player is undone by writing back the one it replaced, exactly as it
// was saved, and the step before that is next in line.
//
// A removal or an initialize changes only block 0, so the songs it dropped
// stay in their blocks until something writes there. A step is taken only
// when every song it brings back is still whole: none of its blocks marked
// in use now, none used since by any directory or shadow this PC saved, and
// on the player every block's first page still links as the song's chain
// does and, where this PC wrote the song, still carries its data's print.

#include <memory>
#include <string>

#include "storage/safety/DirectoryCopies.h"

class DeviceLink;
class SongNameText;

struct UndoStep {
    DirectoryCopy current;  // the copy of what the player holds
    DirectoryCopy previous; // what the undo writes back
    std::string description; // the change, as the user knows it
};

// The step that takes back the change that made `onPlayer`; false with the
// reason when there is none. Song names are told as `names` shows them.
bool FindUndoStep(DirectoryCopies& copies, const DirectoryImage& onPlayer, const SongNameText& names,
                  UndoStep* step, std::string* why);

// Whether every song the step brings back is still whole; reads the first
// page of each of their blocks. False with the reason.
bool SongsStillWhole(DeviceLink& link, DirectoryCopies& copies, const UndoStep& step, std::string* why);

// The change from `before` to `after`, as the user knows it ("the removal of
// "a.mp3""); `change` is what the save called it.
std::string DescribeChange(const DirectoryImage& before, const DirectoryImage& after, const std::string& change,
                           const SongNameText& names);
