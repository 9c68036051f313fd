// Songs back to disk, songs out of the directory, and what a damaged
// directory can and cannot make these operations do.

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>

#include "StoragePlayer.h"
#include "TempPath.h"
#include "TestFiles.h"
#include "storage/songs/DownloadFileName.h"
#include "storage/MessageText.h"
#include "storage/StorageTexts.h"

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#endif

namespace {

struct StoredSongs : ::testing::Test {
    StoredSongs() : folder("songs") { std::filesystem::create_directories(folder.Path()); }

    void Store(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        const std::string path = (folder.Path() / name).string();
        WriteFile(path, bytes);
        ASSERT_EQ(p.link->UploadSong(path.c_str()), 1);
        p.link->SaveDirectory();
        p.Reload();
        std::filesystem::remove(path);
        p.ui = ScriptedUi();
    }
    std::vector<uint8_t> Downloaded(const std::string& name)
    {
        return ReadFile((folder.Path() / name).string());
    }
    bool Exists(const std::string& name) { return std::filesystem::exists(folder.Path() / name); }
    std::vector<std::string> Files()
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder.Path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempPath folder;
    StoragePlayer p;
};

TEST_F(StoredSongs, DownloadsComeBackByteForByte)
{
    p.Reload();
    const auto full = Numbered(65536, 1), partial = Numbered(40000, 2);
    Store("full.mp3", full);
    Store("partial.mp3", partial);
    ASSERT_EQ(p.link->DownloadSong(1, folder.String()), 1);
    ASSERT_EQ(p.link->DownloadSong(2, folder.String()), 1);
    EXPECT_EQ(Downloaded("full.mp3"), full);
    EXPECT_EQ(Downloaded("partial.mp3"), partial);
    EXPECT_EQ(p.ui.Count(TransferKind::Download), 2);
    EXPECT_EQ(p.ui.barPositions.back(), 100);
    EXPECT_FALSE(p.player.InLinkMode());
    EXPECT_TRUE(p.player.ProtocolErrors().empty());

}

TEST_F(StoredSongs, ADownloadOverwritesAFileOnlyWhenTold)
{
    p.Reload();
    const auto song = Numbered(40000, 2), mine = Numbered(999, 3);
    Store("song.mp3", song);
    WriteFile((folder.Path() / "song.mp3").string(), mine);
    // The window asks: No keeps the file and writes the song beside it.
    p.ui.answerYes = false;
    ASSERT_EQ(p.link->DownloadSong(1, folder.String()), 1);
    ASSERT_EQ(p.ui.questions.size(), 1u);
    EXPECT_NE(p.ui.questions[0].find("exists already. Replace it?"), std::string::npos) << p.ui.questions[0];
    EXPECT_NE(p.ui.questions[0].find("song (2).mp3"), std::string::npos) << p.ui.questions[0];
    EXPECT_EQ(Downloaded("song.mp3"), mine);
    EXPECT_EQ(Downloaded("song (2).mp3"), song);
    // The tool keeps both without asking, and says where the song went.
    p.link->SetExistingFiles(ExistingFiles::KeepBoth);
    ASSERT_EQ(p.link->DownloadSong(1, folder.String()), 1);
    EXPECT_EQ(Downloaded("song (3).mp3"), song);
    EXPECT_EQ(p.ui.questions.size(), 1u);
    EXPECT_NE(p.ui.messages.back().find("song (3).mp3"), std::string::npos);
    p.link->SetExistingFiles(ExistingFiles::Replace);
    ASSERT_EQ(p.link->DownloadSong(1, folder.String()), 1);
    EXPECT_EQ(Downloaded("song.mp3"), song);
    EXPECT_EQ(NumberedFileName("a.b.mp3", 2), "a.b (2).mp3");
    EXPECT_EQ(NumberedFileName(".mp3", 4), ".mp3 (4)");
}

// A download takes the song's name only when whole: one stopped or failed
// leaves nothing, and a file that appeared meanwhile is replaced only when
// replacing was chosen.
TEST_F(StoredSongs, ADownloadTakesItsNameOnlyWhenWholeAndNeverOverAFileUnasked)
{
    p.Reload();
    const auto song = Numbered(3 * 32768, 5), mine = Numbered(999, 3);
    Store("song.mp3", song);
    p.ui.cancelAfterSteps = 2; // Ctrl+C, or the dialog's Cancel
    EXPECT_EQ(p.link->DownloadSong(1, folder.String()), 0);
    p.ui.cancelAfterSteps = -1;
    p.ui.beforeStep = [&](TransferKind, int step) { // the cable pulled
        if (step == 1)
            p.player.Faults().absent = true;
    };
    EXPECT_EQ(p.link->DownloadSong(1, folder.String()), 0);
    EXPECT_TRUE(Files().empty());

    p.player.Faults().absent = false;
    const std::string path = (folder.Path() / "song.mp3").string();
    p.ui.beforeStep = [&](TransferKind, int step) {
        if (step == 1)
            WriteFile(path, mine);
    };
    p.link->SetExistingFiles(ExistingFiles::KeepBoth);
    ASSERT_EQ(p.link->DownloadSong(1, folder.String()), 1);
    EXPECT_EQ(Files(), (std::vector<std::string>{"song (2).mp3", "song.mp3"}));
    EXPECT_EQ(Downloaded("song.mp3"), mine);
    EXPECT_EQ(Downloaded("song (2).mp3"), song);
    p.link->SetExistingFiles(ExistingFiles::Replace);
    ASSERT_EQ(p.link->DownloadSong(1, folder.String()), 1);
    EXPECT_EQ(Downloaded("song.mp3"), song);
    EXPECT_EQ(Files().size(), 2u);
}

TEST_F(StoredSongs, ADownloadFollowsTheChainNotTheBlockNumbers)
{
    p.Reload();
    Store("a", Numbered(32768, 1));
    Store("b", Numbered(32768, 2));
    Store("c", Numbered(3 * 32768, 3)); // blocks 3, 4, 5
    // Removing a leaves a hole at block 1; a song of three blocks fills it
    // and then continues after c.
    ASSERT_EQ(p.link->RemoveSong(0), 1);
    p.link->SaveDirectory();
    const auto d = Numbered(3 * 32768, 4);
    Store("d", d);
    DirectoryEntry e = p.Image().Entry(2);
    EXPECT_EQ(e.firstBlock(), 1);
    EXPECT_EQ(p.Image().blockLink(1), 6);
    ASSERT_EQ(p.link->DownloadSong(3, folder.String()), 1);
    EXPECT_EQ(Downloaded("d"), d);
    EXPECT_EQ(BrokenInvariant(p.Image()), "");
}

TEST_F(StoredSongs, DownloadNumbersOutsideTheSongsFail)
{
    p.Reload();
    Store("only", Numbered(10));
    EXPECT_EQ(p.link->DownloadSong(0, folder.String()), 0);
    EXPECT_EQ(p.link->DownloadSong(2, folder.String()), 0);
    p.Image().SetEntryCount(200); // damaged
    EXPECT_EQ(p.link->DownloadSong(61, folder.String()), 0);
    EXPECT_TRUE(p.ui.transfers.empty());
}

TEST_F(StoredSongs, ASongOfNoBlocksWritesNothingAndWaitsForCancel)
{
    p.Reload();
    Store("empty", Numbered(10));
    p.Image().Entry(0).SetBlockCount(0);
    EXPECT_EQ(p.link->DownloadSong(1, folder.String()), 0);
    EXPECT_TRUE(Files().empty());
    EXPECT_EQ(p.ui.stepsRun, 0);
}

TEST_F(StoredSongs, DamagedChainsEndTheDownloadAndStayInsideTheImage)
{
    p.Reload();
    Store("song", Numbered(3 * 32768));
    DirectoryEntry e = p.Image().Entry(0);

    e.SetFirstBlock(0xFFF0); // beyond the tables
    EXPECT_EQ(p.link->DownloadSong(1, folder.String()), 0);

    e.SetFirstBlock(1);
    p.Image().SetBlockLink(1, 9000); // the chain leaves the tables
    EXPECT_EQ(p.link->DownloadSong(1, folder.String()), 0);

    p.Image().SetBlockLink(1, 2);
    p.Image().SetBlockLink(2, 1); // a loop
    e.SetBlockCount(60000);
    EXPECT_EQ(p.link->DownloadSong(1, folder.String()), 0);
    EXPECT_TRUE(Files().empty()); // no song cut short under its name
}

TEST_F(StoredSongs, ADamagedEntryGivesTheSizeTheListShowsOrNothing)
{
    p.Reload();
    Store("song", Numbered(1000));
    p.Image().Entry(0).SetLastBlockBytes(50000);
    p.Image().Entry(0).SetBlockCount(2);
    EXPECT_EQ(p.link->DownloadSong(1, folder.String()), 1);
    EXPECT_EQ(Downloaded("song"), Numbered(1000));

    p.Image().Entry(0).SetSize(40000); // more than its one block can hold
    p.Image().Entry(0).SetBlockCount(1);
    p.ui.messages.clear();
    EXPECT_EQ(p.link->DownloadSong(1, folder.String()), 0);
    EXPECT_EQ(p.ui.messages, std::vector<std::string>{WithName(kSizeBeyondChain, "song")});
}

TEST_F(StoredSongs, RemovingTheOnlySongEmptiesTheDirectory)
{
    p.Reload();
    Store("only", Numbered(70000));
    ASSERT_EQ(p.link->RemoveSong(0), 1);
    EXPECT_EQ(p.Image().entryCount(), 0);
    EXPECT_EQ(p.Image().freeBlocks(), 1024);
    EXPECT_EQ(p.Image().blockUse(0), 0xFF);
    EXPECT_EQ(BrokenInvariant(p.Image()), "");
}

TEST_F(StoredSongs, RemovingASongClosesTheGap)
{
    p.Reload();
    Store("a", Numbered(70000, 1)); // 3 blocks
    Store("b", Numbered(10, 2));
    Store("c", Numbered(10, 3));
    const uint16_t used = p.Image().usedBlocks();
    ASSERT_EQ(p.link->RemoveSong(0), 1);
    EXPECT_EQ(p.Image().entryCount(), 2);
    EXPECT_EQ(p.Image().Entry(0).name(), "b");
    EXPECT_EQ(p.Image().Entry(1).name(), "c");
    EXPECT_EQ(p.Image().usedBlocks(), used - 3);
    EXPECT_EQ(BrokenInvariant(p.Image()), "");
    EXPECT_EQ(p.link->RemoveSong(2), 0);
}

TEST_F(StoredSongs, DamagedDirectoriesMakeRemovalFailNotWander)
{
    p.Reload();
    Store("a", Numbered(70000, 1));
    Store("b", Numbered(70000, 2));

    p.Image().SetBlockLink(p.Image().Entry(0).firstBlock(), 0xFFFF); // leaves the tables
    EXPECT_EQ(p.link->RemoveSong(0), 0);

    p.Reload();
    const unsigned first = p.Image().Entry(1).firstBlock();
    p.Image().SetBlockLink(first, uint16_t(first)); // a loop
    EXPECT_EQ(p.link->RemoveSong(1), 0);

    p.Reload();
    p.Image().SetEntryCount(61);
    EXPECT_EQ(p.link->RemoveSong(0), 0);
}

TEST(DownloadFileName, PlainNamesStayAndEverythingElseStaysInTheFolder)
{
    EXPECT_EQ(DownloadFileName("My Song (live).mp3", 1), "My Song (live).mp3");
    EXPECT_EQ(DownloadFileName("..\\..\\x", 1), ".._.._x");
    EXPECT_EQ(DownloadFileName("C:\\Windows\\win.ini", 1), "C__Windows_win.ini");
    EXPECT_EQ(DownloadFileName("/etc/passwd", 1), "_etc_passwd");
    EXPECT_EQ(DownloadFileName("a<b>c:d\"e|f?g*h", 1), "a_b_c_d_e_f_g_h");
    EXPECT_EQ(DownloadFileName(std::string("tab\there\x01"), 1), "tab_here_");
    EXPECT_EQ(DownloadFileName("LPT1", 1), "_LPT1");
    EXPECT_EQ(DownloadFileName("con.mp3", 1), "_con.mp3");
    EXPECT_EQ(DownloadFileName("Nul", 1), "_Nul");
    EXPECT_EQ(DownloadFileName("COM9.txt", 1), "_COM9.txt");
    EXPECT_EQ(DownloadFileName("COM0", 1), "COM0");
    EXPECT_EQ(DownloadFileName("CONSOLE.mp3", 1), "CONSOLE.mp3");
    EXPECT_EQ(DownloadFileName("", 7), "song7");
    EXPECT_EQ(DownloadFileName("..", 3), "song3");
}

TEST_F(StoredSongs, ASongNamedLikeAPathIsWrittenInsideTheFolder)
{
    p.Reload();
    Store("x", Numbered(10));
    p.Image().Entry(0).SetName("../escaped");
    ASSERT_EQ(p.link->DownloadSong(1, folder.String()), 1);
    EXPECT_TRUE(Exists(".._escaped"));
    EXPECT_FALSE(std::filesystem::exists(folder.Path().parent_path() / "escaped"));
}

#ifndef _WIN32
// The disk fills after the first block (a limit on the size of this
// process's files stands in for it); and a name held by something that is no
// plain file is not replaced, even when replacing was chosen.
TEST_F(StoredSongs, AFullDiskIsAFailedDownload)
{
    p.Reload();
    Store("full", Numbered(40000));
    rlimit before{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit full = before;
    full.rlim_cur = 32768;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &full), 0);
    const int downloaded = p.link->DownloadSong(1, folder.String());
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(downloaded, 0);
    EXPECT_EQ(p.ui.messages.back().rfind("Writing the file", 0), 0u) << p.ui.messages.back();
    EXPECT_TRUE(Files().empty());

    const std::string pipe = (folder.Path() / "full").string();
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    p.link->SetExistingFiles(ExistingFiles::Replace);
    EXPECT_EQ(p.link->DownloadSong(1, folder.String()), 0);
    EXPECT_EQ(Files(), std::vector<std::string>{"full"});
    EXPECT_TRUE(std::filesystem::is_fifo(pipe));
}
#endif

// Block 0 never follows another block; a damaged but sealed directory may
// still claim it does, or mark it free while songs are stored.
TEST_F(StoredSongs, BlockZeroIsNeverSongData)
{
    p.Reload();
    const auto first = Numbered(70000, 1), second = Numbered(5000, 2), third = Numbered(100, 3);
    Store("first.mp3", first);
    Store("second.mp3", second);
    DirectoryImage& image = p.Image();

    // A chain that runs into block 0 is not freed there, nor downloaded from it.
    const unsigned middle = image.blockLink(image.Entry(0).firstBlock());
    image.SetBlockLink(middle, 0);
    EXPECT_EQ(p.link->RemoveSong(0), 0);
    EXPECT_EQ(image.blockUse(0), 0x00);
    EXPECT_EQ(p.link->DownloadSong(1, folder.String()), 0);
    EXPECT_EQ(p.ui.messages.back(), WithName(kChainBroken, "first.mp3"));
    EXPECT_TRUE(Files().empty());

    // With block 0 marked free, an upload still leaves it to the directory.
    p.Reload();
    image.SetBlockUse(0, 0xFF);
    p.ui = ScriptedUi();
    Store("third.mp3", third);
    EXPECT_NE(p.Image().Entry(2).firstBlock(), 0);
    EXPECT_EQ(StoredSong(p, 0), first);
    EXPECT_EQ(StoredSong(p, 1), second);
    EXPECT_EQ(StoredSong(p, 2), third);
}

TEST_F(StoredSongs, NoSongIsWrittenBeyondThePlayersMemory)
{
    p.Reload();
    DirectoryImage& image = p.Image();
    image.SetTotalBlocks(5000); // damaged upward
    image.SetFreeBlocks(4000);
    for (unsigned block = 1; block < 1024; ++block)
        image.SetBlockUse(block, 0x00);
    p.player.ClearLogs();
    const std::string path = (folder.Path() / "song").string();
    WriteFile(path, Numbered(1000));
    EXPECT_EQ(p.link->UploadSong(path.c_str()), 0);
    EXPECT_EQ(p.ui.messages, std::vector<std::string>{kNoFreeFirstBlock});
    EXPECT_TRUE(p.player.Operations().empty()); // block 1024 would have been block 0
}

} // namespace
