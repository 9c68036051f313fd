#pragma once
// What this PC's fills put on each player, kept beside the copies of the
// directory: for each fill, the directory it saved and the files it chose
// (by a key of their name and size). A fill is remembered as long as the
// records of its player's history reach back to it, so the next fills can
// prefer other music; a record let go takes its fill's memory with it.

#include <cstdint>
#include <set>
#include <string>
#include <vector>

class DirectoryCopies;

// The files of the fills in the history of the player's directory `digest`.
std::set<uint64_t> RecentlyFilled(DirectoryCopies& copies, uint64_t digest);

// Notes the fill that saved the directory `digest` with these files; the
// fills whose directories no record keeps any more are forgotten. False
// with the reason when it could not be written.
bool NoteFill(DirectoryCopies& copies, uint64_t digest, const std::vector<uint64_t>& files, std::string* error);
