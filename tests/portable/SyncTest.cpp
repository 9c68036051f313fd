// The player made to hold a list: one save that keeps, moves, adds and
// removes at once, which one undo takes back; songs recognised by the file
// they came from, else by name and size; the removal saved first when the
// new songs need its memory; and a power cut at any flash operation leaving
// the old list or the new, every kept song whole.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>

#include "PageProgram.h"
#include "StoragePlayer.h"
#include "TempPath.h"
#include "audio/AudioFile.h"
#include "playlist/PlaylistText.h"
#include "commands/SyncRun.h"
#include "commands/SyncText.h"
#include "commands/SongIdentity.h"

namespace {

using Names = std::vector<std::string>;

// MPEG-1 Layer 3 frames of 417 bytes whose payload differs with `seed`.
std::vector<uint8_t> Frames(size_t frames, unsigned seed)
{
    std::vector<uint8_t> bytes = Mp3Frames(frames);
    for (size_t f = 0; f < frames; ++f)
        for (size_t i = 4; i < 417; ++i)
            bytes[f * 417 + i] = uint8_t(bytes[f * 417 + i] * 7 + seed * 31 + i / 5);
    return bytes;
}

// Frames of a little less than a block: n of these blocks fill n blocks.
constexpr size_t kFramesPerBlock = 32768 / 417;

struct Sync : ::testing::Test {
    Sync() : folder("sync") { std::filesystem::create_directories(folder.Path()); }

    std::string Path(const std::string& name) { return (folder.Path() / name).string(); }
    void Make(const std::string& name, size_t frames, unsigned seed) { WriteFile(Path(name), Frames(frames, seed)); }
    std::vector<uint8_t> Bytes(const std::string& name) { return ReadFile(Path(name)); }
    void Upload(Pc& pc, Player& player, const Names& names)
    {
        Program run(pc, player);
        std::vector<std::string> paths;
        for (const std::string& name : names)
            paths.push_back(Path(name));
        ASSERT_EQ(run.commands.UploadFiles(paths), int(names.size()));
    }
    SyncPlan Plan(Program& run, const Names& list)
    {
        std::vector<AudioFileFacts> files;
        for (const std::string& name : list)
            files.push_back(ExamineAudioFile(Path(name)));
        return PlanSync(run.link.m_image, KnownSongs(run.link), files, {});
    }
    bool SyncTo(Program& run, const Names& list) { return RunSyncPlan(run.link, run.commands, Plan(run, list)).saved; }
    // Every listed song holds the bytes of the file it is named after.
    void ExpectWhole(Program& run)
    {
        const auto songs = run.Songs();
        const auto names = run.Names();
        for (size_t i = 0; i < names.size(); ++i)
            EXPECT_EQ(songs[i], Bytes(names[i])) << names[i] << " does not hold its file's bytes";
    }
    static std::set<uint16_t> Blocks(const DirectoryImage& image)
    {
        std::set<uint16_t> blocks;
        for (int slot = 0; slot < image.entryCount(); ++slot)
            for (uint16_t block : image.ChainOf(slot))
                blocks.insert(block);
        return blocks;
    }

    TempPath folder;
};

}

TEST_F(Sync, KeepsMovesAddsAndRemovesInOneSaveThatOneUndoTakesBack)
{
    Pc pc;
    Player player;
    Make("a.mp3", 100, 1);
    Make("b.mp3", 200, 2);
    Make("c.mp3", 150, 3);
    Make("d.mp3", 90, 4);
    Make("e.mp3", 120, 5);
    Make("f.mp3", 60, 6);
    Upload(pc, player, {"a.mp3", "b.mp3", "c.mp3", "d.mp3"});
    std::unique_ptr<DirectoryImage> before;
    {
        Program run(pc, player);
        before = std::make_unique<DirectoryImage>(run.link.m_image);
        const SyncPlan plan = Plan(run, {"c.mp3", "e.mp3", "a.mp3", "f.mp3"});
        EXPECT_EQ(SyncCounts(plan), "keep 0, move 2, add 2, remove 2"); // c up from 3 to 1, a down from 1 to 3
        EXPECT_FALSE(plan.removalFirst);
        EXPECT_EQ(plan.entries[0].oldSlot, 2);
        EXPECT_EQ(plan.entries[2].oldSlot, 0);
        ASSERT_TRUE(RunSyncPlan(run.link, run.commands, plan).saved);
        EXPECT_EQ(run.ui.Count(TransferKind::SaveDirectory), 1);
    }
    Program after(pc, player);
    EXPECT_EQ(after.Names(), (Names{"c.mp3", "e.mp3", "a.mp3", "f.mp3"}));
    ExpectWhole(after);
    EXPECT_EQ(BrokenInvariant(after.link.m_image), "");
    // Kept songs stay in their blocks; new ones went to blocks free before,
    // so the removed ones are still whole.
    EXPECT_EQ(after.link.m_image.ChainOf(0), before->ChainOf(2));
    EXPECT_EQ(after.link.m_image.ChainOf(2), before->ChainOf(0));
    const std::set<uint16_t> old = Blocks(*before);
    for (int slot : {1, 3})
        for (uint16_t block : after.link.m_image.ChainOf(slot))
            EXPECT_EQ(old.count(block), 0u) << "a new song in block " << block;
    EXPECT_EQ(after.link.m_image.freeBlocks(), before->freeBlocks() + 3 + 2 - 2 - 1);

    ASSERT_TRUE(after.commands.UndoLastChange(false));
    Program undone(pc, player);
    EXPECT_EQ(undone.Names(), (Names{"a.mp3", "b.mp3", "c.mp3", "d.mp3"}));
    ExpectWhole(undone);
}

TEST_F(Sync, RecognisesSongsByTheFileTheyCameFromElseByNameAndSize)
{
    Pc pc, other;
    Player player;
    Make("x.mp3", 100, 1);
    Make("y.mp3", 100, 2);
    Make("copy of x.mp3", 100, 1);
    Upload(pc, player, {"x.mp3"});
    {
        Program run(pc, player);
        ASSERT_TRUE(run.commands.RenameSong(0, "Renamed"));
        // Renamed, it is still the song of x.mp3, and of any copy of it.
        EXPECT_FALSE(Plan(run, {"x.mp3"}).Changes());
        EXPECT_FALSE(Plan(run, {"copy of x.mp3"}).Changes());
        // An upload of it again, under any name, is left out.
        std::vector<AudioFileFacts> files = {ExamineAudioFile(Path("copy of x.mp3")), ExamineAudioFile(Path("y.mp3"))};
        const std::vector<KnownSong> songs = KnownSongs(run.link);
        const UploadPlan upload = PlanUpload(files, {}, 100, 1, nullptr, &songs);
        EXPECT_TRUE(upload.files[0].skipped);
        EXPECT_EQ(upload.files[0].duplicateOf, "\"Renamed\" on the player");
        EXPECT_FALSE(upload.files[1].skipped);
        UploadOptions again;
        again.storeDuplicates = true;
        EXPECT_FALSE(PlanUpload(files, again, 100, 1, nullptr, &songs).files[0].skipped);
    }
    // A song stored by another PC: known here by its name and size only.
    Upload(other, player, {"y.mp3"});
    Program run(pc, player);
    const SyncPlan plan = Plan(run, {"y.mp3"});
    EXPECT_EQ(SyncCounts(plan), "keep 0, move 1, add 0, remove 1");
    ASSERT_TRUE(RunSyncPlan(run.link, run.commands, plan).saved);
    EXPECT_EQ(run.Names(), (Names{"y.mp3"}));
}

// Name and size tell only a song this PC knows nothing of, and a print only
// one whose file it does not know: another recording of the same length, or
// a file changed off the pages the print reads, is not the song any more.
TEST_F(Sync, AChangedFileOfTheSameNameAndSizeIsNoLongerItsSong)
{
    Pc pc;
    Player player;
    Make("x.mp3", 100, 1);
    Upload(pc, player, {"x.mp3"});
    std::vector<uint8_t> edited = Bytes("x.mp3");
    edited[1000] ^= 1;
    for (const std::vector<uint8_t>& changed : {Frames(100, 2), edited}) {
        WriteFile(Path("x.mp3"), changed);
        Program run(pc, player);
        EXPECT_EQ(SyncCounts(Plan(run, {"x.mp3"})), "keep 0, move 0, add 1, remove 1");
        const std::vector<KnownSong> songs = KnownSongs(run.link);
        EXPECT_FALSE(PlanUpload({ExamineAudioFile(Path("x.mp3"))}, {}, 100, 1, nullptr, &songs).files[0].skipped);
    }
}

// A file of the list that became empty or damaged, or that this program
// cannot convert, changes nothing of its song: the song stays, told by the
// file it came from or by a name the file would give it (as it is,
// converted, or from the tags it kept), and the plan says why. A folder's
// picture is no song of the list.
TEST_F(Sync, AFileThatCannotBeReadAsAudioKeepsItsSong)
{
    Pc pc;
    Player player;
    std::filesystem::create_directories(Path("album"));
    std::vector<uint8_t> noise(5000);
    for (size_t i = 0; i < noise.size(); ++i)
        noise[i] = uint8_t(i * 37 + i / 7);
    for (const char* name : {"album/a.mp3", "album/b.mp3", "album/d.mp3", "album/e.mp3"})
        Make(name, 100, unsigned(name[6]));
    WriteFile(Path("album/g.mp3"), noise); // stored as it was, then renamed
    Upload(pc, player, {"album/a.mp3", "album/b.mp3", "album/d.mp3", "album/e.mp3", "album/g.mp3"});
    {
        Program run(pc, player);
        ASSERT_TRUE(run.commands.RenameSong(3, "Artist - Title"));
        ASSERT_TRUE(run.commands.RenameSong(4, "Noise"));
    }
    WriteFile(Path("album/a.mp3"), {});
    noise[0] = 1;
    WriteFile(Path("album/b.mp3"), noise);
    std::filesystem::remove(Path("album/d.mp3"));
    noise[0] = 2;
    WriteFile(Path("album/d.flac"), noise); // its song as if converted from it
    std::vector<uint8_t> tagged = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 33}; // its audio gone, its tags left
    const std::string frames("TPE1\0\0\0\x07\0\0\0Artist" "TIT2\0\0\0\x06\0\0\0Title", 33);
    tagged.insert(tagged.end(), frames.begin(), frames.end());
    tagged.insert(tagged.end(), noise.begin(), noise.end());
    WriteFile(Path("album/e.mp3"), tagged);
    WriteFile(Path("album/cover.jpg"), {0xFF, 0xD8, 0xFF, 0xE0, 'J', 'F', 'I', 'F'});

    Program run(pc, player);
    const UploadItems items = ExpandUploadItems({Path("album")}, SystemPlaylistText());
    EXPECT_EQ(items.notes.size(), 1u) << "the cover is left out";
    const SyncPlan plan = PlanSync(run.link.m_image, KnownSongs(run.link), items.files, {});
    EXPECT_FALSE(plan.Changes()) << SyncCounts(plan);
    EXPECT_EQ(plan.refused.size(), 5u);
    const std::vector<std::string> lines = SyncPlanLines(plan);
    ASSERT_EQ(lines.size(), 5u) << ::testing::PrintToString(lines);
    EXPECT_EQ(lines[0], " 1. keep   \"a.mp3\" (0.0 MB) as it is: a.mp3 cannot replace it, the file is empty");
    EXPECT_EQ(lines[4].rfind(" 5. keep   \"Noise\" (0.0 MB) as it is: g.mp3 cannot replace it, not a sound file", 0), 0u)
        << lines[4];
}

// A changed file that cannot be stored when the sync comes to it (gone, or
// failing to convert) leaves its old song in its place, whole; also as the
// only song afterwards, when the directory's block must be taken back.
TEST_F(Sync, ASongStaysWhenItsNewFileCannotBeStored)
{
    for (const Names& list : {Names{"x.mp3", "y.mp3"}, Names{"x.mp3"}}) {
        SCOPED_TRACE(list.size());
        Pc pc;
        Player player;
        Make("x.mp3", 100, 1);
        Make("y.mp3", 100, 2);
        Upload(pc, player, {"x.mp3", "y.mp3"});
        const std::vector<uint8_t> old = Bytes("x.mp3");
        Make("x.mp3", 120, 3);
        Make("y.mp3", 120, 4);
        Program run(pc, player);
        const SyncPlan plan = Plan(run, list);
        std::filesystem::remove(Path("x.mp3"));
        const SyncResult result = RunSyncPlan(run.link, run.commands, plan);
        ASSERT_TRUE(result.saved);
        ASSERT_EQ(run.Names(), list);
        EXPECT_EQ(run.Songs()[0], old);
        EXPECT_EQ(BrokenInvariant(run.link.m_image), "");
        EXPECT_TRUE(run.Said("\"x.mp3\" stays as it was")) << ::testing::PrintToString(run.ui.messages);
        const std::string counts = list.size() == 2 ? "(1 kept, 1 added, 1 removed)" : "(1 kept, 0 added, 1 removed)";
        EXPECT_NE(SyncClosingLine(plan, result, &run.link.m_image).find(counts), std::string::npos);
    }
}

TEST_F(Sync, TheRemovalGoesFirstWhenTheNewSongsNeedItsMemory)
{
    Pc pc;
    Player player(32); // a 1 MiB player: 31 blocks for songs
    Make("a.mp3", 10 * kFramesPerBlock, 1);
    Make("b.mp3", 10 * kFramesPerBlock, 2);
    Make("c.mp3", 15 * kFramesPerBlock, 3);
    Make("big.mp3", 25 * kFramesPerBlock, 4);
    Upload(pc, player, {"a.mp3", "b.mp3"});
    {
        Program run(pc, player);
        // The list's head that fits: a, c; big and what follows it do not.
        const SyncPlan head = Plan(run, {"a.mp3", "c.mp3", "big.mp3", "b.mp3"});
        EXPECT_EQ(head.entries.size(), 2u);
        ASSERT_EQ(head.notFitting.size(), 2u);
        EXPECT_EQ(DeviceLink::BaseName(head.notFitting[0].facts.path), "big.mp3");
        EXPECT_TRUE(head.removalFirst);
        EXPECT_NE(SyncRemovalFirstText(head), "");
        ASSERT_TRUE(RunSyncPlan(run.link, run.commands, head).saved);
        EXPECT_EQ(run.ui.Count(TransferKind::SaveDirectory), 2);
    }
    Program after(pc, player);
    EXPECT_EQ(after.Names(), (Names{"a.mp3", "c.mp3"}));
    ExpectWhole(after);
    // One undo goes back to the removal; the one before cannot be undone.
    ASSERT_TRUE(after.commands.UndoLastChange(false));
    EXPECT_EQ(after.Names(), (Names{"a.mp3"}));
    EXPECT_FALSE(after.commands.UndoLastChange(false));
    EXPECT_TRUE(after.Said("the blocks of \"b.mp3\" have been written since"));
    EXPECT_EQ(after.Names(), (Names{"a.mp3"}));
}

// Every cut point natively; a sample of them where the code runs slower.
#if defined(__SANITIZE_ADDRESS__) || defined(_WIN32)
constexpr long kStride = 5;
#else
constexpr long kStride = 1;
#endif

TEST_F(Sync, APowerCutAnywhereLeavesTheOldListOrTheNewWithEveryKeptSongWhole)
{
    struct Case {
        int blocks;
        Names onPlayer, list;
        std::vector<Names> allowed; // old, new, and after a removal first the songs kept
    };
    Make("a.mp3", 100, 1);
    Make("b.mp3", 2 * kFramesPerBlock, 2);
    Make("c.mp3", 150, 3);
    Make("e.mp3", 3 * kFramesPerBlock, 5);
    const std::vector<Case> cases = {
        {1024, {"a.mp3", "b.mp3", "c.mp3"}, {"c.mp3", "e.mp3", "a.mp3"},
         {{"a.mp3", "b.mp3", "c.mp3"}, {"c.mp3", "e.mp3", "a.mp3"}}},
        // 9 blocks: e needs b's.
        {9, {"a.mp3", "b.mp3", "c.mp3"}, {"c.mp3", "e.mp3", "a.mp3"},
         {{"a.mp3", "b.mp3", "c.mp3"}, {"c.mp3", "a.mp3"}, {"c.mp3", "e.mp3", "a.mp3"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.blocks);
        Pc pc;
        Player player(c.blocks);
        Upload(pc, player, c.onPlayer);
        Player start(c.blocks);
        start.CopyFrom(player);
        const auto records = pc.folder.files;
        long operations = 0;
        {
            Program run(pc, player);
            run.player.ClearLogs();
            ASSERT_TRUE(SyncTo(run, c.list));
            operations = run.Writes();
            EXPECT_EQ(Program(pc, player).Names(), c.allowed.back());
        }
        for (long cut = 0; cut <= operations; cut += kStride) {
            SCOPED_TRACE(cut);
            player.CopyFrom(start);
            pc.folder.files = records;
            {
                Program run(pc, player, cut);
                SyncTo(run, c.list);
            }
            Program after(pc, player);
            const Names listed = after.Names();
            EXPECT_TRUE(std::find(c.allowed.begin(), c.allowed.end(), listed) != c.allowed.end())
                << listed.size() << " songs listed" << (after.link.DirectoryDamaged() ? ", damaged" : "");
            ExpectWhole(after);
        }
    }
}
