#pragma once
// What tells one song's data from another's: the page checksums of the
// first page of each of its blocks, in chain order, folded into 32 bits.
// Two songs of the same length and encoding link their blocks alike and
// begin with the same four bytes; their prints differ.
//
// A print is known to this PC only where it wrote the song, read its
// blocks, or proved them: the upload, a removal (which reads them before it
// lets the song go, so that the removal can be undone), a download, a
// rescue, a repair. The copies of the directory carry what this PC knows;
// the print book gathers it.

#include <array>
#include <cstdint>
#include <map>
#include <vector>

#include "format/DirectoryImage.h"

// Never 0: 0 stands for "not known".
uint32_t SongPrint(const std::vector<uint16_t>& firstPageChecksums);

// What tells one stored song from another in two directories: where it
// starts, its length in blocks and bytes, and when it was uploaded. A song
// keeps it through renames and moves.
using SongKey = std::array<uint32_t, 4>;
SongKey KeyOf(const DirectoryEntry& entry);

class PrintBook {
public:
    void Note(const SongKey& key, uint32_t print);
    // A print for a key that has none yet (storage/safety/DirectoryCopies.h
    // offers what a copy knows).
    void Offer(const SongKey& key, uint32_t print);
    void Learn(const PrintBook& other);
    // 0 when not known.
    uint32_t PrintOf(const SongKey& key) const;
    bool Knows(uint32_t print) const;

private:
    std::map<SongKey, uint32_t> m_prints;
};
