// The power goes, or the cable comes out, at every point of every change:
// afterwards a fresh start must list every song stored before, each byte for
// byte, and the change either whole or not at all. Bit flips on the wire
// during a load give the directory or a report, never a wrong list.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "MemoryCopyFolder.h"
#include "ScriptedUi.h"
#include "StoragePlayer.h"
#include "TempPath.h"
#include "TestFiles.h"
#include "format/PageFormat.h"
#include "simulator/FactoryImage.h"
#include "commands/SongCommands.h"
#include "storage/safety/DirectoryCopies.h"

namespace {

// Every cut point natively; a sample of them where the code runs slower.
#if defined(__SANITIZE_ADDRESS__) || defined(_WIN32)
constexpr long kStride = 7;
#else
constexpr long kStride = 1;
#endif

struct Song {
    std::string name;
    std::vector<uint8_t> bytes;
};

// What a fresh start lists.
struct Listing {
    std::vector<Song> songs;
    bool damaged = false;
    bool restored = false; // from a copy, at the fresh start
    std::string broken;
};

using Change = std::function<void(SongCommands&)>;

// One player and one PC, put back to the same committed state before each run.
class Sweep {
public:
    explicit Sweep(const std::vector<Song>& committed) : m_folder("sweep")
    {
        std::filesystem::create_directories(m_folder.Path());
        MakeFactoryFresh(m_flash);
        Session session(*this, -1);
        std::vector<std::string> paths;
        for (const Song& song : committed)
            paths.push_back(File(song));
        EXPECT_EQ(session.commands.UploadFiles(paths), int(committed.size()));
        Touch(session.player);
        for (uint32_t page : m_touched)
            m_master[page].assign(m_flash.RawPage(page), m_flash.RawPage(page) + kRawPageSize);
        m_masterFiles = m_pc.files;
        m_touched.clear();
    }

    std::string File(const Song& song)
    {
        const std::string path = (m_folder.Path() / song.name).string();
        WriteFile(path, song.bytes);
        return path;
    }

    // Flash operations the change takes when nothing goes wrong.
    long Operations(const Change& change)
    {
        Restore();
        Session session(*this, -1);
        change(session.commands);
        Touch(session.player);
        long count = 0;
        for (const FlashOperation& op : session.player.Operations())
            count += op.kind != FlashOperation::Read;
        return count;
    }

    // Transfer steps the change takes when nothing goes wrong.
    int Steps(const Change& change)
    {
        Restore();
        Session session(*this, -1);
        change(session.commands);
        Touch(session.player);
        return session.ui.stepsRun;
    }

    // The change with the power gone after `cut` flash operations, or the
    // cable out from transfer step `pullAt` on; then a fresh start on the
    // same player, with or without this PC's copies.
    Listing Run(const Change& change, long cut, int pullAt, bool pcCopies)
    {
        Restore();
        {
            Session session(*this, cut);
            session.ui.beforeStep = [&](TransferKind, int) {
                if (session.ui.stepsRun - 1 == pullAt)
                    session.player.Faults().absent = true;
            };
            change(session.commands);
            Touch(session.player);
        }
        if (!pcCopies)
            m_pc.files.clear();
        Session after(*this, -1);
        Touch(after.player);
        return Listed(after);
    }

private:
    struct Session {
        Session(Sweep& sweep, long cut) : player(sweep.m_flash), copies(sweep.m_pc), list(link), commands(link, list)
        {
            player.UseVirtualClock(true);
            player.Faults().powerCutAfter = cut;
            link.AttachPorts(&player);
            link.AttachUserInterface(&ui);
            link.AttachDirectoryCopies(&copies);
            link.SetPort(0x378);
            ReloadDirectory(link);
        }
        SimulatedPlayer player;
        ScriptedUi ui;
        DirectoryCopies copies;
        DeviceLink link;
        ReloadingList list;
        SongCommands commands;
    };

    Listing Listed(Session& s)
    {
        Listing listing;
        DirectoryImage& image = s.link.m_image;
        listing.damaged = s.link.DirectoryDamaged();
        for (const std::string& message : s.ui.messages)
            listing.restored = listing.restored || message.find("restored") != std::string::npos;
        listing.broken = BrokenInvariant(image);
        if (!listing.broken.empty())
            return listing;
        for (int slot = 0; slot < image.entryCount(); ++slot) {
            DirectoryEntry e = image.Entry(slot);
            std::vector<uint8_t> bytes;
            unsigned block = e.firstBlock();
            for (int i = 0; i < e.blockCount(); ++i) {
                for (int page = 0; page < 64; ++page) {
                    const uint8_t* raw = m_flash.RawPage(block * 64 + page);
                    bytes.insert(bytes.end(), raw, raw + kPageSize);
                }
                block = image.blockLink(block);
            }
            bytes.resize(e.size());
            listing.songs.push_back({e.name(), bytes});
        }
        return listing;
    }

    void Touch(const SimulatedPlayer& player)
    {
        for (const FlashOperation& op : player.Operations()) {
            if (op.kind == FlashOperation::Program)
                m_touched.insert(op.page);
            if (op.kind == FlashOperation::Erase)
                for (uint32_t page = op.page; page < op.page + kPagesPerEraseUnit; ++page)
                    m_touched.insert(page);
        }
    }

    // Pages the runs wrote go back to what they held after the commit.
    void Restore()
    {
        static const std::vector<uint8_t> erased(kRawPageSize, 0xFF);
        for (uint32_t page : m_touched) {
            const auto kept = m_master.find(page);
            m_flash.StorePage(page, kept == m_master.end() ? erased.data() : kept->second.data());
        }
        m_touched.clear();
        m_pc.files = m_masterFiles;
    }

    TempPath m_folder;
    FlashMemory m_flash{1024};
    MemoryCopyFolder m_pc;
    std::map<uint32_t, std::vector<uint8_t>> m_master;
    std::map<std::string, std::vector<uint8_t>> m_masterFiles;
    std::set<uint32_t> m_touched;
};

std::string Names(const std::vector<Song>& songs)
{
    std::string names;
    for (const Song& song : songs)
        names += song.name + ";";
    return names;
}

// Sound: the rules kept, nothing reported damaged, and the songs listed one
// of the two acceptable ways, each byte for byte.
bool Acceptable(const Listing& listing, const std::vector<std::vector<Song>>& allowed)
{
    if (!listing.broken.empty() || listing.damaged)
        return false;
    for (const std::vector<Song>& songs : allowed) {
        if (songs.size() != listing.songs.size())
            continue;
        bool same = true;
        for (size_t i = 0; i < songs.size() && same; ++i)
            same = songs[i].name == listing.songs[i].name && songs[i].bytes == listing.songs[i].bytes;
        if (same)
            return true;
    }
    return false;
}

const std::vector<Song> kCommitted = {
    {"a.mp3", Numbered(40000, 1)}, {"b.mp3", Numbered(32768, 2)}, {"c.mp3", Numbered(5000, 3)}};

struct Case {
    const char* what;
    Change change;
    std::vector<Song> after;
};

std::vector<Case> Cases(Sweep& sweep)
{
    const Song added = {"d.mp3", Numbered(20000, 4)};
    const std::string path = sweep.File(added);
    std::vector<Song> renamed = kCommitted;
    renamed[1].name = "renamed";
    return {
        {"upload", [path](SongCommands& c) { c.UploadFiles({path}); },
         {kCommitted[0], kCommitted[1], kCommitted[2], added}},
        {"remove", [](SongCommands& c) { c.RemoveSongAt(1, false); }, {kCommitted[0], kCommitted[2]}},
        {"rename", [](SongCommands& c) { c.RenameSong(1, "renamed"); }, renamed},
        {"move", [](SongCommands& c) { c.MoveSong(2, 0); }, {kCommitted[2], kCommitted[0], kCommitted[1]}},
        {"initialize", [](SongCommands& c) { c.InitializePlayer(false); }, {}},
    };
}

// One change per test, so that they run side by side.
class ChangeSweep : public ::testing::TestWithParam<int> {
protected:
    ChangeSweep() : sweep(kCommitted), change(Cases(sweep)[size_t(GetParam())]) {}
    Sweep sweep;
    Case change;
};

TEST_P(ChangeSweep, APowerCutLosesNoCommittedSongAndLeavesTheChangeWholeOrAbsent)
{
    const long operations = sweep.Operations(change.change);
    ASSERT_GT(operations, 60);
    long tried = 0, clean = 0, restores = 0;
    for (long cut = 0; cut <= operations; cut += kStride) {
        // Without this PC's copies (the player moved to another PC) only a
        // restore can differ: that case is run again without them.
        bool restored = true;
        for (bool pcCopies : {true, false}) {
            if (!restored)
                break;
            const Listing listing = sweep.Run(change.change, cut, -1, pcCopies);
            restored = listing.restored;
            restores += restored;
            ++tried;
            if (Acceptable(listing, {kCommitted, change.after}))
                ++clean;
            else
                ADD_FAILURE() << "cut after " << cut << " flash operations, " << (pcCopies ? "with" : "without")
                              << " this PC's copies: " << Names(listing.songs) << " " << listing.broken
                              << (listing.damaged ? " (reported damaged)" : "");
        }
    }
    std::printf("%s: power cuts tried %ld, clean %ld, restored from a copy %ld\n", change.what, tried, clean,
                restores);
}

TEST_P(ChangeSweep, ACablePulledAtAnyStepLosesNothing)
{
    const int steps = sweep.Steps(change.change);
    long tried = 0, clean = 0;
    for (int pull = 0; pull <= steps; pull += int(kStride)) {
        const Listing listing = sweep.Run(change.change, -1, pull, true);
        ++tried;
        if (Acceptable(listing, {kCommitted, change.after}))
            ++clean;
        else
            ADD_FAILURE() << "cable pulled at step " << pull << ": " << Names(listing.songs) << " "
                          << listing.broken;
    }
    std::printf("%s: cable pulls tried %ld, clean %ld\n", change.what, tried, clean);
}

std::string ChangeName(const ::testing::TestParamInfo<int>& info)
{
    static const char* const kNames[] = {"Upload", "Remove", "Rename", "Move", "Initialize"};
    return kNames[info.param];
}

INSTANTIATE_TEST_SUITE_P(EveryChange, ChangeSweep, ::testing::Range(0, 5), ChangeName);

// Flipped bits on the way in: the load reads a page again while it disagrees
// with its own checksum; what cannot be read right is reported, and nothing
// but a true copy is ever written.
TEST(PowerCutSweep, BitFlipsDuringALoadGiveTheDirectoryOrAReport)
{
    StoragePlayer p;
    p.Reload();
    TempPath folder("flips");
    std::filesystem::create_directories(folder.Path());
    for (const Song& song : kCommitted) {
        const std::string path = (folder.Path() / song.name).string();
        WriteFile(path, song.bytes);
        ASSERT_EQ(p.link->UploadSong(path.c_str()), 1);
        ASSERT_EQ(p.link->SaveDirectory(), 1);
    }
    p.Reload();
    const auto committed = std::make_unique<DirectoryImage>(p.Image());
    for (int every : {50021, 5003, 997, 101}) {
        SCOPED_TRACE(every);
        p.Restart();
        p.ui = ScriptedUi();
        p.player.Faults().flipBitEvery = every;
        p.link->InitializeDirectory();
        p.link->LoadDirectory();
        const bool right = std::memcmp(p.Image().Bytes(), committed->Bytes(), DirectoryImage::kSize) == 0;
        EXPECT_TRUE(right || (p.link->DirectoryDamaged() && !p.ui.messages.empty()));
        p.player.Faults().flipBitEvery = 0;
        p.Restart();
        p.Reload();
        EXPECT_EQ(std::memcmp(p.Image().Bytes(), committed->Bytes(), DirectoryImage::kSize), 0);
    }
}

} // namespace
