// What an upload's items stand for: a playlist its files, in its order, its
// relative paths taken against its own folder; a folder its audio files by
// their track-number tags, then by name, then its folders.

#include <gtest/gtest.h>

#include <filesystem>

#include "TempPath.h"
#include "TestFiles.h"
#include "link/DeviceLink.h"
#include "playlist/PlaylistText.h"
#include "playlist/UploadItems.h"

namespace {

// An ID3v2.3 tag with one text frame, then MPEG audio frames.
std::vector<uint8_t> Tagged(const std::string& frameId, const std::string& text)
{
    std::vector<uint8_t> frame(frameId.begin(), frameId.end());
    const uint32_t size = uint32_t(text.size() + 1);
    frame.insert(frame.end(), {uint8_t(size >> 24), uint8_t(size >> 16), uint8_t(size >> 8), uint8_t(size), 0, 0, 0});
    frame.insert(frame.end(), text.begin(), text.end());
    std::vector<uint8_t> bytes = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, uint8_t(frame.size())};
    bytes.insert(bytes.end(), frame.begin(), frame.end());
    const std::vector<uint8_t> audio = Mp3Frames(20);
    bytes.insert(bytes.end(), audio.begin(), audio.end());
    return bytes;
}

struct Items : ::testing::Test {
    Items() : root("items") { std::filesystem::create_directories(root.Path()); }

    std::string Put(const std::string& relative, const std::vector<uint8_t>& bytes)
    {
        const std::filesystem::path path = root.Path() / relative;
        std::filesystem::create_directories(path.parent_path());
        WriteFile(path.string(), bytes);
        return path.string();
    }
    std::string Put(const std::string& relative, const std::string& text)
    {
        return Put(relative, std::vector<uint8_t>(text.begin(), text.end()));
    }
    std::vector<std::string> Expand(const std::vector<std::string>& items)
    {
        result = ExpandUploadItems(items, SystemPlaylistText());
        std::vector<std::string> names;
        for (const AudioFileFacts& file : result.files)
            names.push_back(std::filesystem::path(file.path).lexically_normal().lexically_relative(root.Path()).generic_string());
        return names;
    }

    TempPath root;
    UploadItems result;
};

}

TEST_F(Items, APlaylistStandsForItsFilesInItsOrderFromItsOwnFolder)
{
    const std::vector<uint8_t> song = Mp3Frames(10);
    Put("music/a.mp3", song);
    Put("music/b.mp3", song);
    Put("lists/sub/c.mp3", song);
    Put("lists/sub/d.mp3", song);
    Put("lists/other.m3u", "sub\\d.mp3\n"); // written on Windows
    const std::string a = (root.Path() / "music" / "a.mp3").string();
    const std::string list = Put("lists/mix.m3u8", "\xEF\xBB\xBF#EXTM3U\r\n#EXTINF:12,Artist - Title\r\n../music/b.mp3\r\n"
                                                   "  sub/c.mp3  \r\n\r\n" + a + "\r\nother.m3u\r\nhttp://radio.example/live\r\n"
                                                   "gone.mp3\r\n");
    EXPECT_EQ(Expand({list}), (std::vector<std::string>{"music/b.mp3", "lists/sub/c.mp3", "music/a.mp3",
                                                        "lists/sub/d.mp3", "lists/gone.mp3"}));
    // A file the list names that is not there stays, for the plan to say so.
    EXPECT_EQ(result.files.back().kind, AudioKind::Unreadable);
    EXPECT_EQ(result.notes, (std::vector<std::string>{"http://radio.example/live: a web address, not a file on this PC; left out"}));
    EXPECT_TRUE(result.problems.empty());

    Expand({(root.Path() / "lists" / "missing.m3u").string()});
    EXPECT_TRUE(result.files.empty());
    EXPECT_EQ(result.problems.size(), 1u);
}

#ifndef _WIN32
TEST_F(Items, AnM3uFromWindowsIsReadInItsCodePageAndAnM3u8InUtf8)
{
    const std::vector<uint8_t> song = Mp3Frames(10);
    Put("Café.mp3", song);
    Put("日本.mp3", song);
    const std::string m3u = Put("w.m3u", "Caf\xE9.mp3\n");
    const std::string m3u8 = Put("u.m3u8", "日本.mp3\nCafé.mp3\n");
    EXPECT_EQ(Expand({m3u, m3u8}), (std::vector<std::string>{"Café.mp3", "日本.mp3", "Café.mp3"}));
    EXPECT_EQ(result.files[0].kind, AudioKind::PlayerPlays);
}
#endif

TEST_F(Items, AFolderStandsForItsAudioFilesByTrackNumberThenByNameThenItsFolders)
{
    Put("album/01 Intro.mp3", Tagged("TRCK", "3"));
    Put("album/02 Song.mp3", Tagged("TRCK", "1/12"));
    Put("album/10 End.mp3", Tagged("TRCK", "2"));
    Put("album/Bonus 10.mp3", Mp3Frames(10));
    Put("album/Bonus 2.mp3", Mp3Frames(10));
    Put("album/cover.jpg", "not a song at all");
    Put("album/album.m3u", "01 Intro.mp3\n");
    Put("album/.hidden.mp3", Mp3Frames(10));
    Put("album/CD 2/b.mp3", Tagged("TPOS", "2"));
    Put("album/CD 2/a.mp3", Mp3Frames(10));
    const std::string album = (root.Path() / "album").string();
    EXPECT_EQ(Expand({album}), (std::vector<std::string>{"album/02 Song.mp3", "album/10 End.mp3", "album/01 Intro.mp3",
                                                         "album/Bonus 2.mp3", "album/Bonus 10.mp3", "album/CD 2/a.mp3",
                                                         "album/CD 2/b.mp3"}));
    ASSERT_EQ(result.notes.size(), 1u);
    EXPECT_NE(result.notes[0].find("cover.jpg: left out, "), std::string::npos) << result.notes[0];
}
