#pragma once
// The texts of a sync's plan, for the terminal and the window alike.

#include <string>
#include <vector>

#include "commands/SyncPlan.h"
#include "commands/SyncRun.h"

// " 1. keep  "a.mp3" (3.1 MB)", " 2. move  "b.mp3" (now 5)",
// " 3. add   c.flac (FLAC, 3:45): convert to MP3 at 128 kbps, about 3.6 MB, as "c.mp3"",
// then "remove "d.mp3" (2.0 MB)" and "refused e.txt: not audio"; a song
// kept for a file that cannot replace it: " 4. keep   "f.mp3" (1.2 MB) as it
// is: f.mp3 cannot replace it, the file is empty".
std::vector<std::string> SyncPlanLines(const SyncPlan& plan);
// "keep 8, move 2, add 2, remove 3"; "nothing to change" when so.
std::string SyncCounts(const SyncPlan& plan);
// "Afterwards: 12 songs, 20.1 MB used, 11.3 MB free (now 10 songs, 9.0 MB
// free); port work on a real player: about 2 min 10 s"
std::string SyncMemoryText(const SyncPlan& plan);
// Which files of the list do not fit; empty when all do.
std::string SyncNotFittingText(const SyncPlan& plan);
// When the removal goes first: why, and that it cannot be undone. Empty otherwise.
std::string SyncRemovalFirstText(const SyncPlan& plan);
// Why a sync with this plan must not be carried out, for it would leave Rio
// no song and remove every one: the list holds none, or, when `head` (the
// head that fits is what is asked), none of it fits. Empty when it may go on.
// The caller names the list before it; an empty player is Initialize's.
std::string SyncWithoutSongsText(const SyncPlan& plan, bool head);
// What one undo after the sync brings back.
std::string SyncUndoText(const SyncPlan& plan);
// "synced: 12 songs on Rio (8 kept, 2 added, 3 removed), 11.3 MB free; 1 not added". The figures
// come from `onPlayer`, the directory known to be the player's; without it the line says they
// could not be read back.
// `done` names what was done: "synced", "filled".
std::string SyncClosingLine(const SyncPlan& plan, const SyncResult& result, const DirectoryImage* onPlayer,
                            const std::string& done = "synced");
