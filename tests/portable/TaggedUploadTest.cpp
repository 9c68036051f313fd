// Files as encoders write them, most with an ID3v2 tag in front: the list
// shows their audio, and the song stored is still the whole file.

#include <gtest/gtest.h>

#include <cstring>

#include "StoragePlayer.h"
#include "TempPath.h"
#include "TestFiles.h"
#include "commands/SongListContent.h"
#include "audio/AudioFrame.h"

namespace {

std::string DataFile(const std::string& name)
{
    return std::string(MELLIFON_TEST_DATA) + "/" + name;
}

std::vector<uint8_t> Tag(uint8_t version, uint8_t flags, uint32_t body, uint8_t fill = 'x')
{
    const uint8_t head[10] = {'I', 'D', '3', version, 0, flags, uint8_t((body >> 21) & 0x7F),
                              uint8_t((body >> 14) & 0x7F), uint8_t((body >> 7) & 0x7F), uint8_t(body & 0x7F)};
    std::vector<uint8_t> tag(10 + size_t(body), fill);
    std::copy(head, head + 10, tag.begin());
    return tag;
}

std::vector<uint8_t> Joined(std::initializer_list<std::vector<uint8_t>> parts)
{
    std::vector<uint8_t> all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

std::vector<uint8_t> WithoutTag(const std::vector<uint8_t>& file)
{
    const uint32_t length = Id3v2TagLength(file.data());
    return std::vector<uint8_t>(file.begin() + length, file.end());
}

uint32_t FirstFour(const std::vector<uint8_t>& bytes, size_t at = 0)
{
    return uint32_t(bytes[at]) << 24 | uint32_t(bytes[at + 1]) << 16 | uint32_t(bytes[at + 2]) << 8 | bytes[at + 3];
}

struct TaggedFiles : ::testing::Test {
    TaggedFiles() : folder("tagged") { std::filesystem::create_directories(folder.Path()); }

    // The header the upload takes for a file of these bytes.
    uint32_t HeaderFor(const std::vector<uint8_t>& bytes)
    {
        const std::string path = (folder.Path() / "song.mp3").string();
        WriteFile(path, bytes);
        std::FILE* file = std::fopen(path.c_str(), "rb");
        uint8_t header[4] = {};
        EXPECT_EQ(std::fread(header, 1, 4, file), 4u);
        FrameHeaderAfterTag(file, 0, header);
        std::fclose(file);
        return FirstFour(std::vector<uint8_t>(header, header + 4));
    }

    TempPath folder;
};

TEST_F(TaggedFiles, TheListShowsTheAudioOfWhatEncodersWrite)
{
    struct Case {
        const char* file;
        bool riff;
        std::array<std::string, 4> shown; // duration, format, bit rate, rate
    };
    const Case cases[] = {
        {"l3-mpeg1-44100-tagged.mp3", false, {"00:02", "MPEG-1 Layer 3", "32 Kbps", "44100 Hz"}},
        {"l3-mpeg1-44100.mp3", false, {"00:01", "MPEG-1 Layer 3", "32 Kbps", "44100 Hz"}},
        {"l3-mpeg2-22050-tagged.mp3", false, {"00:02", "MPEG-2 Layer 3", "16 Kbps", "22050 Hz"}},
        // MPEG-2.5 (sync 0xFFE) is read with the MPEG-2 rates, as the list reads every header.
        {"l3-mpeg25-11025-tagged.mp3", false, {"00:02", "MPEG-2 Layer 3", "8 Kbps", "22050 Hz"}},
        {"l2-mpeg2-24000-tagged.mp2", false, {"00:01", "MPEG-2 Layer 2", "32 Kbps", "24000 Hz"}},
        {"l2-mpeg1-48000.mp2", false, {"00:01", "MPEG-1 Layer 2", "32 Kbps", "48000 Hz"}},
        {"l3-mpeg1-44100-tagged.mp3", true, {"00:02", "MPEG-1 Layer 3", "32 Kbps", "44100 Hz"}},
    };
    StoragePlayer p;
    p.Reload();
    int slot = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + (c.riff ? " in a RIFF wrapper" : ""));
        const std::vector<uint8_t> song = ReadFile(DataFile(c.file));
        ASSERT_GT(song.size(), 2000u);
        const std::string path = (folder.Path() / c.file).string();
        WriteFile(path, c.riff ? RiffWrapped(song) : song);
        ASSERT_EQ(p.link->UploadSong(path.c_str()), 1);
        p.link->SaveDirectory();
        p.Reload();
        EXPECT_EQ(StoredSong(p, slot), song);
        const auto row = BuildSongListContent(p.Image(), p.ui.Names()).rows[size_t(slot)];
        EXPECT_EQ((std::array<std::string, 4>{row[kColumnDuration], row[kColumnFormat], row[kColumnBitrate],
                                              row[kColumnRate]}),
                  c.shown);
        ++slot;
    }
}

TEST_F(TaggedFiles, FootersGapsAndSecondTagsAreStepped)
{
    const auto audio = WithoutTag(ReadFile(DataFile("l3-mpeg1-44100-tagged.mp3")));
    const uint32_t first = FirstFour(audio);
    ASSERT_EQ(first, 0xFFFB10C4u);
    const std::vector<uint8_t> footer = {'3', 'D', 'I', 4, 0, 0x10, 0, 0, 0, 40};
    EXPECT_EQ(HeaderFor(Joined({Tag(4, 0x10, 40), footer, audio})), first);
    EXPECT_EQ(HeaderFor(Joined({Tag(3, 0, 300), Tag(4, 0, 20), audio})), first);
    // Padding the tag's size left out.
    EXPECT_EQ(HeaderFor(Joined({Tag(3, 0, 100), std::vector<uint8_t>(700, 0), audio})), first);
}

TEST_F(TaggedFiles, AfterAGapEachStreamIsFoundByItsNextFrame)
{
    for (const char* name : {"l3-mpeg1-44100-tagged.mp3", "l3-mpeg2-22050-tagged.mp3", "l3-mpeg25-11025-tagged.mp3",
                             "l2-mpeg2-24000-tagged.mp2"}) {
        SCOPED_TRACE(name);
        const auto audio = WithoutTag(ReadFile(DataFile(name)));
        // Junk that holds the stream's own header where no frame follows it.
        std::vector<uint8_t> junk(500, 0x55);
        std::memcpy(junk.data() + 100, audio.data(), 4);
        const auto file = Joined({Tag(3, 0, 64), junk, audio});
        EXPECT_EQ(HeaderFor(file), FirstFour(audio));
        // The second frame of the stream, after a first one cut short.
        const size_t second = FrameLength(FirstFour(audio));
        ASSERT_GT(second, 0u);
        ASSERT_TRUE(IsFrameHeader(FirstFour(audio, second)));
        const auto cut = Joined({Tag(3, 0, 64), std::vector<uint8_t>(audio.begin() + 1, audio.end())});
        EXPECT_EQ(HeaderFor(cut), FirstFour(audio, second));
    }
}

TEST_F(TaggedFiles, WithNoFrameAfterTheTagTheFirstBytesStay)
{
    const auto audio = WithoutTag(ReadFile(DataFile("l3-mpeg1-44100-tagged.mp3")));
    const auto tag = Tag(3, 0, 64);
    const uint32_t id3 = FirstFour(tag);
    EXPECT_EQ(HeaderFor(Joined({tag, std::vector<uint8_t>(4000, 0)})), id3);
    EXPECT_EQ(HeaderFor(tag), id3);
    // A tag that claims more than the file holds.
    auto oversized = Joined({tag, audio});
    oversized[7] = 0x7F;
    EXPECT_EQ(HeaderFor(oversized), id3);
    // Reserved codes, right where the audio should begin.
    for (uint32_t reserved : {0xFFEB10C4u, 0xFFF910C4u, 0xFFFBF0C4u, 0xFFFB1CC4u}) {
        SCOPED_TRACE(reserved);
        std::vector<uint8_t> bad = {uint8_t(reserved >> 24), uint8_t(reserved >> 16), uint8_t(reserved >> 8),
                                    uint8_t(reserved)};
        bad.resize(3000, 0);
        EXPECT_EQ(HeaderFor(Joined({tag, bad})), id3);
    }
    // Free format: taken where the tag ends, but nowhere after it.
    std::vector<uint8_t> free = {0xFF, 0xFB, 0x00, 0xC4};
    free.resize(3000, 0);
    EXPECT_EQ(HeaderFor(Joined({tag, free})), 0xFFFB00C4u);
    EXPECT_EQ(HeaderFor(Joined({tag, std::vector<uint8_t>(10, 0), free})), id3);
}

} // namespace
