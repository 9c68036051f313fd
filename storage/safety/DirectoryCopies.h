#pragma once
// The PC's copies of the player's directory: one file per save, written
// before block 0 is erased, so that an interrupted save can be finished and
// a change taken back. Each copy says what it replaced (by fingerprint), so
// the copies of one player form a history even when several players and
// several programs share the folder.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "storage/format/DirectoryImage.h"

class CopyFolder;

struct DirectoryCopy {
    uint32_t sequence = 0;       // the order of saving, on this PC
    uint64_t digest = 0;         // of the sealed directory
    uint64_t replacesDigest = 0; // of the directory the save replaced; 0 when unknown
    uint16_t shadowBlock = DirectoryImage::kNoBlock; // where its shadow went on the player
    std::string change;          // what the save was for, as the user named it
    // Per slot, the print of the song's data as this PC wrote it (SongPrint);
    // 0 when not known. It tells a song from another one put in its blocks.
    std::array<uint32_t, DirectoryImage::kEntrySlots> prints{};
    std::shared_ptr<const DirectoryImage> image;
};

// What a song's blocks carry: the checksums of their first pages, in chain
// order, folded into 32 bits that are never 0.
uint32_t SongPrint(const std::vector<uint16_t>& firstPageChecksums);

// What tells one stored song from another in two directories: where it
// starts, its length in blocks and bytes, and when it was uploaded.
using SongKey = std::array<uint32_t, 4>;
SongKey KeyOf(const DirectoryEntry& entry);

// The print a copy gives the song with this key, or 0.
uint32_t PrintIn(const DirectoryCopy& copy, const SongKey& key);

class DirectoryCopies {
public:
    static constexpr int kKept = 40;

    explicit DirectoryCopies(CopyFolder& folder) : m_folder(folder) {}

    // Writes the copy durably with the next sequence number, then lets the
    // oldest go beyond kKept. False with a reason when it could not be written.
    bool Keep(DirectoryCopy& copy, std::string* error);
    // Every readable copy, newest first; damaged files are passed over.
    std::vector<DirectoryCopy> All();
    // The newest copy of the directory with this fingerprint, if any.
    bool Find(uint64_t digest, DirectoryCopy* copy);
    std::string Path() const;

private:
    CopyFolder& m_folder;
};

// The file form of a copy: a header, the 32768 directory bytes, a fingerprint of both.
std::vector<uint8_t> EncodeDirectoryCopy(const DirectoryCopy& copy);
bool DecodeDirectoryCopy(const std::vector<uint8_t>& bytes, DirectoryCopy* copy);
