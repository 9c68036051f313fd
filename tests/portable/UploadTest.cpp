// Storing files as songs: what is stored, where, and what each refusal leaves.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "StoragePlayer.h"
#include "TempPath.h"
#include "TestFiles.h"
#include "storage/MessageText.h"
#include "storage/StorageTexts.h"
#include "storage/songs/Upload.h"

namespace {

struct UploadFixture : ::testing::Test {
    UploadFixture() : folder("upload") { std::filesystem::create_directories(folder.Path()); }

    std::string File(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        const std::string path = (folder.Path() / name).string();
        WriteFile(path, bytes);
        return path;
    }
    std::unique_ptr<DirectoryImage> Snapshot() { return std::make_unique<DirectoryImage>(p.Image()); }
    bool Unchanged(const DirectoryImage& before)
    {
        return std::memcmp(before.Bytes(), p.Image().Bytes(), DirectoryImage::kSize) == 0;
    }
    // Upload, then save, then read back from the player, as the commands do.
    int Store(const std::string& path)
    {
        const int result = p.link->UploadSong(path.c_str());
        if (result) {
            p.link->SaveDirectory();
            p.Reload();
        }
        return result;
    }

    TempPath folder;
    StoragePlayer p;
};

TEST_F(UploadFixture, TheFirstSongTakesTheDirectoryBlockAndStartsAtBlockOne)
{
    p.Reload();
    const auto song = Mp3Frames(200); // 83,400 bytes: three blocks
    const std::string path = File("first song.mp3", song);
    ASSERT_EQ(Store(path), 1);

    DirectoryEntry e = p.Image().Entry(0);
    EXPECT_EQ(p.Image().entryCount(), 1);
    EXPECT_EQ(e.firstBlock(), 1);
    EXPECT_EQ(e.blockCount(), 3);
    EXPECT_EQ(e.size(), song.size());
    EXPECT_EQ(e.lastBlockBytes(), song.size() % 32768);
    EXPECT_EQ(e.name(), "first song.mp3");
    EXPECT_EQ(e.audioHeader(), 0xFFFB9064u);
    EXPECT_EQ(p.Image().usedBlocks(), 4);
    EXPECT_EQ(p.Image().freeBlocks(), 1020);
    EXPECT_EQ(p.Image().blockLink(1), 2);
    EXPECT_EQ(p.Image().blockLink(3), 0);
    EXPECT_EQ(StoredSong(p, 0), song);
    EXPECT_EQ(BrokenInvariant(p.Image()), "");
    EXPECT_EQ(BadSpareBytes(p), "");
    EXPECT_TRUE(p.player.ProtocolErrors().empty());
    EXPECT_EQ(p.ui.Count(TransferKind::Upload), 1);
    EXPECT_EQ(p.ui.barPositions[0], 0);
}

TEST_F(UploadFixture, SizesAtTheBlockEdges)
{
    p.Reload();
    const auto exact = Numbered(65536);
    ASSERT_EQ(Store(File("exact", exact)), 1);
    EXPECT_EQ(p.Image().Entry(0).blockCount(), 2);
    EXPECT_EQ(p.Image().Entry(0).lastBlockBytes(), 0);
    EXPECT_EQ(StoredSong(p, 0), exact);

    const auto partial = Numbered(40000, 2);
    ASSERT_EQ(Store(File("partial", partial)), 1);
    DirectoryEntry e = p.Image().Entry(1);
    EXPECT_EQ(e.blockCount(), 2);
    EXPECT_EQ(e.lastBlockBytes(), 7232);
    // The last block: 7232 bytes of the song, then zeros.
    const unsigned last = p.Image().blockLink(e.firstBlock());
    std::vector<uint8_t> block;
    for (int page = 0; page < 64; ++page) {
        const uint8_t* raw = p.flash.RawPage(last * 64 + page);
        block.insert(block.end(), raw, raw + 512);
    }
    EXPECT_TRUE(std::equal(partial.begin() + 32768, partial.end(), block.begin()));
    EXPECT_TRUE(std::all_of(block.begin() + 7232, block.end(), [](uint8_t b) { return b == 0; }));

    const auto five = Numbered(5, 3);
    ASSERT_EQ(Store(File("five", five)), 1);
    EXPECT_EQ(p.Image().Entry(2).blockCount(), 1);
    EXPECT_EQ(p.Image().Entry(2).lastBlockBytes(), 5);
    EXPECT_EQ(StoredSong(p, 2), five);
    EXPECT_EQ(BrokenInvariant(p.Image()), "");
}

TEST_F(UploadFixture, OnlyARiffWrapperAroundMpegAudioIsLeftOut)
{
    p.Reload();
    const auto song = Mp3Frames(3);
    ASSERT_EQ(Store(File("wrapped.wav", RiffWrapped(song))), 1);
    DirectoryEntry e = p.Image().Entry(0);
    EXPECT_EQ(e.size(), song.size());
    EXPECT_EQ(e.audioHeader(), 0xFFFB9064u);
    EXPECT_EQ(StoredSong(p, 0), song);

    // A PCM WAV, or any RIFF file without a frame header after 72 bytes, is
    // stored whole: its first 72 bytes are not a wrapper.
    std::vector<uint8_t> sixty(60, 0);
    std::memcpy(sixty.data(), "RIFF", 4);
    for (const auto& whole : {RiffWrapped(Numbered(28, 4)), sixty, RiffWrapped({0xFF, 0xFB})}) {
        const int slot = p.Image().entryCount();
        ASSERT_EQ(Store(File("whole" + std::to_string(slot) + ".wav", whole)), 1);
        EXPECT_EQ(p.Image().Entry(slot).size(), whole.size());
        EXPECT_EQ(StoredSong(p, slot), whole);
    }
    EXPECT_TRUE(p.ui.messages.empty());
}

TEST_F(UploadFixture, RefusalsBeforeAnythingIsReservedLeaveTheImageAlone)
{
    p.Reload();
    auto before = Snapshot();
    const std::string four = File("four", Numbered(4)), empty = File("empty", {});
    EXPECT_EQ(p.link->UploadSong(four.c_str()), 0);
    EXPECT_EQ(p.link->UploadSong(empty.c_str()), 0);
    EXPECT_EQ(p.link->UploadSong((folder.String() + "/missing.mp3").c_str()), 0);
    EXPECT_EQ(p.link->UploadSong(folder.String().c_str()), 0); // a folder
    EXPECT_EQ(p.ui.messages, (std::vector<std::string>{
                                 "error reading properties from file \n" + four,
                                 WithName(kErrorReadingPropertiesOf, empty),
                                 WithName(kCannotOpenFile, folder.String() + "/missing.mp3"),
                                 WithName(kNotAFile, folder.String())}));
    EXPECT_TRUE(Unchanged(*before));
    EXPECT_TRUE(p.ui.transfers.empty());
}

TEST_F(UploadFixture, SpaceIsCountedWithTheDirectoryBlock)
{
    p.Reload();
    p.Image().SetFreeBlocks(3);
    p.Image().SetUsedBlocks(1021);
    const std::string three = File("three", Numbered(3 * 32768));
    auto before = Snapshot();
    EXPECT_EQ(p.link->UploadSong(three.c_str()), 0); // 3 blocks + block 0 do not fit
    EXPECT_EQ(p.ui.messages, std::vector<std::string>{kNotEnoughMemory});
    EXPECT_TRUE(Unchanged(*before));

    p.Image().SetFreeBlocks(5);
    p.Image().SetUsedBlocks(1019);
    ASSERT_EQ(p.link->UploadSong(File("one", Numbered(100)).c_str()), 1);
    EXPECT_EQ(p.Image().freeBlocks(), 3);
    EXPECT_EQ(p.link->UploadSong(three.c_str()), 1); // exactly the free blocks, with songs stored
    EXPECT_EQ(p.Image().freeBlocks(), 0);
}

TEST_F(UploadFixture, TheSixtyFirstSongIsRefusedWithAMessage)
{
    p.Reload();
    p.Image().SetEntryCount(60);
    auto before = Snapshot();
    EXPECT_EQ(p.link->UploadSong(File("61", Numbered(10)).c_str()), 0);
    EXPECT_EQ(p.ui.messages, std::vector<std::string>{WithName(kDirectoryFull, "61")});
    EXPECT_TRUE(Unchanged(*before));
    // A damaged directory claiming more slots than there are is full as well,
    // and nothing is written into the block tables.
    p.Image().SetEntryCount(200);
    before = Snapshot();
    EXPECT_EQ(p.link->UploadSong(File("201", Numbered(10)).c_str()), 0);
    EXPECT_TRUE(Unchanged(*before));
}

TEST_F(UploadFixture, NamesAreTheBaseNameCutToNinetyNineCharacters)
{
    EXPECT_EQ(DeviceLink::BaseName("C:\\music\\a.mp3"), "a.mp3");
    EXPECT_EQ(DeviceLink::BaseName("C:a.mp3"), "a.mp3");
    EXPECT_EQ(DeviceLink::BaseName("a.mp3"), "a.mp3");
    EXPECT_EQ(DeviceLink::BaseName("/home/x/b.mp3"), "b.mp3");
    EXPECT_EQ(DeviceLink::BaseName("dir/"), "");

    p.Reload();
    const std::string longName(120, 'n');
    ASSERT_EQ(p.link->UploadSong(File(longName, Numbered(10)).c_str()), 1);
    EXPECT_EQ(p.Image().Entry(0).name(), std::string(99, 'n'));
    EXPECT_EQ(p.Image().Entry(0).Bytes()[127], 0);
}

TEST_F(UploadFixture, AFreeFlagBeyondThePlayersMemoryIsNoFreeBlock)
{
    p.Reload();
    // Counters claim room, but the only free flag lies past block 1023, where
    // the address would wrap round onto the directory.
    for (unsigned block = 0; block < 1024; ++block)
        p.Image().SetBlockUse(block, 0x00);
    p.Image().SetEntryCount(1);
    p.Image().Entry(0).SetSize(1);
    EXPECT_EQ(p.link->UploadSong(File("x", Numbered(10)).c_str()), 0);
    EXPECT_EQ(p.ui.messages, std::vector<std::string>{kNoFreeFirstBlock});
    EXPECT_TRUE(p.ui.transfers.empty());
    for (const auto& op : p.player.Operations())
        EXPECT_NE(op.kind, FlashOperation::Erase);

    // The same when the first block fits but a later one would not.
    p.ui.messages.clear();
    p.Reload();
    for (unsigned block = 0; block < 1023; ++block)
        p.Image().SetBlockUse(block, 0x00);
    p.Image().SetEntryCount(1);
    EXPECT_EQ(p.link->UploadSong(File("y", Numbered(40000)).c_str()), 0);
    EXPECT_EQ(p.ui.messages, std::vector<std::string>{kNoFreeNextBlock});
}

TEST_F(UploadFixture, ACancelledUploadLeavesOnlyTheBlocksWritten)
{
    p.Reload();
    p.ui.cancelAfterSteps = 2;
    EXPECT_EQ(p.link->UploadSong(File("five blocks", Numbered(5 * 32768)).c_str()), 0);
    EXPECT_EQ(p.Image().entryCount(), 1);
    EXPECT_EQ(p.Image().usedBlocks(), 6); // the counters hold the whole song
    EXPECT_EQ(p.Image().blockUse(1), 0x00);
    EXPECT_EQ(p.Image().blockUse(2), 0x00);
    EXPECT_EQ(p.Image().blockUse(3), 0xFF);
}

TEST_F(UploadFixture, AFailingPlayerCancelsTheUploadAndSaysSo)
{
    p.Reload();
    p.player.Faults().hangPrograms = -1;
    EXPECT_EQ(p.link->UploadSong(File("song", Numbered(1000)).c_str()), 0);
    EXPECT_EQ(p.ui.messages, std::vector<std::string>{WithName(kBlockNotWritten, "song")});
}

TEST_F(UploadFixture, AFileThatEndsEarlyStopsTheBlock)
{
    p.Reload();
    const std::string path = File("short", Numbered(100));
    std::FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    std::vector<uint8_t> buffer(32768);
    p.Image().SetEntryCount(1);
    DirectoryEntry entry = p.Image().Entry(0);
    entry.SetSize(32768 + 200);
    entry.SetBlockCount(2);
    entry.SetLastBlockBytes(200);
    UploadStep up;
    up.m_pLink = p.link.get();
    up.m_pFile = file;
    up.m_pBuffer = buffer.data();
    up.m_pEntry = entry.Bytes();
    up.m_nCurrentBlock = 1;
    up.m_nBlockCount = 2;
    EXPECT_EQ(p.link->UploadNextBlock(up), 0);
    std::fclose(file);
    EXPECT_EQ(p.ui.messages, std::vector<std::string>{kErrorReadingFile});
}

// A player of 16 MiB has 512 blocks: its shadows, its songs and an
// initialize stay below them, and an initialize keeps its size.
TEST(SmallPlayer, A16MiBPlayerIsWrittenOnlyBelowItsSize)
{
    TempPath folder("small");
    std::filesystem::create_directories(folder.Path());
    const std::string song = (folder.Path() / "song").string();
    WriteFile(song, std::vector<uint8_t>(3 * 32768 + 5, 0x42));
    StoragePlayer p(512);
    p.Reload();
    EXPECT_EQ(p.Image().totalBlocks(), 512);
    EXPECT_EQ(p.link->PlayerBlocks(), 512u);
    p.player.ClearLogs();
    ASSERT_EQ(p.link->UploadSong(song.c_str()), 1);
    ASSERT_EQ(p.link->SaveDirectory("upload"), 1);
    p.Reload();
    ASSERT_EQ(p.link->InitializeDirectory(), 1);
    ASSERT_EQ(p.link->SaveDirectory("initialize"), 1); // its shadow: free in the new directory to block 1023
    p.Reload();
    EXPECT_EQ(p.Image().totalBlocks(), 512);
    EXPECT_EQ(p.Image().freeBlocks(), 512);
    ASSERT_EQ(p.link->UploadSong(song.c_str()), 1);
    ASSERT_EQ(p.link->SaveDirectory("upload"), 1);
    for (const FlashOperation& op : p.player.Operations())
        EXPECT_TRUE(op.kind == FlashOperation::Read || op.page < 512u * 64u) << op.kind << " " << op.page;

    // Where the directory read says nothing sound, the size is a 32 MiB player's.
    EXPECT_EQ(DirectoryImage::PlayerBlocksOf(nullptr), 1024u);
    auto odd = std::make_unique<DirectoryImage>();
    for (unsigned total : {0u, 1u, 1025u, 8192u, 512u}) {
        odd->SetEmpty(total);
        odd->Seal(0);
        EXPECT_EQ(DirectoryImage::PlayerBlocksOf(odd.get()), total == 512 ? 512u : 1024u) << total;
    }
    odd->SetTotalBlocks(300); // not sealed so
    EXPECT_EQ(DirectoryImage::PlayerBlocksOf(odd.get()), 1024u);
}

} // namespace
