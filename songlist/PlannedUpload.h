#pragma once
// An upload as the window runs it, on the tool's examination, plan and
// batch: every file examined first (the status bar's progress shows how
// far), then the plan; when the batch does not fit, the user is asked
// whether to store those that fit, in order (No stores nothing). The batch
// goes on past a file that fails, and what failed is said once, at its end,
// in one message with the closing line.

#include <string>
#include <vector>

#include "songlist/UploadPlan.h"

class DeviceLink;
class SongCommands;

// At most this many failures are named in the closing message (a box taller
// than the screen hides its button); the rest are counted.
constexpr size_t kFailuresNamed = 20;

// The closing line for the status bar ("Stored 18 of 20 songs, 12.4 MB,
// 3.1 MB free; 2 refused"), or empty when nothing was tried.
std::string UploadAsPlanned(DeviceLink& link, SongCommands& commands, const std::vector<std::string>& files,
                            const UploadOptions& options);
