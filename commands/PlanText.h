#pragma once
// The texts of an upload's plan and of its end, for the terminal and the
// window alike.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "commands/UploadPlan.h"

// "12.4 MB" (a megabyte of 1,048,576 bytes, as the player's memory counts).
std::string MegabytesText(uint64_t bytes);
// "3:45"
std::string PlayingTimeText(double seconds);
// Said under a plan that shows playing times: they are the files' own, and
// the player's list reckons its own from size and bit rate.
extern const char* const kPlayingTimeNote;

// "3. song.flac (FLAC, 3:45): convert to MP3 at 128 kbps, about 3.6 MB, as "song.mp3""
std::string PlanLine(size_t index, const PlannedFile& file);
// The same without its number.
std::string PlannedFileText(const PlannedFile& file);
// What will happen to a file that the user should know of: stored though
// the player cannot play it, or under a name cut short.
std::vector<std::string> PlanWarnings(const PlannedFile& file);
// The warnings, and the tool's advice: tags or a bit rate that waste memory.
std::vector<std::string> PlanNotes(const PlannedFile& file);
// "18 of 20 files to store: 42.1 MB in 1349 blocks, 30.0 MB free; port work on a real player: about 2 min 10 s"
std::string PlanSummary(const UploadPlan& plan);
// Which files do not fit (the first `maxListed`, and how many more) and how
// much memory is missing; empty when all fit.
std::string NotFittingText(const UploadPlan& plan, size_t maxListed = SIZE_MAX);
// "stored 18 of 20 songs, 12.4 MB, 3.1 MB free; 2 refused; 1 failed; 1 not tried; 1 was on the player
// already". `refused`: what the plan rejected; `failed`: what went wrong on the way. Without `freeBytes`
// (the player's directory was not read back) the line says so instead.
std::string ClosingLine(int stored, int files, uint64_t bytes, std::optional<uint64_t> freeBytes, int refused,
                        int notTried = 0, int skipped = 0, int failed = 0);
// A line begun as a sentence, for the window's status bar and boxes.
std::string Capitalized(std::string text);
