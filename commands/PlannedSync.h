#pragma once
// A sync as the window runs it, on the tool's plan: the list (a playlist or
// a folder) read whole and planned before anything is written, the plan
// put before the user as a page, then carried out with what failed said
// once, at its end, with the closing line.

#include <string>
#include <vector>

#include "commands/SyncPlan.h"

class DeviceLink;
class PlaylistText;
class SongCommands;

// The plan of the player made to hold the list at `list`; false after
// saying why there is none: a damaged directory, a list that names what
// cannot be read (a sync of it would remove the songs of what it cannot
// see), or one that would leave Rio no song. `notes` gets what the list's
// folders left out on purpose.
bool PlanSyncWith(DeviceLink& link, const std::string& list, const UploadOptions& options, const PlaylistText& text,
                  SyncPlan* plan, std::vector<std::string>* notes);

// What the plan's dialog shows.
struct SyncPlanPage {
    std::string heading;            // whether the list fits, and the counts
    std::vector<std::string> lines; // the player afterwards, what goes, what is left out
    std::string memory;             // the memory afterwards, the removal first, the undo
};
// `heading`: what the page is the plan of; empty for a sync's ("Sync: ...").
SyncPlanPage SyncPlanPageOf(const SyncPlan& plan, const std::vector<std::string>& notes,
                            const std::string& heading = std::string());

// When the plan changes nothing: that the player holds the list already
// (or the head of it that fits, and what does not).
std::string NothingToSyncText(const SyncPlan& plan);

// The plan carried out; the closing line for the status bar, and whether
// the player now holds the plan's songs. `done` names it ("synced", "filled").
std::string SyncAsPlanned(DeviceLink& link, SongCommands& commands, const SyncPlan& plan,
                          const std::string& done = "synced", bool* saved = nullptr);
