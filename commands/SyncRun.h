#pragma once
// A sync's plan carried out through the song commands: the new songs each
// made ready (converted, or their tags left out) as an upload batch makes
// them, then stored, and the directory written once
// (commands/SongCommands.h, SyncSongs).

#include "commands/SyncPlan.h"
#include "commands/BatchUpload.h"

class DeviceLink;
class SongCommands;

struct SyncResult {
    bool saved = false;    // the player now holds the plan's songs (less new ones that failed)
    BatchResult additions; // how the new songs went
    int keptInstead = 0;   // songs kept where their new files could not be stored
};

SyncResult RunSyncPlan(DeviceLink& link, SongCommands& commands, const SyncPlan& plan);
