// Nothing lost between PCs, players and clocks: a repair, an undo and a
// rescue take only what this player proves. Two PCs share one player, one PC
// serves two players, a PC's clock is an hour ahead or a day behind, and the
// power goes at every flash operation of the change in question.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "MemoryCopyFolder.h"
#include "PageProgram.h"
#include "ScriptedUi.h"
#include "TempPath.h"
#include "TestFiles.h"
#include "link/DeviceLink.h"
#include "format/PageFormat.h"
#include "simulator/FactoryImage.h"
#include "simulator/FlashMemory.h"
#include "simulator/PagePlayer.h"
#include "simulator/SimulatedPlayer.h"
#include "commands/SongCommands.h"
#include "storage/StorageTexts.h"
#include "storage/safety/DirectoryCopies.h"

namespace {

struct AcrossPcs : ::testing::Test {
    AcrossPcs() : folder("across") { std::filesystem::create_directories(folder.Path()); }

    std::string File(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        const std::string path = (folder.Path() / name).string();
        WriteFile(path, bytes);
        return path;
    }
    std::vector<uint8_t> Bytes(const std::string& name) { return ReadFile((folder.Path() / name).string()); }
    void Upload(Pc& pc, Player& player, const std::string& name, const std::vector<uint8_t>& bytes)
    {
        Program run(pc, player);
        ASSERT_EQ(run.commands.UploadFiles({File(name, bytes)}), 1);
    }
    // Every listed song holds the bytes of the file of its name.
    void ExpectWhole(Program& run)
    {
        const auto songs = run.Songs();
        const auto names = run.Names();
        for (size_t i = 0; i < names.size(); ++i)
            EXPECT_EQ(songs[i], Bytes(names[i])) << names[i] << " holds another song's bytes";
    }
    // The flash operations `change` takes when nothing goes wrong, tried on
    // copies of the PC and the player.
    long WritesOf(Pc& pc, Player& player, const std::function<void(Program&)>& change)
    {
        Pc twin(pc.clockOffset);
        twin.folder.files = pc.folder.files;
        Player trial(player.flash.Blocks());
        trial.CopyFrom(player);
        Program run(twin, trial);
        run.player.ClearLogs();
        change(run);
        return run.Writes();
    }
    static void EraseBlockZero(Player& player)
    {
        const std::vector<uint8_t> erased(kRawPageSize, 0xFF);
        for (uint32_t page = 0; page < kPagesPerBlock; ++page)
            player.flash.StorePage(page, erased.data());
    }
    static void EraseShadows(Player& player)
    {
        const std::vector<uint8_t> erased(kRawPageSize, 0xFF);
        for (int block = 1; block < player.flash.Blocks(); ++block) {
            SpareLinks links;
            const uint8_t* raw = player.flash.RawPage(PageNumber(block, 0));
            if (ParseSpareBytes(raw + kPageSize, &links) && links.previous == block && links.next == block)
                player.flash.StorePage(PageNumber(block, 0), erased.data());
        }
    }

    TempPath folder;
};

// Faults 1: an undo brings a song back only where this PC proves its blocks
// still hold it.
TEST_F(AcrossPcs, AnUndoBringsBackOnlyASongWhoseBlocksStillCarryItsPrint)
{
    Pc a, b;
    Player player;
    Upload(b, player, "s1.mp3", Tune(70000, 1));
    {
        Program run(a, player);
        ASSERT_TRUE(run.commands.RemoveSongAt(0, false));
    }
    Upload(b, player, "s2.mp3", Tune(70000, 2)); // the same blocks, the same links
    {
        Program run(b, player);
        ASSERT_TRUE(run.commands.UndoLastChange(false));
    }
    Program run(a, player);
    EXPECT_FALSE(run.commands.UndoLastChange(false));
    EXPECT_TRUE(run.Said("cannot undo the removal of \"s1.mp3\": the blocks of \"s1.mp3\" have been written since"));
    EXPECT_TRUE(run.Names().empty());
}

TEST_F(AcrossPcs, AnUndoRefusesASongItsOwnCutUploadWroteOver)
{
    Pc a, b;
    Player player;
    Upload(b, player, "s1.mp3", Tune(70000, 1));
    {
        Program run(a, player);
        ASSERT_TRUE(run.commands.RemoveSongAt(0, false));
    }
    {
        Program run(a, player, 40); // the power goes within the first block of the new song
        run.commands.UploadFiles({File("s2.mp3", Tune(70000, 2))});
    }
    Program run(a, player);
    EXPECT_FALSE(run.commands.UndoLastChange(false));
    EXPECT_TRUE(run.Said("the blocks of \"s1.mp3\" have been written since"));
}

// A song this PC neither stored nor read has no print it knows: not brought back.
TEST_F(AcrossPcs, AnUndoRefusesASongWithoutAKnownPrint)
{
    Pc a, b;
    Player player;
    Upload(b, player, "s1.mp3", Tune(70000, 1));
    {
        Program run(a, player);
        ASSERT_TRUE(run.commands.RemoveSongAt(0, false));
    }
    // The records of a program that knew no prints.
    for (auto& file : a.folder.files) {
        DirectoryCopy copy;
        ASSERT_TRUE(DecodeDirectoryCopy(file.second, &copy));
        copy.prints = {};
        copy.released.clear();
        file.second = EncodeDirectoryCopy(copy);
    }
    Program run(a, player);
    EXPECT_FALSE(run.commands.UndoLastChange(false));
    EXPECT_TRUE(run.Said("this PC neither stored nor read \"s1.mp3\", so it cannot prove that its blocks still hold it"));
}

// Fault 2: a PC's stale copies never restore over another PC's songs; nor
// does the empty directory it read before its first upload.
TEST_F(AcrossPcs, AStaleCopyNeverRestoresOverAnotherPcsSongs)
{
    Pc a, b;
    Player player;
    Upload(a, player, "s1.mp3", Tune(70000, 1));
    {
        Program run(b, player);
        ASSERT_TRUE(run.commands.InitializePlayer(false));
        // To the last block: no block is left for a shadow.
        ASSERT_EQ(run.commands.UploadFiles({File("big1.mp3", Tune(70000, 3)), File("big2.mp3", Tune(1020 * 32768 - 100, 4))}), 2);
        ASSERT_EQ(run.link.m_image.freeBlocks(), 0);
    }
    {
        Program run(b, player, 2); // the power goes while block 0 is erased
        run.commands.RenameSong(0, "renamed");
    }
    {
        Program run(a, player);
        EXPECT_TRUE(run.link.DirectoryDamaged());
        EXPECT_FALSE(run.Said("restored"));
        EXPECT_EQ(run.Writes(), 0);
        EXPECT_EQ(run.commands.UploadFiles({File("s3.mp3", Tune(9000, 5))}), 0);
        EXPECT_EQ(run.Writes(), 0);
    }
    Program run(b, player);
    EXPECT_TRUE(run.Said("restored it from its copy on this PC, with 2 songs"));
    ASSERT_EQ(run.Names().size(), 2u);
    EXPECT_EQ(run.Songs()[0], Bytes("big1.mp3")); // named "renamed" or not, as the cut fell
    EXPECT_EQ(run.Songs()[1], Bytes("big2.mp3"));
}

// Fault 3: a clock an hour ahead (or a day behind) decides nothing; the
// player's own shadow comes before every copy it does not descend from.
TEST_F(AcrossPcs, AClockAheadDoesNotBeatThePlayersShadow)
{
    for (long skew : {3600L, -86400L}) {
        SCOPED_TRACE(skew);
        Pc a(skew), b;
        Player player;
        Upload(a, player, "s1.mp3", Tune(40000, 1));
        Upload(a, player, "s2.mp3", Tune(40000, 2));
        {
            Program run(b, player);
            ASSERT_TRUE(run.commands.RemoveSongAt(0, false));
            ASSERT_EQ(run.commands.UploadFiles({File("s3.mp3", Tune(40000, 3))}), 1);
        }
        const auto change = [&](Program& run) { run.commands.UploadFiles({File("s4.mp3", Tune(40000, 4))}); };
        {
            // The power goes as block 0 is erased: its first half is empty.
            Program run(b, player, WritesOf(b, player, change) - 66);
            change(run);
        }
        Program run(a, player);
        EXPECT_TRUE(run.Said("restored it from its copy on Rio"));
        const auto names = run.Names();
        EXPECT_TRUE(names == (std::vector<std::string>{"s2.mp3", "s3.mp3", "s4.mp3"}) ||
                    names == (std::vector<std::string>{"s2.mp3", "s3.mp3"}));
        ExpectWhole(run);
    }
}

// Fault 4: one PC, two players; a cut during an undo on the first never
// gives it the second's directory, nor the second's history.
TEST_F(AcrossPcs, ACutUndoNeverGivesThePlayerAnotherPlayersDirectory)
{
    Pc pc;
    Player first, second;
    Upload(pc, first, "s1.mp3", Tune(40000, 1));
    uint64_t before = 0, after = 0;
    {
        Program run(pc, first);
        after = run.link.m_image.Digest();
    }
    pc.clockOffset = 100; // later that day
    {
        Program run(pc, second);
        ASSERT_TRUE(run.commands.InitializePlayer(false));
    }
    const long operations = WritesOf(pc, first, [&](Program& run) {
        ASSERT_TRUE(run.commands.UndoLastChange(false));
        before = run.link.m_image.Digest();
    });
    ASSERT_GT(operations, 64);
    const auto kept = pc.folder.files;
    std::vector<std::vector<uint8_t>> pages;
    for (uint32_t page = 0; page < first.flash.Pages(); ++page)
        pages.emplace_back(first.flash.RawPage(page), first.flash.RawPage(page) + kRawPageSize);
    for (long cut = 0; cut <= operations; ++cut) {
        SCOPED_TRACE(cut);
        for (uint32_t page = 0; page < first.flash.Pages(); ++page)
            first.flash.StorePage(page, pages[page].data());
        pc.folder.files = kept;
        {
            Program run(pc, first, cut);
            run.commands.UndoLastChange(false);
        }
        Program run(pc, first);
        const uint64_t now = run.link.m_image.Digest();
        EXPECT_TRUE(now == before || now == after) << (run.link.DirectoryDamaged() ? "damaged" : "another directory");
        run.ui.answerYes = false;
        run.commands.UndoLastChange(true);
        for (const std::string& said : run.ui.questions)
            EXPECT_EQ(said.find("initialization"), std::string::npos) << said;
    }
}

// Fault 5: initialize, undo, undo cut short: the first undo's shadow and
// record are the newest, not the initialize's.
TEST_F(AcrossPcs, AnUndoAfterAnInitializeCutShortLeavesOneOfTheTwoDirectories)
{
    Pc pc;
    Player player;
    Upload(pc, player, "a.mp3", Tune(40000, 1));
    Upload(pc, player, "b.mp3", Tune(40000, 2));
    {
        Program run(pc, player);
        ASSERT_TRUE(run.commands.InitializePlayer(false));
        ASSERT_TRUE(run.commands.UndoLastChange(false));
    }
    const auto undo = [](Program& run) { run.commands.UndoLastChange(false); };
    const long operations = WritesOf(pc, player, undo);
    Player start;
    start.CopyFrom(player);
    const auto kept = pc.folder.files;
    for (long cut = 0; cut <= operations; ++cut) {
        SCOPED_TRACE(cut);
        player.CopyFrom(start);
        pc.folder.files = kept;
        {
            Program run(pc, player, cut);
            undo(run);
        }
        Program run(pc, player);
        const auto names = run.Names();
        EXPECT_TRUE(names == (std::vector<std::string>{"a.mp3"}) || names == (std::vector<std::string>{"a.mp3", "b.mp3"}))
            << names.size() << " songs" << (run.link.DirectoryDamaged() ? ", damaged" : "");
        ExpectWhole(run);
    }
}

// Fault 6: an upload taken back stays taken back when block 0 is lost: the
// player's shadow restores the directory without it. Without the shadow, the
// record cannot tell the song it let go from one another PC brought back
// since: the damage is reported, and nothing is written.
TEST_F(AcrossPcs, AnUndoneUploadDoesNotComeBackWhenBlockZeroIsLost)
{
    for (bool shadow : {true, false}) {
        SCOPED_TRACE(shadow);
        Pc pc;
        Player player;
        Upload(pc, player, "a.mp3", Tune(40000, 1));
        Upload(pc, player, "d.mp3", Tune(40000, 4));
        {
            Program run(pc, player);
            ASSERT_TRUE(run.commands.UndoLastChange(false));
        }
        EraseBlockZero(player);
        if (!shadow)
            EraseShadows(player);
        Program run(pc, player);
        if (!shadow) {
            EXPECT_TRUE(run.link.DirectoryDamaged());
            EXPECT_EQ(run.Writes(), 0);
            continue;
        }
        EXPECT_EQ(run.Names(), std::vector<std::string>{"a.mp3"});
        EXPECT_TRUE(run.Said("restored it from its copy on Rio"));
        ExpectWhole(run);
    }
}

// Fault 7: a rescue names a chain from a copy only where the print agrees,
// and keeps the songs no copy knows before those this PC let go.
TEST_F(AcrossPcs, ARescueNamesOnlyWhatThePrintProves)
{
    Pc a, b;
    Player player;
    Upload(b, player, "s1.mp3", Tune(70000, 1));
    {
        Program run(a, player); // A reads s1 but never its blocks: it knows no print of it
        ASSERT_TRUE(run.commands.RenameSong(0, "s1 renamed"));
    }
    {
        Program run(b, player);
        ASSERT_TRUE(run.commands.RemoveSongAt(0, false));
        ASSERT_EQ(run.commands.UploadFiles({File("s2.mp3", Tune(70000, 2))}), 1);
    }
    EraseBlockZero(player);
    EraseShadows(player);
    Program run(a, player);
    ASSERT_TRUE(run.link.DirectoryDamaged());
    ASSERT_TRUE(run.commands.RescueSongs(false));
    EXPECT_EQ(run.Names(), std::vector<std::string>{"Rescued song 1"});
    EXPECT_EQ(run.Songs()[0], Bytes("s2.mp3"));
}

TEST_F(AcrossPcs, ARescueKeepsTheSongsNoCopyKnowsBeforeThoseThisPcLetGo)
{
    Pc a;
    Player player;
    {
        Program run(a, player);
        std::vector<std::string> paths;
        for (int i = 0; i < 31; ++i)
            paths.push_back(File("old" + std::to_string(i) + ".mp3", Tune(1000, unsigned(i + 1))));
        ASSERT_EQ(run.commands.UploadFiles(paths), 31);
        ASSERT_TRUE(run.commands.InitializePlayer(false));
    }
    // Another PC's 30 songs, in blocks above the old ones; then block 0 and
    // every shadow are lost.
    for (uint16_t block = 100; block < 130; ++block) {
        std::vector<uint8_t> data = Tune(kBlockSize, 200u + block);
        for (int page = 0; page < kPagesPerBlock; ++page) {
            uint8_t raw[kRawPageSize];
            std::memcpy(raw, data.data() + page * kPageSize, kPageSize);
            const auto spare = SpareBytes(kNoLinkBlock, kNoLinkBlock, PageChecksum(raw));
            std::memcpy(raw + kPageSize, spare.data(), kSpareSize);
            player.flash.StorePage(PageNumber(block, page), raw);
        }
    }
    EraseBlockZero(player);
    EraseShadows(player);
    Program run(a, player);
    ASSERT_TRUE(run.commands.RescueSongs(false));
    const auto names = run.Names();
    ASSERT_EQ(names.size(), 60u);
    for (int i = 0; i < 30; ++i)
        EXPECT_EQ(names[size_t(i)], "Rescued song " + std::to_string(i + 1));
    for (int i = 0; i < 30; ++i)
        EXPECT_EQ(names[size_t(30 + i)], "old" + std::to_string(i) + ".mp3");
    EXPECT_TRUE(run.Said("1 more songs were found than a directory can list"));
}

// Round three. A song this PC let go and another PC brought back (a rescue,
// the same file into the same blocks, an image put back) is never dropped by
// this PC's stale record when a later save of that PC's is cut with no room
// for a shadow: the damage is reported, and the rescue keeps both songs.
TEST_F(AcrossPcs, AStaleRecordNeverDropsASongThatCameBack)
{
    const auto x1 = Tune(15 * kBlockSize, 1), x2 = Tune(16 * kBlockSize - 100, 2);
    for (int way = 0; way < 3; ++way) {
        SCOPED_TRACE(way);
        Pc a, b;
        Player player(32); // 31 blocks for songs, and both songs fill them
        Upload(b, player, "x1.mp3", x1);
        Upload(b, player, "x2.mp3", x2);
        Player saved(32);
        saved.CopyFrom(player);
        {
            Program run(a, player);
            ASSERT_EQ(run.link.m_image.freeBlocks(), 0);
            ASSERT_TRUE(run.commands.RemoveSongAt(1, false));
        }
        if (way == 0) {
            Program run(b, player);
            ASSERT_TRUE(run.commands.RescueSongs(false));
        } else if (way == 1) {
            Upload(b, player, "x2.mp3", x2);
        } else {
            player.CopyFrom(saved);
        }
        {
            Program run(b, player, 4); // the power goes once block 0 is erased
            run.commands.RenameSong(0, "renamed");
        }
        Program run(a, player);
        EXPECT_TRUE(run.link.DirectoryDamaged());
        EXPECT_EQ(run.Writes(), 0);
        ASSERT_TRUE(run.commands.RescueSongs(false));
        const auto songs = run.Songs();
        EXPECT_EQ(songs, (std::vector<std::vector<uint8_t>>{x1, x2}));
    }
}

// A player below 32 MiB whose save was cut as block 0's first unit was
// erased: its shadow restores it for a PC whose newest record is of a 32 MiB
// player, and for a PC with no record; without the shadow, its rescue reads
// to the player's end and no further.
TEST_F(AcrossPcs, ARepairAndARescueFindASmallPlayersEnd)
{
    for (int blocks : {512, 32}) {
        SCOPED_TRACE(blocks);
        Pc a, b;
        Player player(blocks), big;
        Upload(a, player, "s1.mp3", Tune(40000, 1));
        Upload(a, big, "t1.mp3", Tune(40000, 9));
        const auto change = [](Program& run) { run.commands.RenameSong(0, "renamed"); };
        {
            Program run(a, player, WritesOf(a, player, change) - 64 - 3);
            change(run);
        }
        Player damaged(blocks);
        damaged.CopyFrom(player);
        for (Pc* pc : {&a, &b}) {
            player.CopyFrom(damaged);
            Program run(*pc, player);
            EXPECT_TRUE(run.Said("restored it from its copy on Rio"));
            EXPECT_TRUE(run.Songs() == std::vector<std::vector<uint8_t>>{Tune(40000, 1)});
        }
        player.CopyFrom(damaged);
        EraseShadows(player);
        Pc c;
        Program run(c, player);
        ASSERT_TRUE(run.link.DirectoryDamaged());
        ASSERT_TRUE(run.commands.RescueSongs(false));
        EXPECT_EQ(run.Songs(), std::vector<std::vector<uint8_t>>{Tune(40000, 1)});
        EXPECT_EQ(run.link.m_image.totalBlocks(), blocks);
        // The search for the end reads a dozen pages beyond it; the survey none.
        long beyond = 0;
        for (const FlashOperation& op : run.player.Operations())
            beyond += op.page >= PageNumber(blocks, 0);
        EXPECT_LE(beyond, 12);
    }
}

// An upload into a removed song's blocks, cut at any flash operation, is no
// song to a rescue: never its beginning, erased bytes and the other's end,
// nor, cut between two blocks, the two songs joined.
TEST_F(AcrossPcs, ARescueNeverJoinsACutUploadToARemovedSong)
{
    Pc pc;
    Player start(64);
    const auto s7 = Tune(90000, 7), s6 = Tune(81083, 6);
    Upload(pc, start, "s7.mp3", s7);
    {
        Program run(pc, start);
        ASSERT_TRUE(run.commands.RemoveSongAt(0, false));
    }
    const std::string path = File("s6.mp3", s6);
    const auto upload = [&](Program& run) { run.commands.UploadFiles({path}); };
    const long operations = WritesOf(pc, start, upload);
    const auto records = pc.folder.files;
    for (long cut = 0; cut < operations; ++cut) {
        SCOPED_TRACE(cut);
        Player player(64);
        player.CopyFrom(start);
        pc.folder.files = records;
        {
            Program run(pc, player, cut);
            upload(run);
        }
        Program run(pc, player);
        run.commands.RescueSongs(false);
        for (const auto& song : run.Songs())
            EXPECT_TRUE(song == s7 || song == s6) << "a rescued song of " << song.size() << " bytes is neither";
    }
}

// What a run lists: each song's name and bytes.
using Listing = std::vector<std::pair<std::string, std::vector<uint8_t>>>;

Listing ListingOf(Program& run)
{
    Listing listing;
    const auto names = run.Names();
    const auto songs = run.Songs();
    for (size_t i = 0; i < names.size(); ++i)
        listing.emplace_back(names[i], songs[i]);
    return listing;
}

// Every cut point natively; a sample of them where the code runs slower.
#if defined(__SANITIZE_ADDRESS__) || defined(_WIN32)
constexpr long kSweepStride = 7;
#else
constexpr long kSweepStride = 1;
#endif

// A history of changes by several PCs on several players. Each change is
// cut short at every flash operation in turn; then every PC that uses the
// player lists it, the others first: each lists the state before the change
// or after it, or (another PC) reports damage and writes nothing. Then the
// change is made whole and the next one follows.
struct Step {
    int pc;
    int player;
    std::function<void(AcrossPcs&, Program&)> change;
};

class Histories : public AcrossPcs {
protected:
    void Sweep(std::vector<Pc>& pcs, std::vector<Player>& players, const std::vector<Step>& steps)
    {
        long cuts = 0, repaired = 0;
        for (size_t s = 0; s < steps.size(); ++s) {
            const Step& step = steps[s];
            Pc& pc = pcs[size_t(step.pc)];
            Player& player = players[size_t(step.player)];
            Listing before, after;
            {
                Program run(pc, player);
                before = ListingOf(run);
            }
            const long operations = WritesOf(pc, player, [&](Program& run) { step.change(*this, run); });
            {
                // The listing after a whole change, tried on copies.
                Pc twin(pc.clockOffset);
                twin.folder.files = pc.folder.files;
                Player trial(player.flash.Blocks());
                trial.CopyFrom(player);
                {
                    Program run(twin, trial);
                    step.change(*this, run);
                }
                Program run(twin, trial);
                after = ListingOf(run);
            }
            Player start(player.flash.Blocks());
            start.CopyFrom(player);
            std::vector<std::map<std::string, std::vector<uint8_t>>> kept;
            for (const Pc& each : pcs)
                kept.push_back(each.folder.files);
            for (long cut = 0; cut <= operations; cut += kSweepStride) {
                SCOPED_TRACE("step " + std::to_string(s) + ", cut after " + std::to_string(cut));
                player.CopyFrom(start);
                for (size_t i = 0; i < pcs.size(); ++i)
                    pcs[i].folder.files = kept[i];
                {
                    Program run(pc, player, cut);
                    step.change(*this, run);
                }
                ++cuts;
                for (size_t i = 0; i < pcs.size(); ++i) {
                    if (int(i) == step.pc)
                        continue;
                    Program other(pcs[i], player);
                    const Listing listed = ListingOf(other);
                    const bool refused = other.link.DirectoryDamaged() && other.Writes() == 0;
                    EXPECT_TRUE(listed == before || listed == after || refused) << "another PC lists " << listed.size();
                    repaired += other.Said("restored");
                }
                Program same(pc, player);
                const Listing listed = ListingOf(same);
                EXPECT_TRUE(listed == before || listed == after)
                    << "the PC lists " << listed.size() << (same.link.DirectoryDamaged() ? ", damaged" : "");
                repaired += same.Said("restored");
                for (size_t p = 0; p < players.size(); ++p)
                    EXPECT_TRUE(int(p) == step.player || Program(pc, players[p]).Writes() == 0);
            }
            player.CopyFrom(start);
            for (size_t i = 0; i < pcs.size(); ++i)
                pcs[i].folder.files = kept[i];
            Program run(pc, player);
            step.change(*this, run);
        }
        std::printf("%ld cuts, %ld repairs\n", cuts, repaired);
    }

    static Step UploadBy(int pc, int player, const std::string& name, unsigned seed)
    {
        return {pc, player, [name, seed](AcrossPcs& t, Program& run) {
                    run.commands.UploadFiles({t.File(name, Tune(40000, seed))});
                }};
    }
};

TEST_F(Histories, TwoPcsWithWrongClocksTakingTurnsOnOnePlayer)
{
    std::vector<Pc> pcs;
    pcs.emplace_back(3600);   // an hour ahead
    pcs.emplace_back(-86400); // a day behind
    std::vector<Player> players(1);
    Sweep(pcs, players,
          {UploadBy(0, 0, "s1.mp3", 1),
           UploadBy(1, 0, "s2.mp3", 2),
           {0, 0, [](AcrossPcs&, Program& run) { run.commands.RemoveSongAt(0, false); }},
           {1, 0, [](AcrossPcs&, Program& run) { run.commands.RenameSong(0, "two"); }},
           UploadBy(0, 0, "s3.mp3", 3),
           {0, 0, [](AcrossPcs&, Program& run) { run.commands.UndoLastChange(false); }},
           {1, 0, [](AcrossPcs&, Program& run) { run.commands.InitializePlayer(false); }},
           {1, 0, [](AcrossPcs&, Program& run) { run.commands.UndoLastChange(false); }}});
}

TEST_F(Histories, OnePcTakingTurnsOnTwoPlayers)
{
    std::vector<Pc> pcs(1);
    std::vector<Player> players(2);
    Sweep(pcs, players,
          {UploadBy(0, 0, "s1.mp3", 1),
           UploadBy(0, 1, "t1.mp3", 1), // the same song on the other player
           UploadBy(0, 0, "s2.mp3", 2),
           {0, 1, [](AcrossPcs&, Program& run) { run.commands.InitializePlayer(false); }},
           {0, 0, [](AcrossPcs&, Program& run) { run.commands.UndoLastChange(false); }},
           {0, 1, [](AcrossPcs&, Program& run) { run.commands.UndoLastChange(false); }},
           {0, 0, [](AcrossPcs&, Program& run) { run.commands.RenameSong(0, "one"); }}});
}

} // namespace
