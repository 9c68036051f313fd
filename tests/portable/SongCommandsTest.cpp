// The song commands' flows: confirmations, saves, refills, and what is put
// back when a change is abandoned.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>

#include "StoragePlayer.h"
#include "TempPath.h"
#include "TestFiles.h"
#include "link/PlayerLock.h"
#include "commands/SongCommands.h"
#include "storage/StorageTexts.h"

namespace {

class CountingList : public SongListView {
public:
    explicit CountingList(DeviceLink& link) : m_link(link) {}
    int FillSongList() override
    {
        ++fills;
        ReloadDirectory(m_link);
        return 1;
    }
    int fills = 0;

private:
    DeviceLink& m_link;
};

struct Commands : ::testing::Test {
    Commands() : folder("commands"), list(*p.link), commands(*p.link, list)
    {
        std::filesystem::create_directories(folder.Path());
        p.Reload();
    }
    std::string File(const std::string& name, size_t size)
    {
        const std::string path = (folder.Path() / name).string();
        WriteFile(path, Numbered(size, unsigned(name[0])));
        return path;
    }
    std::vector<std::string> Names()
    {
        std::vector<std::string> names;
        for (int slot = 0; slot < p.Image().entryCount(); ++slot)
            names.push_back(p.Image().Entry(slot).name());
        return names;
    }
    int Saves() const { return p.ui.Count(TransferKind::SaveDirectory); }
    void StoreSongs(const std::vector<std::string>& names)
    {
        std::vector<std::string> paths;
        for (const auto& name : names)
            paths.push_back(File(name, 100));
        ASSERT_EQ(commands.UploadFiles(paths), int(names.size()));
        p.ui = ScriptedUi();
        list.fills = 0;
    }

    TempPath folder;
    StoragePlayer p;
    CountingList list;
    SongCommands commands;
};

TEST_F(Commands, DroppedFilesStopAtTheFirstFailureAndTheListIsRefilled)
{
    const std::vector<std::string> paths = {File("one", 1000), folder.String() + "/missing",
                                            File("three", 1000)};
    EXPECT_EQ(commands.UploadFiles(paths), 1);
    EXPECT_EQ(Saves(), 1);
    EXPECT_EQ(p.ui.Count(TransferKind::Upload), 1); // the third was not tried
    EXPECT_EQ(list.fills, 1);
    EXPECT_EQ(Names(), std::vector<std::string>{"one"});
    EXPECT_EQ(BrokenInvariant(p.Image()), "");
}

TEST_F(Commands, AFailedUploadWithNothingStoredPutsTheImageBack)
{
    StoreSongs({"a"});
    auto before = std::make_unique<DirectoryImage>(p.Image());
    p.ui.cancelAfterSteps = 1;
    EXPECT_EQ(commands.UploadFiles({File("big", 5 * 32768)}), 0);
    EXPECT_EQ(std::memcmp(before->Bytes(), p.Image().Bytes(), DirectoryImage::kSize), 0);
    EXPECT_EQ(Saves(), 0);
    EXPECT_EQ(list.fills, 0);
}

TEST_F(Commands, AnUploadIntoAFullDirectoryChangesNothing)
{
    p.Image().SetEntryCount(60);
    auto before = std::make_unique<DirectoryImage>(p.Image());
    EXPECT_EQ(commands.UploadFiles({File("more", 10)}), 0);
    EXPECT_EQ(std::memcmp(before->Bytes(), p.Image().Bytes(), DirectoryImage::kSize), 0);
    EXPECT_EQ(p.ui.messages.size(), 1u); // the directory is full, and the user is told
    EXPECT_EQ(Saves(), 0);
}

TEST_F(Commands, RemoveAsksFirstAndSavesAndRefills)
{
    StoreSongs({"a", "b"});
    p.ui.answerYes = false;
    EXPECT_FALSE(commands.RemoveSongAt(0, true));
    EXPECT_EQ(p.ui.questions, std::vector<std::string>{kRemoveWarning});
    EXPECT_EQ(Saves(), 0);
    EXPECT_EQ(Names(), (std::vector<std::string>{"a", "b"}));

    p.ui.answerYes = true;
    EXPECT_TRUE(commands.RemoveSongAt(0, true));
    EXPECT_EQ(Saves(), 1);
    EXPECT_EQ(list.fills, 1);
    p.Reload();
    EXPECT_EQ(Names(), std::vector<std::string>{"b"});
}

TEST_F(Commands, AFailedRemovalSaysSoAndLeavesTheImageWhole)
{
    StoreSongs({"a", "b"});
    p.Image().SetBlockUse(p.Image().Entry(1).firstBlock(), 0xFF); // damaged: already free
    auto before = std::make_unique<DirectoryImage>(p.Image());
    EXPECT_FALSE(commands.RemoveSongAt(1, false));
    EXPECT_EQ(p.ui.messages, std::vector<std::string>{"Internal error. Initializing is recomended."});
    EXPECT_EQ(Saves(), 0);
    EXPECT_EQ(list.fills, 0);
    EXPECT_EQ(std::memcmp(before->Bytes(), p.Image().Bytes(), DirectoryImage::kSize), 0);
}

TEST_F(Commands, InitializeWarnsThenEmptiesThePlayersDirectory)
{
    StoreSongs({"a", "b"});
    p.ui.answerYes = false;
    EXPECT_FALSE(commands.InitializePlayer(true));
    EXPECT_EQ(p.ui.questions, std::vector<std::string>{kInitializeWarning});
    EXPECT_EQ(p.Image().entryCount(), 2);

    p.ui.answerYes = true;
    EXPECT_TRUE(commands.InitializePlayer(true));
    p.Reload();
    EXPECT_EQ(p.Image().entryCount(), 0);
    EXPECT_EQ(p.Image().freeBlocks(), 1024);
    EXPECT_TRUE(p.Image().ChecksumsValid());

    // A directory that calls the player smaller than it is, checksum and
    // all, does not make the new one smaller too.
    auto small = std::make_unique<DirectoryImage>();
    small->SetEmpty(3);
    small->Seal(0);
    p.PutDirectory(*small);
    p.Reload();
    EXPECT_TRUE(commands.InitializePlayer(false));
    p.Reload();
    EXPECT_EQ(p.Image().totalBlocks(), 1024);
    EXPECT_EQ(p.Image().freeBlocks(), 1024);
}

TEST_F(Commands, RenameStoresNinetyNineCharactersAndRefusesEmptyText)
{
    StoreSongs({"a"});
    EXPECT_TRUE(commands.RenameSong(0, std::string(150, 'r')));
    EXPECT_EQ(Saves(), 1);
    EXPECT_EQ(list.fills, 0);
    p.Reload();
    EXPECT_EQ(p.Image().Entry(0).name(), std::string(99, 'r'));
    EXPECT_EQ(p.Image().Entry(0).Bytes()[127], 0);

    EXPECT_FALSE(commands.RenameSong(0, ""));
    EXPECT_FALSE(commands.RenameSong(1, "no such slot"));
    EXPECT_EQ(Saves(), 1);

    EXPECT_TRUE(commands.RenameSong(0, "a")); // shorter: nothing of the old name is left
    p.Reload();
    EXPECT_EQ(p.Image().Entry(0).name(), "a");
    EXPECT_EQ(p.Image().Entry(0).Bytes()[28 + 2], 0);
}

TEST_F(Commands, DragsMoveOneSongAndKeepTheOthersInOrder)
{
    struct Drag {
        int dragged, dropRow;
        const char* result;
    };
    const Drag drags[] = {
        {0, 3, "BCADE"}, // A onto D
        {4, 1, "EABCD"}, // E onto B
        {3, 0, "DABCE"}, // D onto A
        {2, 2, "ACBDE"}, // C onto its own row
        {2, 3, "ABCDE"}, // C onto D: nothing to do
        {1, 5, "ACDEB"}, // B below the last row
        {0, 0, "ABCDE"}, // row 0 onto row 0
    };
    StoreSongs({"A", "B", "C", "D", "E"});
    for (const Drag& d : drags) {
        SCOPED_TRACE(d.result);
        commands.InitializePlayer(false);
        StoreSongs({"A", "B", "C", "D", "E"});
        const bool changes = std::string(d.result) != "ABCDE";
        EXPECT_EQ(commands.MoveSong(d.dragged, SongCommands::DropSlot(d.dropRow)), changes);
        EXPECT_EQ(Saves(), changes ? 1 : 0);
        p.Reload();
        std::string order;
        for (const auto& name : Names())
            order += name;
        EXPECT_EQ(order, d.result);
        EXPECT_EQ(BrokenInvariant(p.Image()), "");
    }
}

TEST_F(Commands, AnOverfullDirectoryIsNotReordered)
{
    StoreSongs({"A", "B"});
    p.Image().SetEntryCount(61);
    EXPECT_FALSE(commands.MoveSong(0, 1));
    EXPECT_EQ(Saves(), 0);
}

TEST_F(Commands, AFailedSaveCountsNothingAndDoesNotReadTheBrokenBlockOverTheImage)
{
    StoreSongs({"a"});
    auto before = std::make_unique<DirectoryImage>(p.Image());
    const std::string b = File("b", 40000);
    // The cable comes out while block 0 is being written.
    p.ui.beforeStep = [&](TransferKind kind, int step) {
        if (kind == TransferKind::SaveDirectory && step == 20)
            p.player.Faults().absent = true;
    };
    EXPECT_EQ(commands.UploadFiles({b}), 0);
    EXPECT_EQ(list.fills, 0);
    EXPECT_EQ(std::memcmp(before->Bytes(), p.Image().Bytes(), DirectoryImage::kSize), 0);
    EXPECT_EQ(p.ui.messages, std::vector<std::string>{kSaveFailed});

    // Plugged in again, the interrupted save is finished from its copy.
    p.player.Faults().absent = false;
    p.ui = ScriptedUi();
    p.Restart();
    p.Reload();
    ASSERT_EQ(p.ui.messages.size(), 1u);
    EXPECT_NE(p.ui.messages[0].find("restored"), std::string::npos);
    EXPECT_EQ(Names(), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(StoredSong(p, 1), ReadFile(b));
    EXPECT_EQ(BrokenInvariant(p.Image()), "");
}

// Another program on the same player (the tool beside the window).
struct OtherProgram {
    explicit OtherProgram(StoragePlayer& p)
    {
        link.AttachPorts(&p.player);
        link.AttachUserInterface(&ui);
        link.SetPort(0x378);
        ReloadDirectory(link);
    }
    DeviceLink link;
    ScriptedUi ui;
};

TEST_F(Commands, AnUploadOverAStaleListKeepsTheSongAnotherProgramStored)
{
    StoreSongs({"a"});
    OtherProgram tool(p);
    const std::string b = File("b", 70000), c = File("c", 70000);
    ASSERT_EQ(tool.link.UploadSong(b.c_str()), 1);
    ASSERT_EQ(tool.link.SaveDirectory(), 1);

    EXPECT_EQ(commands.UploadFiles({c}), 1);
    p.Reload();
    EXPECT_EQ(Names(), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(StoredSong(p, 1), ReadFile(b));
    EXPECT_EQ(StoredSong(p, 2), ReadFile(c));
}

TEST_F(Commands, AChangeToAStaleListIsNotSavedAndTheListIsRead)
{
    StoreSongs({"a", "b"});
    OtherProgram tool(p);
    ASSERT_EQ(tool.link.RemoveSong(0), 1);
    ASSERT_EQ(tool.link.SaveDirectory(), 1);

    EXPECT_FALSE(commands.RemoveSongAt(1, false)); // "b" in the old list: slot 1 is no song now
    EXPECT_EQ(p.ui.messages, std::vector<std::string>{kPlayerChanged});
    EXPECT_EQ(list.fills, 1);
    EXPECT_EQ(Names(), std::vector<std::string>{"b"});
    EXPECT_TRUE(commands.RenameSong(0, "fresh")); // on the list as read again
    p.Reload();
    EXPECT_EQ(Names(), std::vector<std::string>{"fresh"});
}

// A lock that notes how it is taken; "another program" may hold it.
class NotingLock : public PlayerLock {
public:
    LockResult Acquire(int base, long waitMs) override
    {
        ++acquired;
        lastBase = base;
        lastWait = waitMs;
        held = !busy;
        return busy ? LockResult::Busy : LockResult::Held;
    }
    void Release() override
    {
        ++released;
        held = false;
    }
    bool busy = false;
    bool held = false;
    int acquired = 0;
    int released = 0;
    int lastBase = 0;
    long lastWait = 0;
};

// The ports, counting every access made while the lock is not held.
class GuardedPorts : public PortIo {
public:
    GuardedPorts(PortIo& inner, const NotingLock& lock) : m_inner(inner), m_lock(lock) {}
    void Out(uint16_t port, uint8_t value) override
    {
        unheld += !m_lock.held;
        m_inner.Out(port, value);
    }
    uint8_t In(uint16_t port) override
    {
        unheld += !m_lock.held;
        return m_inner.In(port);
    }
    long Clock() override { return m_inner.Clock(); }
    long unheld = 0;

private:
    PortIo& m_inner;
    const NotingLock& m_lock;
};

// Each command holds the player once, its refill included, and every port
// access falls within a hold; between commands another program may have it.
// While another program has it, a command says so and changes nothing.
TEST_F(Commands, EachCommandHoldsThePlayerAndABusyPlayerIsLeftAlone)
{
    StoreSongs({"a", "b"});
    p.player.ClearLogs();
    NotingLock lock;
    GuardedPorts ports(p.player, lock);
    p.link->AttachPorts(&ports);
    p.link->AttachPlayerLock(&lock);
    const std::string c = File("c", 70000);
    const std::vector<std::function<bool()>> runs = {
        [&] { return commands.UploadFiles({c, File("d", 10)}) == 2; },
        [&] { return commands.RenameSong(0, "x"); },
        [&] { return commands.MoveSong(0, 1); },
        [&] { return commands.DownloadSongAt(0, folder.String()); },
        [&] { return commands.RemoveSongAt(0, false); },
        [&] { return commands.UndoLastChange(false); },
        [&] { return commands.InitializePlayer(false); },
        [&] { return ReloadDirectory(*p.link) == 1; },
    };
    lock.busy = true;
    auto before = std::make_unique<DirectoryImage>(p.Image());
    for (size_t i = 0; i < runs.size(); ++i)
        EXPECT_FALSE(runs[i]()) << i;
    EXPECT_EQ(ports.unheld, 0);
    EXPECT_TRUE(p.player.Operations().empty());
    EXPECT_EQ(p.ui.messages, std::vector<std::string>(runs.size(), kPlayerBusy));
    EXPECT_EQ(std::memcmp(before->Bytes(), p.Image().Bytes(), DirectoryImage::kSize), 0);
    EXPECT_EQ(lock.lastBase, 0x378);
    EXPECT_EQ(lock.lastWait, kPlayerLockWaitMs);
    EXPECT_EQ(lock.released, 0);

    lock = NotingLock();
    p.ui.messages.clear();
    for (size_t i = 0; i < runs.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(runs[i]());
        EXPECT_EQ(lock.acquired, int(i) + 1);
        EXPECT_EQ(lock.released, int(i) + 1);
    }
    EXPECT_EQ(ports.unheld, 0);
    EXPECT_TRUE(p.ui.messages.empty()) << p.ui.messages[0];
}

TEST_F(Commands, ADamagedDirectoryIsNotChangedButMayBeInitialized)
{
    StoreSongs({"a", "b"});
    p.Image().SetBlockLink(p.Image().Entry(0).firstBlock(), p.Image().Entry(1).firstBlock()); // chains meet
    p.Image().Entry(0).SetBlockCount(2);
    p.Image().Entry(0).SetSize(40000);
    p.Image().Entry(0).SetLastBlockBytes(40000 - 32768);
    p.Image().Seal(1);
    p.PutDirectory(p.Image());
    p.Reload();
    ASSERT_TRUE(p.link->DirectoryDamaged());
    ASSERT_EQ(p.ui.messages.size(), 1u);
    EXPECT_NE(p.ui.messages[0].find("which song 1 uses"), std::string::npos);

    p.ui = ScriptedUi();
    EXPECT_EQ(commands.UploadFiles({File("c", 10)}), 0);
    EXPECT_FALSE(commands.RemoveSongAt(1, false));
    EXPECT_FALSE(commands.RenameSong(0, "x"));
    EXPECT_FALSE(commands.MoveSong(0, 1));
    EXPECT_EQ(p.ui.messages, std::vector<std::string>(4, kDirectoryDamaged));
    EXPECT_EQ(Saves(), 0);
    EXPECT_TRUE(commands.DownloadSongAt(1, folder.String()));
    EXPECT_TRUE(commands.InitializePlayer(false));
    EXPECT_FALSE(p.link->DirectoryDamaged());
}

} // namespace
