#pragma once
// What a fill puts on the player: songs chosen from a library until the
// memory is full, by chance, newest first, or as whole albums, preferring
// those this PC has not put on this player in its recent fills. Only the
// files taken (and those tried that did not fit) are examined: reading the
// library costs a moment, examining a file a good deal more.

#include <cstdint>
#include <functional>
#include <random>
#include <set>
#include <vector>

#include "audio/AudioFile.h"
#include "commands/UploadPlan.h"
#include "playlist/LibraryFiles.h"

enum class FillOrder { Random, Newest, Albums };

struct FillChoices {
    FillOrder order = FillOrder::Random;
    bool keep = false; // the songs on the player stay; the fill takes the free memory
};

// A library file as the fills remember it: by its name and size, so that a
// library moved or reached from another PC is still known.
uint64_t FillKey(const std::string& path, uint64_t size);

// The library's files in groups a fill takes whole (an album, else one
// file), in the order it tries them: those not in `recent` first.
std::vector<std::vector<size_t>> FillGroups(const Library& library, FillOrder order, const std::set<uint64_t>& recent,
                                            std::mt19937& chance);

// Whether the fill may go on: false when the user stopped it.
using FillProgress = std::function<bool(size_t tried, size_t groups)>;

// The files to fill `blocks` of memory and at most `slots` songs, in the
// order they go on the player: each group tried is examined and planned as
// an upload with `options`, and taken when what it stores fits in what is
// left; one that does not is passed over for the next. Files the plan would
// refuse are left out. It stops once it is full to within a song, or has
// passed over many groups in a row that do not fit.
std::vector<AudioFileFacts> ChooseFill(const Library& library, const std::vector<std::vector<size_t>>& groups,
                                       const UploadOptions& options, int blocks, int slots,
                                       const FillProgress& progress = nullptr);
