#pragma once
// An upload as the window runs it, on the tool's examination, plan and
// batch: what the user chose or dropped (files, folders, playlists) taken as
// the files it stands for, each examined once (the status bar's progress
// shows how far), then the plan. When files of the batch are on the player
// already, the user is asked once whether to store them again (No leaves
// them out); when the batch does not fit, whether to store those that fit,
// in order (No stores nothing). The batch goes on past a file that fails,
// and what failed, or was left out of a folder or playlist, is said once,
// at its end, in one message with the closing line.

#include <string>
#include <vector>

#include "playlist/UploadItems.h"
#include "commands/UploadPlan.h"

class DeviceLink;
class PlaylistText;
class SongCommands;
class UserInterface;

// At most this many lines name files in one message (a box taller than the
// screen hides its button); the rest are counted.
constexpr size_t kFailuresNamed = 20;

// The lines that fit in `kFailuresNamed`, each with the details under it, then
// "and 3 more" for the files left unnamed.
std::vector<std::string> NamedAtMost(std::vector<std::string> lines);

// The items as the files they stand for, in order, with the wait cursor
// and the status bar's progress over the items. `text`: how playlists'
// lines become paths (SystemPlaylistText).
UploadItems ExpandWithProgress(UserInterface& ui, const std::vector<std::string>& items, const PlaylistText& text);

// The closing line for the status bar ("Stored 18 of 20 songs, 12.4 MB,
// 3.1 MB free; 2 refused"), or empty when nothing was tried.
std::string UploadAsPlanned(DeviceLink& link, SongCommands& commands, const std::vector<std::string>& items,
                            const UploadOptions& options, const PlaylistText& text);
