#pragma once
// How long the port work of an upload takes on a real player, where every
// port access is an ISA-bus cycle of about a microsecond. The counts are
// what the link does on the wire (tests count them on the simulated player).

#include <cstdint>
#include <string>

// Erasing a block and writing its 64 pages with their links.
constexpr int64_t kAccessesPerBlock = 198600;
// Around each song: the look at block 0 before it, and the directory save
// after it (its look at block 0, the shadow and block 0 each erased after a
// wake-up, the pages, the last one read back).
constexpr int64_t kAccessesPerSong = 520000;
// The list read again at the end of the batch.
constexpr int64_t kAccessesPerRefill = 1569000;

constexpr double kSecondsPerAccess = 1e-6;

// The port accesses that storing songs of `blocks` blocks in all takes.
int64_t UploadPortAccesses(int64_t blocks, int64_t songs);

// "about 40 s", "about 2 min 10 s"
std::string PortTimeText(int64_t accesses);
