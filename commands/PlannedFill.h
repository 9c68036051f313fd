#pragma once
// A fill as both programs run it: the library read, songs chosen until the
// player is full (commands/FillChoice.h), and the choice planned as a sync
// of the player with it, so that it has the sync's plan, its one save, its
// one undo and its safety. Once saved, the fill is remembered beside the
// records, so that the next fills bring other music.

#include <string>
#include <vector>

#include "commands/FillChoice.h"
#include "commands/SyncPlan.h"

class DeviceLink;
class PlaylistText;

struct FillPlan {
    SyncPlan sync;
    std::vector<uint64_t> chosen;   // the files chosen, as the fills remember them
    std::vector<std::string> notes; // folders and lists of the library that could not be read
    size_t libraryFiles = 0;
};

// The plan of a fill from `sources` (folders with their folders, and
// playlists); false, with the reason in `problem`, when there is none: a
// damaged directory, a source not found, a library with nothing the player
// can hold, or a stop while choosing or measuring.
bool PlanFill(DeviceLink& link, const std::vector<std::string>& sources, const FillChoices& choices,
              const UploadOptions& options, const PlaylistText& text, FillPlan* plan, std::string* problem);

// Remembers a fill the player now holds. False with the reason when the
// record could not be written (the fill itself stands).
bool RememberFill(DeviceLink& link, const FillPlan& plan, std::string* problem);

// "Fill: 12 songs from 10,000 files, ..." for the plan's heading.
std::string FillCounts(const FillPlan& plan);
