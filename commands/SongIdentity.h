#pragma once
// What tells a file on the PC as a song on the player. Every song this PC
// stores is recorded with a fingerprint of the file it came from (before any
// conversion); a file stored as it is also carries, in its blocks, the print
// its bytes give (format/SongPrints.h), which this PC knows of the
// songs it stored or read. Both are worked out from the file in slices,
// never with the file whole in memory.

#include <cstdint>
#include <string>
#include <vector>

class DeviceLink;

// A fingerprint of the file's bytes; 0 when it cannot be read.
uint64_t SourceFingerprint(const std::string& path);

// The print of bytes `start` to `end` of the file, stored as a song: the
// checksums of the first page of each 32 KiB block, the last one filled
// with zeros. 0 when the file cannot be read.
uint32_t StoredPrint(const std::string& path, uint64_t start, uint64_t end);

// A song on the player, with what this PC knows of it.
struct KnownSong {
    std::string name;    // as stored
    uint32_t size = 0;
    uint32_t print = 0;  // 0: not known
    uint64_t source = 0; // the file it was stored from; 0: not known
};

// The songs of the link's directory, in slot order.
std::vector<KnownSong> KnownSongs(DeviceLink& link);

// The song among `songs` not yet `taken` that holds the file with these
// marks: by the file it was stored from, else, where this PC does not know
// that file, by the print of its bytes (and their length); -1 when none does.
int SongHoldingFile(const std::vector<KnownSong>& songs, const std::vector<bool>& taken, uint64_t source,
                    uint32_t print, uint64_t bytes);
