#pragma once
// An upload's plan carried out through the song commands. Each file is made
// ready before the player is touched (converted, or its tags left out, into a
// temporary file removed right after), then stored and saved on its own. A
// file that fails is reported with its name and the reason, and the others
// go on. A Cancel of a conversion or an upload (Ctrl+C in the tool) ends the
// batch between steps: the songs stored stay, the current one is not stored
// at all.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "commands/UploadPlan.h"

class DeviceLink;
class DirectoryImage;
class SongCommands;
class UploadSource;

struct BatchResult {
    int files = 0;
    int stored = 0;
    int refused = 0;     // by the plan: not storable, or not fitting
    int failed = 0;      // on the way: a conversion, a write or a save that failed
    int skipped = 0;     // on the player already
    int notTried = 0;    // after a stop (the file cancelled among them), or a player that stopped answering
    int damaged = 0;     // converted with damaged frames passed over
    int damagedFrames = 0; // passed over, in all of them
    int levelled = 0;    // stored with a gain that levels them
    uint64_t bytes = 0;  // of the songs stored
    bool stopped = false; // cancelled before its end
    // The free memory afterwards, as the player's directory says; none when
    // no directory known to be the player's was left to say it.
    std::optional<uint64_t> freeBytes;
};

// The link's image when it is known to be the player's directory
// (DeviceLink::ImageAsOnPlayer), else null: the figures of a closing line
// come from it, and from nothing else.
const DirectoryImage* KnownDirectory(const DeviceLink& link);
std::optional<uint64_t> KnownFreeBytes(const DeviceLink& link);

// The closing line of a batch: what was stored, what not, and what damage
// its conversions passed over.
std::string BatchClosingLine(const BatchResult& result);
// "; 3 levelled", or empty.
std::string LevelledText(const BatchResult& result);
// "; 2 converted with 5 damaged frames passed over", or empty.
std::string DamagePassedOverText(const BatchResult& result);

// Files the plan found not to fit are passed over (and counted as refused).
BatchResult RunUploadPlan(DeviceLink& link, SongCommands& commands, const UploadPlan& plan);

// The plan's files made ready the same way for another flow of the song
// commands (a sync): `run` is given them as an upload source.
BatchResult RunPlannedFiles(DeviceLink& link, const UploadPlan& plan, const std::function<void(UploadSource&)>& run);
