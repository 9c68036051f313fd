#include "commands/SongListContent.h"

#include <algorithm>

#include "format/PageFormat.h"
#include "commands/DisplayText.h"
#include "format/DirectoryImage.h"
#include "format/SongName.h"

const std::array<const char*, kSongColumns> kSongColumnHeaders = {
    "Name", "No.", "Size", "Duration", "Format", "Bitrate", "Rate", "Date"};
const std::array<int, kSongColumns> kSongColumnDisplayOrder = {1, 0, 2, 3, 4, 5, 6, 7};

namespace {

std::array<std::string, kSongColumns> RowOf(DirectoryEntry entry, int slot, const SongNameText& names)
{
    std::array<std::string, kSongColumns> row;
    row[kColumnName] = names.Shown(entry.name());
    row[kColumnNumber] = std::to_string(slot + 1);
    row[kColumnSize] = FormatThousands(entry.size());
    const int kbps = DecodeAudioHeader(entry.audioHeaderBytes(), row[kColumnFormat], row[kColumnBitrate],
                                       row[kColumnRate]);
    row[kColumnDuration] = FormatDuration(entry.size(), kbps);
    row[kColumnDate] = FormatUploadTime(entry.uploadTime());
    return row;
}

std::string Bytes(unsigned blocks)
{
    return FormatThousands(static_cast<long long>(blocks) * kBlockSize);
}

}

SongListContent BuildSongListContent(DirectoryImage& image, const SongNameText& names)
{
    SongListContent content;
    const int rows = std::min<int>(image.entryCount(), kMaxSongRows);
    for (int slot = 0; slot < rows; ++slot)
        content.rows.push_back(RowOf(image.Entry(slot), slot, names));
    content.panes = {"Songs:" + std::to_string(image.entryCount()),
                     "Memory:" + Bytes(image.totalBlocks()), "Free:" + Bytes(image.freeBlocks()),
                     "Used:" + Bytes(image.usedBlocks())};
    return content;
}

std::array<std::string, 4> UnreadPanes()
{
    return {"Songs:-", "Memory:-", "Free:-", "Used:-"};
}
