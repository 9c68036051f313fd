// Reading and writing block 0: what a load and a save do on the player, and
// what they leave when something goes wrong.

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <map>

#include "StoragePlayer.h"
#include "storage/safety/DirectorySave.h"
#include "storage/StorageTexts.h"

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

// Flips a bit of a stored page of block 0, as a worn-out flash might.
void WearOut(StoragePlayer& p, uint32_t page)
{
    uint8_t raw[528];
    std::memcpy(raw, p.flash.RawPage(page), 528);
    raw[100] ^= 0x04;
    p.flash.StorePage(page, raw);
}

TEST(DirectoryLoad, ABadChecksumWithNoCopyIsReportedAndTheEntriesKept)
{
    StoragePlayer p;
    auto other = std::make_unique<DirectoryImage>();
    other->SetEmpty();
    other->SetEntryCount(1);
    other->Entry(0).SetName("kept");
    other->Seal(1000);
    p.PutDirectory(*other); // written elsewhere: no shadow, no copy here
    WearOut(p, 40);

    EXPECT_EQ(p.link->LoadDirectory(), 1);
    EXPECT_EQ(p.ui.messages,
              std::vector<std::string>{"Invalid checksum of directory.\nInitializing is recommended."});
    EXPECT_EQ(p.Image().entryCount(), 1);
    EXPECT_EQ(p.Image().Entry(0).name(), "kept");
    EXPECT_TRUE(p.link->DirectoryDamaged());
    EXPECT_NE(p.flash.RawPage(40)[100], other->Bytes()[40 * 512 + 100]); // nothing written
}

TEST(DirectoryLoad, ABadChecksumIsRepairedFromTheCopies)
{
    for (bool onThisPc : {false, true}) {
        SCOPED_TRACE(onThisPc);
        StoragePlayer p;
        p.Reload();
        p.Image().SetEntryCount(1);
        p.Image().Entry(0).SetName("kept");
        ASSERT_EQ(p.link->SaveDirectory(), 1);
        auto saved = std::make_unique<DirectoryImage>(p.Image());
        if (!onThisPc)
            p.pcFolder.files.clear();
        WearOut(p, 40);

        p.Restart();
        EXPECT_EQ(p.link->LoadDirectory(), 1);
        ASSERT_EQ(p.ui.messages.size(), 1u);
        EXPECT_NE(p.ui.messages[0].find("restored it from its copy on Rio"), std::string::npos);
        EXPECT_EQ(std::memcmp(p.Image().Bytes(), saved->Bytes(), DirectoryImage::kSize), 0);
        EXPECT_FALSE(p.link->DirectoryDamaged());
        p.ui.messages.clear();
        p.Reload(); // block 0 was written again
        EXPECT_TRUE(p.ui.messages.empty());
        EXPECT_EQ(std::memcmp(p.Image().Bytes(), saved->Bytes(), DirectoryImage::kSize), 0);
    }
}

TEST(DirectoryLoad, APlayerThatStopsAnsweringIsNotAnEmptyPlayer)
{
    StoragePlayer p;
    p.Reload();
    p.player.Faults().readyNeverRises = true;
    EXPECT_EQ(p.link->LoadDirectory(), 0);
    EXPECT_EQ(p.ui.messages, std::vector<std::string>{kNotConnected});
    EXPECT_EQ(p.link->PlayerDirectory(), nullptr); // no change is saved on what was not read
    EXPECT_EQ(p.ui.progress.back(), std::make_pair(-1, -1));
    EXPECT_EQ(p.ui.waitCursorDepth, 0);
}

// One page of block 0 is slow: the player drops that read and would hand
// on the page before it. A load reads such a page again once the chip is
// ready; a sound directory is neither reported damaged nor rewritten.
TEST(DirectoryLoad, ASlowPageIsReadAgainAndNothingIsRepaired)
{
    for (long ticks : {1500L, 1999L}) {
        SCOPED_TRACE(ticks);
        StoragePlayer p;
        p.Reload();
        p.Image().SetEntryCount(1);
        p.Image().Entry(0).SetName("kept");
        ASSERT_EQ(p.link->SaveDirectory(), 1); // with a shadow a repair could use
        auto saved = std::make_unique<DirectoryImage>(p.Image());
        p.Restart();
        p.player.ClearLogs();
        p.player.Faults().slowRead = {6, ticks}; // page 5
        EXPECT_EQ(p.link->LoadDirectory(), 1);
        EXPECT_TRUE(p.ui.messages.empty());
        EXPECT_EQ(std::memcmp(p.Image().Bytes(), saved->Bytes(), DirectoryImage::kSize), 0);
        for (const auto& op : p.player.Operations())
            EXPECT_EQ(op.kind, Op::Read);
        EXPECT_TRUE(p.player.ProtocolErrors().empty());
    }
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

std::vector<Op> OperationsOn(StoragePlayer& p, unsigned block)
{
    std::vector<Op> ops;
    for (const Op& op : p.player.Operations())
        if (op.page / 64 == block)
            ops.push_back(op);
    return ops;
}

TEST(DirectorySave, ChecksBlockZeroWritesTheShadowThenOneEraseAndSixtyFourPages)
{
    StoragePlayer p;
    p.Reload();
    p.player.ClearLogs();
    const auto before = std::time(nullptr);
    ASSERT_EQ(p.link->SaveDirectory(), 1);
    const auto after = std::time(nullptr);

    std::vector<Op> expected = {{Op::Read, 0}};
    for (uint32_t unit = 0; unit < 4; ++unit)
        expected.push_back({Op::Erase, unit * 16});
    for (uint32_t page = 0; page < 64; ++page)
        expected.push_back({Op::Program, page});
    expected.push_back({Op::Read, 63}); // the last page must read back
    EXPECT_EQ(OperationsOn(p, 0), expected);
    // The shadow went first, into the highest block, free before and after.
    const auto& all = p.player.Operations();
    ASSERT_GT(all.size(), 6u);
    EXPECT_EQ(all[1], (Op{Op::Erase, 1023 * 64}));
    EXPECT_EQ(all.size(), expected.size() + OperationsOn(p, 1023).size());
    EXPECT_EQ(p.player.WakeUps(), 3); // for the check, then before each block's erase
    EXPECT_EQ(p.ui.barPositions.front(), 0);
    EXPECT_LT(p.ui.barPositions.back(), 100);
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
    EXPECT_EQ(p.ui.stepsRun, 4); // the check, then three attempts
    for (const auto& op : p.player.Operations())
        EXPECT_NE(op.kind, Op::Program);
    EXPECT_TRUE(p.Image().ChecksumsValid()); // the seal stays in the image
    EXPECT_EQ(p.ui.messages, std::vector<std::string>{kSaveFailed});
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
    EXPECT_EQ(erases, 12); // the shadow twice, then block 0
    p.Reload();
    EXPECT_TRUE(p.Image().ChecksumsValid());

    p.player.Faults().hangPrograms = -1;
    EXPECT_EQ(p.link->SaveDirectory(), 0); // every attempt fails: Cancel, not success
}

// Pages programmed since their erase unit was last erased, as the log shows
// it: none may be programmed again, or at all before the log erased it.
int ProgramsOverUnerasedPages(const std::vector<Op>& ops)
{
    std::map<uint32_t, bool> erased;
    int over = 0;
    for (const Op& op : ops) {
        if (op.kind == Op::Erase)
            for (uint32_t page = op.page; page < op.page + 16; ++page)
                erased[page] = true;
        if (op.kind == Op::Program) {
            over += erased[op.page] ? 0 : 1;
            erased[op.page] = false;
        }
    }
    return over;
}

// A program or an erase that outlasts its time-out is still under way when
// the save tries again: the retry waits for the chip instead of sending it
// commands it ignores, an erase among them, and programs no page twice.
TEST(DirectorySave, ARetryWaitsForAChipStillBusyAndProgramsOnlyErasedPages)
{
    StoragePlayer dry;
    dry.Reload();
    dry.player.ClearLogs();
    ASSERT_EQ(dry.link->SaveDirectory(), 1);
    const int shadowPages = int(dry.player.Operations().size()) - 1 - 4 - 64 - 1 - 4;
    ASSERT_GT(shadowPages, 0);

    struct Slow {
        const char* what;
        SlowOperation PlayerFaults::*kind;
        long at;
        long ticks;
    };
    const Slow cases[] = {
        {"a shadow page", &PlayerFaults::slowProgram, 2, 1500},
        {"a page of block 0", &PlayerFaults::slowProgram, shadowPages + 3, 1500},
        {"a page of block 0, slower than a wait", &PlayerFaults::slowProgram, shadowPages + 3, 2500},
        {"an erase unit of the shadow", &PlayerFaults::slowErase, 2, 1500},
        {"an erase unit of block 0", &PlayerFaults::slowErase, 6, 1500},
    };
    for (const Slow& slow : cases) {
        SCOPED_TRACE(slow.what);
        StoragePlayer p;
        p.Reload();
        p.Image().SetEntryCount(1);
        p.Image().Entry(0).SetName("saved");
        p.player.ClearLogs();
        p.player.Faults().*slow.kind = {slow.at, slow.ticks};
        ASSERT_EQ(p.link->SaveDirectory(), 1);
        EXPECT_TRUE(p.player.ProtocolErrors().empty()) << p.player.ProtocolErrors().front();
        EXPECT_EQ(ProgramsOverUnerasedPages(p.player.Operations()), 0);
        auto saved = std::make_unique<DirectoryImage>(p.Image());
        p.Reload();
        EXPECT_TRUE(p.ui.messages.empty());
        EXPECT_EQ(std::memcmp(p.Image().Bytes(), saved->Bytes(), DirectoryImage::kSize), 0);
    }
}

TEST(DirectorySave, TheUserCannotCancelIt)
{
    StoragePlayer p;
    p.Reload();
    p.ui.cancelAfterSteps = 10;
    EXPECT_EQ(p.link->SaveDirectory(), 1);
    EXPECT_GE(p.ui.stepsRun, 65);
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
