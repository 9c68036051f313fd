// The rows and status texts the list shows for an image.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>

#include "commands/SongListContent.h"
#include "format/DirectoryImage.h"
#include "format/SongName.h"

namespace {

const Utf8SongNames kNames;

std::unique_ptr<DirectoryImage> ImageWith(int songs)
{
    auto image = std::make_unique<DirectoryImage>();
    image->SetEmpty();
    image->SetEntryCount(uint16_t(songs));
    for (int slot = 0; slot < std::min(songs, 60); ++slot) {
        DirectoryEntry e = image->Entry(slot);
        e.SetName("song " + std::string(1, char('A' + slot % 26)));
        e.SetSize(4000000);
        const uint8_t header[4] = {0xFF, 0xFB, 0x90, 0x64};
        e.SetAudioHeaderFromData(header);
        e.SetUploadTime(-1);
    }
    return image;
}

TEST(SongListContent, RowsInSlotOrderNumberedFromOne)
{
    auto image = ImageWith(3);
    image->Entry(1).SetAudioHeaderFromData(std::array<uint8_t, 4>{0, 0, 0, 0}.data());
    const SongListContent content = BuildSongListContent(*image, kNames);
    ASSERT_EQ(content.rows.size(), 3u);
    EXPECT_EQ(content.rows[0],
              (std::array<std::string, 8>{"song A", "1", "4,000,000", "04:04", "MPEG-1 Layer 3",
                                          "128 Kbps", "44100 Hz", "INVALID DATE/TIME"}));
    EXPECT_EQ(content.rows[1][kColumnNumber], "2");
    EXPECT_EQ(content.rows[1][kColumnDuration], "N/A");
    EXPECT_EQ(content.rows[1][kColumnFormat], "N/A");
    EXPECT_EQ(content.rows[2][kColumnName], "song C");
}

TEST(SongListContent, StatusTextsCountSongsAndBytes)
{
    auto image = ImageWith(0);
    SongListContent content = BuildSongListContent(*image, kNames);
    EXPECT_TRUE(content.rows.empty());
    EXPECT_EQ(content.panes,
              (std::array<std::string, 4>{"Songs:0", "Memory:33,554,432", "Free:33,554,432", "Used:0"}));

    image->SetUsedBlocks(10);
    image->SetFreeBlocks(1014);
    content = BuildSongListContent(*image, kNames);
    EXPECT_EQ(content.panes[2], "Free:33,226,752");
    EXPECT_EQ(content.panes[3], "Used:327,680");
}

TEST(SongListContent, AtMostSixtyRowsWhateverTheCountClaims)
{
    auto image = ImageWith(61);
    SongListContent content = BuildSongListContent(*image, kNames);
    EXPECT_EQ(content.rows.size(), 60u);
    EXPECT_EQ(content.panes[0], "Songs:61");
    image->SetEntryCount(65535);
    content = BuildSongListContent(*image, kNames);
    EXPECT_EQ(content.rows.size(), 60u);
    EXPECT_EQ(content.panes[0], "Songs:65535");
}

TEST(SongListContent, ColumnsAreShownWithTheNumberFirst)
{
    std::vector<std::string> shown;
    for (int column : kSongColumnDisplayOrder)
        shown.push_back(kSongColumnHeaders[column]);
    EXPECT_EQ(shown, (std::vector<std::string>{"No.", "Name", "Size", "Duration", "Format", "Bitrate",
                                               "Rate", "Date"}));
}

} // namespace
