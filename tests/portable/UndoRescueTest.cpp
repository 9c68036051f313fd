// Taking changes back from the PC's copies, rebuilding a lost directory from
// the chain links in the flash, checking a directory against its rules and
// the flash, and reading uploads back.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>

#include "StoragePlayer.h"
#include "TempPath.h"
#include "TestFiles.h"
#include "format/PageFormat.h"
#include "commands/SongCommands.h"
#include "storage/safety/DirectoryCheck.h"
#include "storage/MessageText.h"
#include "storage/safety/Rescue.h"
#include "storage/StorageTexts.h"

namespace {

// Fills from whichever link the player has now: Restart gives it a new one.
class FollowingList : public SongListView {
public:
    explicit FollowingList(std::unique_ptr<DeviceLink>& link) : m_link(link) {}
    int FillSongList() override { return ReloadDirectory(*m_link); }

private:
    std::unique_ptr<DeviceLink>& m_link;
};

struct History : ::testing::Test {
    History() : folder("history"), list(p.link)
    {
        std::filesystem::create_directories(folder.Path());
        p.Reload();
        Store({"a.mp3", "b.mp3", "c.mp3"});
    }
    SongCommands Commands() { return SongCommands(*p.link, list); }
    std::string File(const std::string& name, size_t size)
    {
        const std::string path = (folder.Path() / name).string();
        WriteFile(path, Numbered(size, unsigned(name[0])));
        return path;
    }
    void Store(const std::vector<std::string>& names)
    {
        std::vector<std::string> paths;
        for (const std::string& name : names)
            paths.push_back(File(name, 40000 + 1000 * names.size()));
        ASSERT_EQ(Commands().UploadFiles(paths), int(names.size()));
    }
    std::vector<std::string> Names()
    {
        std::vector<std::string> names;
        for (int slot = 0; slot < p.Image().entryCount(); ++slot)
            names.push_back(p.Image().Entry(slot).name());
        return names;
    }
    // Every listed song as the file it was made from.
    bool SongsWhole()
    {
        for (int slot = 0; slot < p.Image().entryCount(); ++slot)
            if (StoredSong(p, slot) != ReadFile((folder.Path() / p.Image().Entry(slot).name()).string()))
                return false;
        return true;
    }
    void EraseBlockZero()
    {
        const std::vector<uint8_t> erased(kRawPageSize, 0xFF);
        for (uint32_t page = 0; page < 64; ++page)
            p.flash.StorePage(page, erased.data());
    }

    TempPath folder;
    StoragePlayer p;
    FollowingList list;
};

TEST_F(History, UndoTakesBackChangesNewestFirst)
{
    ASSERT_TRUE(Commands().RemoveSongAt(1, false));
    ASSERT_TRUE(Commands().RenameSong(0, "renamed"));
    ASSERT_TRUE(Commands().MoveSong(1, 0));
    EXPECT_EQ(Names(), (std::vector<std::string>{"c.mp3", "renamed"}));

    EXPECT_TRUE(Commands().UndoLastChange(false));
    EXPECT_EQ(Names(), (std::vector<std::string>{"renamed", "c.mp3"}));
    EXPECT_TRUE(Commands().UndoLastChange(false));
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.mp3", "c.mp3"}));
    EXPECT_TRUE(Commands().UndoLastChange(false));
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.mp3", "b.mp3", "c.mp3"}));
    EXPECT_TRUE(SongsWhole());
    EXPECT_EQ(BrokenInvariant(p.Image()), "");

    // The three came in one batch: one undo takes them all back.
    p.ui.answerYes = false;
    EXPECT_FALSE(Commands().UndoLastChange(true)); // the user is asked first and says no
    EXPECT_EQ(p.ui.questions.back(), "Undo the upload of 3 songs on Rio?");
    std::string undone;
    EXPECT_TRUE(Commands().UndoLastChange(false, &undone));
    EXPECT_EQ(undone, "the upload of 3 songs");
    EXPECT_TRUE(Names().empty());
}

// On a sound player a song this PC removed is offered apart, and comes back
// only when the user says so against the default.
TEST_F(History, ARescueOffersTheSongsThisPcRemovedApartAndNotByDefault)
{
    ASSERT_TRUE(Commands().RemoveSongAt(1, false));
    EXPECT_TRUE(Commands().RescueSongs(true));
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.mp3", "c.mp3"}));
    ASSERT_EQ(p.ui.defaultNoQuestions.size(), 1u);
    EXPECT_EQ(p.ui.questions.back().find("b.mp3"), std::string::npos) << p.ui.questions.back();
    EXPECT_EQ(p.ui.defaultNoQuestions[0].rfind("Removed earlier on this PC, and still whole in Rio's memory:\n1. b.mp3", 0), 0u)
        << p.ui.defaultNoQuestions[0];
    p.ui.answerYesWhereNoIsTheDefault = true;
    EXPECT_TRUE(Commands().RescueSongs(true));
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.mp3", "c.mp3", "b.mp3"}));
    EXPECT_TRUE(SongsWhole());
}

TEST_F(History, AnInitializeIsTakenBackWithEverySong)
{
    ASSERT_TRUE(Commands().InitializePlayer(false));
    EXPECT_TRUE(Names().empty());
    EXPECT_TRUE(Commands().UndoLastChange(false));
    p.Restart();
    p.Reload();
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.mp3", "b.mp3", "c.mp3"}));
    EXPECT_TRUE(SongsWhole());
}

TEST_F(History, AnUndoIsRefusedOnceTheSongsBlocksAreWrittenAgain)
{
    ASSERT_TRUE(Commands().RemoveSongAt(1, false));
    Store({"d.mp3"}); // into the blocks "b.mp3" left
    ASSERT_TRUE(Commands().UndoLastChange(false)); // the upload goes
    p.ui.messages.clear();
    EXPECT_FALSE(Commands().UndoLastChange(false));
    ASSERT_EQ(p.ui.messages.size(), 1u);
    EXPECT_EQ(p.ui.messages[0],
              "Mellifon cannot undo the removal of \"b.mp3\": the blocks of \"b.mp3\" have been written since.");
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.mp3", "c.mp3"}));
}

TEST_F(History, AnUploadThatFailedInTheSongsBlocksStopsTheUndoToo)
{
    ASSERT_TRUE(Commands().RemoveSongAt(1, false));
    p.ui.cancelAfterSteps = 2; // two blocks written where "b.mp3" was, then Cancel: no directory saved
    EXPECT_EQ(Commands().UploadFiles({File("e.mp3", 41000)}), 0);
    p.ui.cancelAfterSteps = -1;
    p.ui.messages.clear();
    EXPECT_FALSE(Commands().UndoLastChange(false));
    EXPECT_EQ(p.ui.messages.size(), 1u);
}

TEST_F(History, RescueAfterBlockZeroIsLostGivesBackEverySong)
{
    for (bool pcCopies : {true, false}) {
        SCOPED_TRACE(pcCopies);
        if (!pcCopies) {
            p.pcFolder.files.clear();
            const std::vector<uint8_t> erased(kRawPageSize, 0xFF);
            p.flash.StorePage(1023 * 64, erased.data()); // and no shadow either
        }
        EraseBlockZero();
        p.Restart();
        ReloadDirectory(*p.link, false);
        ASSERT_TRUE(p.link->DirectoryDamaged());
        p.ui = ScriptedUi();
        EXPECT_TRUE(Commands().RescueSongs(true));
        ASSERT_EQ(p.ui.questions.size(), 1u);
        p.Restart();
        p.Reload();
        const std::vector<std::string> expected =
            pcCopies ? std::vector<std::string>{"a.mp3", "b.mp3", "c.mp3"}
                     : std::vector<std::string>{"Rescued song 1", "Rescued song 2", "Rescued song 3"};
        EXPECT_EQ(Names(), expected);
        for (int slot = 0; slot < 3; ++slot)
            EXPECT_EQ(StoredSong(p, slot), ReadFile((folder.Path() / (std::string(1, "abc"[slot]) + ".mp3")).string()));
        EXPECT_EQ(BrokenInvariant(p.Image()), "");
    }
}

TEST_F(History, RescueKeepsTheWholeSongsAndReportsABrokenChain)
{
    // The second block of "b.mp3" is written over by something else: a song of one block.
    const unsigned second = p.Image().blockLink(p.Image().Entry(1).firstBlock());
    for (unsigned page = second * 64; page < second * 64 + 64; ++page) {
        uint8_t raw[kRawPageSize];
        std::memcpy(raw, p.flash.RawPage(page), kRawPageSize);
        const auto spare = SpareBytes(kNoLinkBlock, kNoLinkBlock, PageChecksum(raw));
        std::memcpy(raw + kPageSize, spare.data(), kSpareSize);
        p.flash.StorePage(page, raw);
    }
    EraseBlockZero();
    p.Restart();
    ReloadDirectory(*p.link, false);
    p.ui = ScriptedUi();
    EXPECT_TRUE(Commands().RescueSongs(false));
    ASSERT_FALSE(p.ui.messages.empty());
    EXPECT_NE(p.ui.messages[0].find("breaks off after 1 block"), std::string::npos);
    p.Reload();
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.mp3", "c.mp3", "Rescued song 1"}));
    EXPECT_EQ(StoredSong(p, 0), ReadFile((folder.Path() / "a.mp3").string()));
    EXPECT_EQ(StoredSong(p, 1), ReadFile((folder.Path() / "c.mp3").string()));
}

TEST(RescueSize, ALastBlockEndsAtItsLastByteThatIsNotZero)
{
    std::vector<uint8_t> block(32768, 0);
    EXPECT_EQ(LastBlockBytes(block.data()), 32768u); // nothing to go by: taken as full
    for (size_t last : {0, 7, 8, 9}) {
        block[last] = 1;
        EXPECT_EQ(LastBlockBytes(block.data()), last + 1);
    }
    block[7231] = 1;
    EXPECT_EQ(LastBlockBytes(block.data()), 7232u);
    block[32767] = 1;
    EXPECT_EQ(LastBlockBytes(block.data()), 32768u);
}

TEST_F(History, CheckFindsNothingOnASoundDirectoryAndEachKindOfDamage)
{
    EXPECT_TRUE(CheckDirectory(*p.link).empty());
    struct Damage {
        const char* finding;
        std::function<void(DirectoryImage&)> apply;
    };
    const Damage damages[] = {
        {"do not add up", [](DirectoryImage& d) { d.SetFreeBlocks(uint16_t(d.freeBlocks() + 1)); }},
        {"is marked free", [](DirectoryImage& d) { d.SetBlockUse(d.Entry(0).firstBlock(), 0xFF); }},
        {"belong to no song", [](DirectoryImage& d) { d.SetBlockUse(900, 0x00); }},
        {"runs into block 0", [](DirectoryImage& d) { d.SetBlockLink(d.Entry(0).firstBlock(), 0); }},
        {"which song 1 uses", [](DirectoryImage& d) { d.Entry(1).SetFirstBlock(d.Entry(0).firstBlock()); }},
        {"Block 0, the directory's own, is marked free", [](DirectoryImage& d) { d.SetBlockUse(0, 0xFF); }},
        {"past the last song", [](DirectoryImage& d) { d.Entry(5).Bytes()[40] = 'x'; }},
        {"has no end", [](DirectoryImage& d) { std::memset(d.Entry(2).Bytes() + 28, 'n', 100); }},
        {"body checksum", [](DirectoryImage& d) { d.Bytes()[20000] ^= 1; }},
        {"leaves the memory", [](DirectoryImage& d) { d.SetBlockLink(d.Entry(0).firstBlock(), 2000); }},
    };
    const auto sound = std::make_unique<DirectoryImage>(p.Image());
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.finding);
        p.Image() = *sound;
        damage.apply(p.Image());
        std::string all;
        for (const std::string& finding : CheckDirectory(*p.link))
            all += finding + "\n";
        EXPECT_NE(all.find(damage.finding), std::string::npos) << all;
    }

    // The flash disagrees: a block's first page no longer links as the chain does.
    p.Image() = *sound;
    const unsigned first = p.Image().Entry(2).firstBlock();
    uint8_t raw[kRawPageSize];
    std::memcpy(raw, p.flash.RawPage(first * 64), kRawPageSize);
    const auto spare = SpareBytes(7, kNoLinkBlock, PageChecksum(raw));
    std::memcpy(raw + kPageSize, spare.data(), kSpareSize);
    p.flash.StorePage(first * 64, raw);
    const auto findings = CheckDirectory(*p.link);
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_NE(findings[0].find("Song 3: on Rio its block"), std::string::npos);
}

TEST_F(History, VerifyAfterUploadWritesABlockAgainWhenABitDidNotTake)
{
    p.player.Faults().wornProgram = 70; // a page of the second block keeps a bit it should have cleared
    const std::string path = File("f.mp3", 3 * 32768);
    ASSERT_EQ(Commands().UploadFiles({path}), 1);
    EXPECT_NE(StoredSong(p, 3), ReadFile(path)); // stored wrong, and nobody the wiser
    ASSERT_TRUE(Commands().RemoveSongAt(3, false));

    p.link->SetVerifyUploads(true);
    p.player.Faults().wornProgram = 70;
    p.ui.messages.clear();
    ASSERT_EQ(Commands().UploadFiles({path}), 1);
    EXPECT_EQ(StoredSong(p, 3), ReadFile(path));
    EXPECT_TRUE(p.ui.messages.empty());

    p.player.Faults().wornProgram = -1; // a worn-out flash: every page
    EXPECT_EQ(Commands().UploadFiles({File("g.mp3", 1000)}), 0);
    EXPECT_EQ(p.ui.messages, std::vector<std::string>{WithName(kBlockNotKept, "g.mp3")});
}

} // namespace
