#pragma once
// What the song list shows: one row of eight texts per directory slot, in
// slot order, and the four counter texts of the status bar.

#include <array>
#include <string>
#include <vector>

class DirectoryImage;
class SongNameText;

enum SongColumn {
    kColumnName,
    kColumnNumber,
    kColumnSize,
    kColumnDuration,
    kColumnFormat,
    kColumnBitrate,
    kColumnRate,
    kColumnDate,
    kSongColumns
};

// Headers by column index, and the order in which the columns are shown.
extern const std::array<const char*, kSongColumns> kSongColumnHeaders;
extern const std::array<int, kSongColumns> kSongColumnDisplayOrder;

constexpr int kMaxSongRows = 60;

struct SongListContent {
    std::vector<std::array<std::string, kSongColumns>> rows;
    // "Songs:", "Memory:", "Free:", "Used:" for status panes 1 to 4.
    std::array<std::string, 4> panes;
};

// Names as `names` shows them.
SongListContent BuildSongListContent(DirectoryImage& image, const SongNameText& names);

// The panes after a load that did not read the player: no figures, rather
// than an empty 32 MiB player's that nothing on the port has said.
std::array<std::string, 4> UnreadPanes();
