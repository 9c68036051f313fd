#pragma once
// The PC's copies of the player's directory: one record per write of block
// 0, kept before block 0 is erased, so that an interrupted save can be
// finished and a change taken back. Each record says what block 0 held
// before (by fingerprint) and where an undo of it goes, so the records of
// one player form its history, also when several players and several
// programs share the folder; their order on this PC is their sequence.

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "format/DirectoryImage.h"
#include "format/SongPrints.h"

class CopyFolder;

// A song the write let go (removed, or dropped by an undo or initialize),
// with its print: it may come back with an undo.
struct ReleasedSong {
    SongKey key{};
    uint32_t print = 0;
};

struct DirectoryCopy {
    static constexpr size_t kMostReleased = 60;

    uint32_t sequence = 0;       // the order of writing, on this PC
    uint64_t digest = 0;         // of the sealed directory
    uint64_t replacesDigest = 0; // of what block 0 held before; 0 when unknown or damaged
    uint64_t undoDigest = 0;     // of the directory an undo of this one writes back; 0: none
    uint16_t shadowBlock = DirectoryImage::kNoBlock; // where its shadow went on the player
    std::string change;          // the change that made it, as the history names it
    // Per slot, the print of the song's data (SongPrints.h); 0 when not known.
    std::array<uint32_t, DirectoryImage::kEntrySlots> prints{};
    std::vector<ReleasedSong> released;
    // Per slot, a fingerprint of the file this PC stored the song from
    // (before any conversion); 0 when not known. It recognises a song on
    // the player as a file on the PC.
    std::array<uint64_t, DirectoryImage::kEntrySlots> sources{};
    // Per page, a print of what block 0 held before (0 when unknown): an erase
    // of block 0 cut short leaves some of those pages in place.
    std::array<uint32_t, 64> replacedPages{};
    std::shared_ptr<const DirectoryImage> image;
};

// The print of one page of a directory, as kept in `replacedPages`; never 0.
uint32_t DirectoryPagePrint(const uint8_t* page);

// What a record and the records of the directories before it, back along
// the writes on its player, know of songs' prints. Only a player's own
// history counts: on two players the same blocks, length and second of
// upload may be two different songs.
// Everything a copy knows, offered to `book`: its songs' prints and those
// of the songs it let go.
void LearnPrints(PrintBook& book, const DirectoryCopy& copy);

PrintBook HistoryPrints(const std::vector<DirectoryCopy>& newestFirst, const DirectoryCopy& record);
// The record and those before it on its player, newest first.
std::vector<const DirectoryCopy*> HistoryOf(const std::vector<DirectoryCopy>& newestFirst, const DirectoryCopy& record);

class DirectoryCopies {
public:
    static constexpr int kKept = 40;

    explicit DirectoryCopies(CopyFolder& folder) : m_folder(folder) {}

    // Writes the record durably with the next sequence number, then lets the
    // oldest go beyond kKept. False with a reason when it could not be written.
    // A `copy.digest` given is its image's (0: worked out here).
    bool Keep(DirectoryCopy& copy, std::string* error);
    // Every readable record, newest first; damaged files are passed over.
    std::vector<DirectoryCopy> All();
    // The newest record of the directory with this fingerprint, if any.
    bool Find(uint64_t digest, DirectoryCopy* copy);
    // The prints that the history of this player's directory `digest` knows
    // (SongPrints.h); empty when this PC keeps no record of it.
    PrintBook PrintsOfHistory(uint64_t digest);
    // The directories of that history, as far back as the records go; empty
    // when this PC keeps no record of it.
    std::set<uint64_t> DigestsOfHistory(uint64_t digest);
    std::string Path() const;
    CopyFolder& Folder() { return m_folder; }

private:
    struct Decoded {
        uint64_t closing = 0; // the fingerprint that ends the file
        DirectoryCopy copy;
    };
    CopyFolder& m_folder;
    std::map<std::string, Decoded> m_decoded;
};

// The file form of a record: a header, the 32768 directory bytes, a
// fingerprint of both. Records of the first form (no undo target, nothing
// released) are still read.
std::vector<uint8_t> EncodeDirectoryCopy(const DirectoryCopy& copy);
bool DecodeDirectoryCopy(const std::vector<uint8_t>& bytes, DirectoryCopy* copy);
