// What the player plays, judged by content; the tags of MPEG files, read and
// left out; song names cut at a character.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "TempPath.h"
#include "TestFiles.h"
#include "audio/AudioFile.h"
#include "audio/MpegContent.h"
#include "audio/PlayerFormats.h"
#include "audio/TagStrip.h"
#include "audio/Tags.h"
#include "commands/FileSongName.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }
Bytes Text(const char* s, size_t n) { return Bytes(s, s + n); }

Bytes SyncSafe(uint32_t n) { return {uint8_t(n >> 21 & 0x7F), uint8_t(n >> 14 & 0x7F), uint8_t(n >> 7 & 0x7F), uint8_t(n & 0x7F)}; }
Bytes BigEndian(uint32_t n, int bytes)
{
    Bytes out;
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(uint8_t(n >> (8 * i)));
    return out;
}
Bytes LittleEndian(uint32_t n) { return {uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)}; }

// An ID3v2 frame of version 2, 3 or 4, and the tag around frames.
Bytes Frame(int version, const std::string& id, const Bytes& body, uint8_t format = 0)
{
    if (version == 2)
        return Text(id) + BigEndian(uint32_t(body.size()), 3) + body;
    return Text(id) + (version == 4 ? SyncSafe(uint32_t(body.size())) : BigEndian(uint32_t(body.size()), 4)) +
           Bytes{0, format} + body;
}
// Flag 0x80: unsynchronised, a 0x00 after every 0xFF.
Bytes Tag(int version, const Bytes& frames, uint8_t flags = 0, size_t padding = 0)
{
    Bytes body;
    for (uint8_t b : frames + Bytes(padding, 0)) {
        body.push_back(b);
        if (b == 0xFF && (flags & 0x80))
            body.push_back(0);
    }
    return Text("ID3") + Bytes{uint8_t(version), 0, flags} + SyncSafe(uint32_t(body.size())) + body;
}

std::string Write(const TempPath& folder, const std::string& name, const Bytes& bytes)
{
    std::filesystem::create_directories(folder.Path());
    const std::string path = (folder.Path() / name).string();
    WriteFile(path, bytes);
    return path;
}

uint32_t Header(uint32_t versionCode, uint32_t layerCode, uint32_t rateIndex)
{
    return 0xFFE00000u | versionCode << 19 | layerCode << 17 | 1u << 16 | rateIndex << 12;
}

}

TEST(PlayerFormats, TheTableHoldsLayersTwoAndThreeAndMpeg25LayerThreeOnly)
{
    struct Case {
        uint32_t version, layer;
        bool plays;
    } cases[] = {
        {3, 3, false}, {3, 2, true}, {3, 1, true},  // MPEG-1 Layers 1, 2, 3
        {2, 3, false}, {2, 2, true}, {2, 1, true},  // MPEG-2
        {0, 3, false}, {0, 2, false}, {0, 1, true}, // MPEG-2.5
    };
    for (const Case& c : cases) {
        MpegStream stream;
        ASSERT_TRUE(DescribeFrameHeader(Header(c.version, c.layer, 8), &stream));
        EXPECT_EQ(PlayerPlays(stream), c.plays) << StreamText(stream);
        ASSERT_TRUE(DescribeFrameHeader(Header(c.version, c.layer, 0), &stream));
        EXPECT_FALSE(PlayerPlays(stream)) << "free format: " << StreamText(stream);
    }
    MpegStream stream;
    EXPECT_FALSE(DescribeFrameHeader(Header(1, 1, 8), &stream)); // reserved version
    ASSERT_TRUE(DescribeFrameHeader(0xFFE38000u | 0xC0, &stream));
    EXPECT_EQ(StreamText(stream), "MPEG-2.5 Layer 3, 64 kbps, 11025 Hz");
    EXPECT_TRUE(stream.mono);
}

TEST(MpegContent, AFrameCountsOnlyWhenTheFramesAfterItConfirmIt)
{
    TempPath folder("content");
    const Bytes frames = Mp3Frames(4);
    struct Case {
        const char* what;
        Bytes bytes;
        long first; // -1: no MPEG audio
    } cases[] = {
        {"frames", frames, 0},
        {"one whole frame", Mp3Frames(1), 0},
        {"a tag, a gap, frames", Tag(3, Frame(3, "TIT2", Text("\x03x"))) + Bytes(700, 0) + frames, 10 + 12 + 700},
        {"junk before frames", Bytes(300, 0x55) + frames, 300},
        {"a lone header in junk", Bytes{0xFF, 0xFB, 0x90, 0x64} + Numbered(5000), -1},
        {"a first frame cut short", Bytes(frames.begin(), frames.begin() + 300), -1},
        {"text", Text("just some words, named .mp3\n"), -1},
        {"frames beyond the window after no tag", Bytes(5000, 0x55) + frames, -1},
        {"a RIFF wrapper", RiffWrapped(frames), 72},
    };
    for (const Case& c : cases) {
        const std::string path = Write(folder, "f.mp3", c.bytes);
        std::FILE* file = std::fopen(path.c_str(), "rb");
        MpegContent content;
        const bool found = FindMpegContent(file, c.bytes.size(), &content);
        std::fclose(file);
        EXPECT_EQ(found ? long(content.firstFrame) : -1, c.first) << c.what;
        if (found) {
            EXPECT_EQ(content.header, 0xFFFB9064u) << c.what;
        }
    }
}

TEST(Tags, EveryVersionGivesArtistAndTitleAndTheFramesComeOutByteForByte)
{
    TempPath folder("tags");
    const Bytes audio = Mp3Frames(5);
    const Bytes picture = Bytes{0} + Text("image/jpeg") + Bytes{0, 3, 0} + Numbered(40000);
    // UTF-16 with a byte-order mark: "Ça" as little-endian.
    const Bytes utf16 = {1, 0xFF, 0xFE, 0xC7, 0x00, 'a', 0x00, 0, 0};
    struct Case {
        const char* what;
        Bytes before, after;
        std::string artist, title;
        uint64_t pictures;
    } cases[] = {
        {"2.2", Tag(2, Frame(2, "TT2", Text("\x00Title two", 10)) + Frame(2, "TP1", Text("\x00" "Art\xE9", 5))), {},
         "Art\xC3\xA9", "Title two", 0},
        {"2.3, unsynchronised, with a picture",
         Tag(3, Frame(3, "APIC", picture) + Frame(3, "TIT2", utf16) + Frame(3, "TPE1", Text("\x00One\xFF", 5)), 0x80, 100), {},
         "One\xC3\xBF", "\xC3\x87" "a", 10 + picture.size()},
        {"2.4, a data length indicator, a second older tag",
         Tag(4, Frame(4, "TPE1", Bytes{0, 0, 0, 5} + Text("\x03" "Four"), 0x01) + Frame(4, "TIT2", Text("\x03T\xC3\xADtulo"))) +
             Tag(3, Frame(3, "TIT2", Text("\x00Old", 4))),
         {}, "Four", "T\xC3\xADtulo", 0},
        {"ID3v1 and APE at the end", {},
         Text("APETAGEX") + LittleEndian(2000) + LittleEndian(32 + 8 + 6 + 5) + LittleEndian(1) + LittleEndian(0) +
             Bytes(8, 0) + LittleEndian(5) + LittleEndian(0) + Text("Title") + Bytes{0} + Text("Apple"),
         "", "Apple", 0},
    };
    // The APE tag above has its items before its footer; put them right.
    Bytes& ape = cases[3].after;
    ape = Bytes(ape.begin() + 32, ape.end()) + Bytes(ape.begin(), ape.begin() + 32);
    Bytes v1 = Text("TAG") + Text("Old title") + Bytes(21, 0) + Text("Artist one") + Bytes(20, ' ');
    v1.resize(128, 0);
    ape = ape + v1;
    cases[3].artist = "Artist one";

    for (const Case& c : cases) {
        const Bytes file = c.before + audio + c.after;
        const std::string path = Write(folder, "t.mp3", file);
        const AudioFileFacts facts = ExamineAudioFile(path);
        EXPECT_EQ(facts.kind, AudioKind::PlayerPlays) << c.what;
        EXPECT_EQ(facts.tags.artist, c.artist) << c.what;
        EXPECT_EQ(facts.tags.title, c.title) << c.what;
        EXPECT_EQ(facts.tags.pictureBytes, c.pictures) << c.what;
        EXPECT_EQ(facts.content.firstFrame, c.before.size()) << c.what;
        EXPECT_EQ(facts.tags.trailingBytes, c.after.size()) << c.what;
        const std::string stripped = (folder.Path() / "s.mp3").string();
        std::string problem;
        ASSERT_TRUE(CopyAudioFrames(path, facts.content.firstFrame, facts.framesEnd, stripped, &problem)) << problem;
        EXPECT_EQ(ReadFile(stripped), audio) << c.what;
    }
}

TEST(Tags, DamagedTagsGiveWhatCanBeReadAndNeverReadPastTheFile)
{
    TempPath folder("bad-tags");
    const Bytes audio = Mp3Frames(3);
    // A frame that claims more than its tag, a tag that claims more than the file.
    const Bytes overlong = Tag(3, Frame(3, "TIT2", Text("\x00" "Fine", 5)) + Text("TPE1") + BigEndian(1000000, 4) + Bytes{0, 0});
    Bytes beyond = Tag(3, Frame(3, "TIT2", Text("\x00X", 2)));
    beyond[9] = 0x7F;
    for (const Bytes& file : {overlong + audio, beyond + audio, Text("APETAGEX") + Bytes(24, 0xFF)}) {
        const std::string path = Write(folder, "d.mp3", file);
        std::FILE* f = std::fopen(path.c_str(), "rb");
        const SongTags tags = ReadMpegTags(f, path, file.size());
        std::fclose(f);
        EXPECT_LE(tags.leadingBytes + tags.trailingBytes, file.size());
    }
    const std::string path = Write(folder, "o.mp3", overlong + audio);
    std::FILE* f = std::fopen(path.c_str(), "rb");
    EXPECT_EQ(ReadMpegTags(f, path, overlong.size() + audio.size()).title, "Fine");
    std::fclose(f);
}

TEST(SongName, NamesAreCutAtACharacterBoundary)
{
    const std::string euro = "\xE2\x82\xAC"; // three bytes in UTF-8
    std::string name(97, 'a');
    EXPECT_EQ(CutAtCharacter(name + euro, 99), name);
    EXPECT_EQ(CutAtCharacter(name + "b" + euro, 99), name + "b");
    EXPECT_EQ(CutAtCharacter("ab" + euro, 99), "ab" + euro);
    // Not UTF-8 (Windows-1252): a byte is a character.
    const std::string latin(120, '\xE9');
    EXPECT_EQ(CutAtCharacter(latin, 99), latin.substr(0, 99));
    EXPECT_EQ(WithoutExtension("song.live.flac"), "song.live");
    EXPECT_EQ(WithoutExtension(".hidden"), ".hidden");
    EXPECT_EQ(NameFromTags("A", "B\nC"), "A - B C");
    EXPECT_EQ(NameFromTags("", "B"), "");
}
