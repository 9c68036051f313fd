// Reading and writing block 0: what a load and a save do on the player, and
// what they leave when something goes wrong.

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>

#include "StoragePlayer.h"
#include "storage/DirectorySave.h"

namespace {

using Op = FlashOperation;

TEST(DirectoryLoad, ReadsBlockZeroWithProgressAndTheWaitCursor)
{
    StoragePlayer p;
    p.Image().Bytes()[5000] = 0x77; // replaced entirely by the load
    ASSERT_EQ(p.link->LoadDirectory(), 1);
    EXPECT_TRUE(p.Image().ChecksumsValid());
    EXPECT_EQ(p.Image().Bytes()[5000], 0);
    EXPECT_TRUE(p.ui.messages.empty());
    ASSERT_EQ(p.ui.progress.size(), 65u);
    for (int page = 0; page < 64; ++page)
        EXPECT_EQ(p.ui.progress[page], std::make_pair(page, 64));
    EXPECT_EQ(p.ui.progress.back(), std::make_pair(-1, -1));
    EXPECT_EQ(p.ui.waitCursorDepth, 0);
    EXPECT_FALSE(p.player.InLinkMode());
    EXPECT_TRUE(p.player.ProtocolErrors().empty());
}

TEST(DirectoryLoad, ABadChecksumIsReportedAndTheEntriesKept)
{
    StoragePlayer p;
    p.Reload();
    p.Image().SetEntryCount(1);
    p.Image().Entry(0).SetName("kept");
    ASSERT_EQ(p.link->SaveDirectory(), 1);
    // Flip a bit of the stored body, as a worn-out flash might.
    uint8_t raw[528];
    std::memcpy(raw, p.flash.RawPage(40), 528);
    raw[100] ^= 0x04;
    p.flash.StorePage(40, raw);

    EXPECT_EQ(p.link->LoadDirectory(), 1);
    EXPECT_EQ(p.ui.messages,
              std::vector<std::string>{"Invalid checksum of directory.\nInitializing is recommended."});
    EXPECT_EQ(p.Image().entryCount(), 1);
    EXPECT_EQ(p.Image().Entry(0).name(), "kept");
}

TEST(DirectoryStorage, WithNoPortNothingHappens)
{
    StoragePlayer p;
    p.link->m_bPortSet = 0;
    p.Image().Bytes()[3] = 0x42;
    EXPECT_EQ(p.link->LoadDirectory(), 0);
    EXPECT_EQ(p.link->SaveDirectory(), 0);
    EXPECT_EQ(p.link->InitializeDirectory(), 0);
    EXPECT_EQ(p.Image().Bytes()[3], 0x42);
    EXPECT_TRUE(p.ui.messages.empty());
    EXPECT_TRUE(p.ui.transfers.empty());
    EXPECT_TRUE(p.player.Operations().empty());
}

TEST(DirectorySave, OneEraseThenSixtyFourPagesInOrder)
{
    StoragePlayer p;
    p.Reload();
    p.player.ClearLogs();
    const auto before = std::time(nullptr);
    ASSERT_EQ(p.link->SaveDirectory(), 1);
    const auto after = std::time(nullptr);

    std::vector<Op> expected;
    for (uint32_t unit = 0; unit < 4; ++unit)
        expected.push_back({Op::Erase, unit * 16});
    for (uint32_t page = 0; page < 64; ++page)
        expected.push_back({Op::Program, page});
    EXPECT_EQ(p.player.Operations(), expected);
    EXPECT_EQ(p.ui.stepsRun, 64);
    EXPECT_EQ(p.ui.barPositions.front(), 0);
    EXPECT_EQ(p.ui.barPositions.back(), 98);
    EXPECT_EQ(BadSpareBytes(p), "");
    EXPECT_FALSE(p.player.InLinkMode());

    p.Reload();
    EXPECT_TRUE(p.Image().ChecksumsValid());
    EXPECT_GE(p.Image().saveTime(), before);
    EXPECT_LE(p.Image().saveTime(), after);
    EXPECT_TRUE(p.player.ProtocolErrors().empty());
}

TEST(DirectorySave, ThreeFailedErasesEndItWithoutWritingAPage)
{
    StoragePlayer p;
    p.Reload();
    p.player.Faults().hangErases = -1;
    p.player.ClearLogs();
    EXPECT_EQ(p.link->SaveDirectory(), 0);
    EXPECT_EQ(p.ui.stepsRun, 3);
    for (const auto& op : p.player.Operations())
        EXPECT_NE(op.kind, Op::Program);
    EXPECT_TRUE(p.Image().ChecksumsValid()); // the seal stays in the image
}

TEST(DirectorySave, APageThatFailsStartsTheSaveAgainFromTheErase)
{
    StoragePlayer p;
    p.Reload();
    p.Image().SetEntryCount(0);
    p.player.Faults().hangPrograms = 1;
    p.player.ClearLogs();
    ASSERT_EQ(p.link->SaveDirectory(), 1);
    int erases = 0;
    for (const auto& op : p.player.Operations())
        erases += op.kind == Op::Erase;
    EXPECT_EQ(erases, 8); // two passes of four erase units
    p.Reload();
    EXPECT_TRUE(p.Image().ChecksumsValid());

    p.player.Faults().hangPrograms = -1;
    EXPECT_EQ(p.link->SaveDirectory(), 0); // every attempt fails: Cancel, not success
}

TEST(DirectorySave, TheUserCannotCancelIt)
{
    StoragePlayer p;
    p.Reload();
    p.ui.cancelAfterSteps = 10;
    EXPECT_EQ(p.link->SaveDirectory(), 1);
    EXPECT_EQ(p.ui.stepsRun, 64);
    SaveDirectoryStep step(p.link.get(), p.Image().Bytes());
    EXPECT_FALSE(step.UserMayCancel());
}

TEST(DirectorySave, ADialogThatCannotBeCreatedSavesNothing)
{
    StoragePlayer p;
    p.Reload();
    p.ui.failToCreate = true;
    p.player.ClearLogs();
    EXPECT_EQ(p.link->SaveDirectory(), 0);
    for (const auto& op : p.player.Operations())
        EXPECT_EQ(op.kind, Op::Read);
}

} // namespace
