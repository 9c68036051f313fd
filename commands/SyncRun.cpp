#include "commands/SyncRun.h"

#include "commands/SongCommands.h"

SyncResult RunSyncPlan(DeviceLink& link, SongCommands& commands, const SyncPlan& plan)
{
    SyncResult result;
    if (!plan.Changes()) {
        result.saved = true;
        return result;
    }
    const SyncLayout layout = plan.Layout();
    result.additions = RunPlannedFiles(link, plan.additions, [&](UploadSource& newSongs) {
        result.saved = commands.SyncSongs(layout, newSongs, &result.keptInstead);
    });
    return result;
}
