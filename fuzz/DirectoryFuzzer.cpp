// A damaged block 0 through everything a user can do with it: load (with
// its repair from the copies), the list's texts, and one of download,
// remove, upload, rename, move and initialize, against the simulated player.
//
// The input is a patch on a player that holds three songs with the
// directory saved the usual way (shadow and PC copy included): its first
// byte picks what else goes wrong and which operation runs, its second a
// song or a page, and every three bytes after them set one byte of block 0
// (offset, then value). Beyond crashes, hangs and stray writes, which the
// sanitizers and libFuzzer catch, it fails when an operation reports
// success that a fresh load of the player does not bear out, or when a
// download writes anywhere but its own folder.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "link/DeviceLink.h"
#include "link/PageFormat.h"
#include "simulator/FactoryImage.h"
#include "simulator/FlashMemory.h"
#include "simulator/SimulatedPlayer.h"
#include "songlist/SongCommands.h"
#include "songlist/SongListContent.h"
#include "storage/safety/CopyFolder.h"
#include "storage/safety/DirectoryCopies.h"
#include "storage/UserInterface.h"
#include "tests/portable/MemoryCopyFolder.h"

namespace {

namespace fs = std::filesystem;

[[noreturn]] void Finding(const std::string& what)
{
    std::fprintf(stderr, "finding: %s\n", what.c_str());
    std::abort();
}

// Says yes, and gives up on a transfer that runs on and on, as a user would.
class FuzzUi : public UserInterface {
public:
    void ShowMessage(const std::string&) override {}
    bool AskYesNo(const std::string&) override { return true; }
    int RunTransfer(TransferStep& step) override
    {
        struct : ProgressBar {
            void SetPos(int) override {}
        } bar;
        for (int steps = 0; steps < 400 && !step.Stalled(); ++steps) {
            const StepOutcome outcome = step.Step(bar);
            if (outcome != StepOutcome::Continue)
                return outcome == StepOutcome::EndOk ? kTransferOk : kTransferCancel;
        }
        return kTransferCancel;
    }
    void ShowProgress(int, int) override {}
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
};

// The cable comes out once an operation has read this many pages: a
// whole-memory search for a shadow would take most of a run's time, and a
// cable lost halfway is worth trying anyway.
constexpr long kPageReadsPerOperation = 250;

void StartOperation(SimulatedPlayer& player)
{
    player.Faults().absent = false;
    player.Faults().unplugAfterReads = player.PageReads() + kPageReadsPerOperation;
}

struct Song {
    std::string name;
    std::vector<uint8_t> bytes;
};

// One program's run on the player: its link, this PC's copies, the flows.
struct Session {
    Session(FlashMemory& flash, MemoryCopyFolder& pc) : player(flash), copies(pc), list(link), commands(link, list)
    {
        player.UseVirtualClock(true);
        link.AttachPorts(&player);
        link.AttachUserInterface(&ui);
        link.AttachDirectoryCopies(&copies);
        link.SetPort(0x378);
    }
    SimulatedPlayer player;
    FuzzUi ui;
    DirectoryCopies copies;
    DeviceLink link;
    ReloadingList list;
    SongCommands commands;
};

// What a fresh load of the player shows, with each song's bytes along its chain.
struct World;
void Touch(World& w, const SimulatedPlayer& player);

std::vector<Song> FreshListing(World& w, FlashMemory& flash, MemoryCopyFolder& pc, bool* damaged)
{
    Session s(flash, pc);
    StartOperation(s.player);
    std::vector<Song> songs;
    *damaged = !ReloadDirectory(s.link) || s.link.DirectoryDamaged();
    const DirectoryImage& image = s.link.m_image;
    for (int slot = 0; slot < image.entryCount() && slot < 60; ++slot) {
        const DirectoryEntry entry = image.Entry(slot);
        Song song{entry.name(), {}};
        unsigned block = entry.firstBlock();
        for (int i = 0; i < entry.blockCount() && image.IsSongBlock(block); ++i) {
            for (int page = 0; page < kPagesPerBlock; ++page) {
                const uint8_t* raw = flash.RawPage(uint32_t(block) * kPagesPerBlock + uint32_t(page));
                song.bytes.insert(song.bytes.end(), raw, raw + kPageSize);
            }
            block = image.blockLink(block);
        }
        song.bytes.resize(std::min<size_t>(song.bytes.size(), entry.size()));
        songs.push_back(std::move(song));
    }
    Touch(w, s.player);
    return songs;
}

std::vector<uint8_t> ReadWhole(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

// The committed state, made once: three songs, saved with shadow and copy.
struct World {
    World() : sandbox(fs::temp_directory_path() / ("mellifon-fuzz-" + std::to_string(getpid())))
    {
        fs::remove_all(sandbox);
        fs::create_directories(sandbox / "in");
        MakeFactoryFresh(flash);
        Session s(flash, pc);
        ReloadDirectory(s.link);
        std::vector<std::string> paths;
        for (int i = 0; i < 4; ++i) {
            const std::string name = "song" + std::to_string(i) + ".mp3";
            std::vector<uint8_t> bytes(size_t(20000 + 15000 * i));
            for (size_t b = 0; b < bytes.size(); ++b)
                bytes[b] = uint8_t(b * 31 + i);
            bytes[0] = 0xFF, bytes[1] = 0xFB, bytes[2] = 0x90, bytes[3] = 0x64;
            std::ofstream(sandbox / "in" / name, std::ios::binary)
                .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
            if (i < 3)
                paths.push_back((sandbox / "in" / name).string());
        }
        if (s.commands.UploadFiles(paths) != 3)
            Finding("the committed state could not be made");
        for (uint32_t page = 0; page < flash.Pages(); ++page) {
            const uint8_t* raw = flash.RawPage(page);
            if (!RawPageErased(raw))
                master[page].assign(raw, raw + kRawPageSize);
        }
        masterFiles = pc.files;
        if (chdir(sandbox.c_str()) != 0)
            Finding("no sandbox");
    }

    ~World()
    {
        std::error_code ignored;
        fs::remove_all(sandbox, ignored);
    }

    // Pages a player wrote, to be put back before the next input.
    void Touch(const SimulatedPlayer& player)
    {
        for (const FlashOperation& op : player.Operations())
            if (op.kind != FlashOperation::Read)
                for (uint32_t page = op.page; page < op.page + (op.kind == FlashOperation::Erase ? 16u : 1u); ++page)
                    touched.insert(page);
    }

    void Restore()
    {
        static const std::vector<uint8_t> erased(kRawPageSize, 0xFF);
        for (uint32_t page : touched) {
            const auto kept = master.find(page);
            flash.StorePage(page, kept == master.end() ? erased.data() : kept->second.data());
        }
        touched.clear();
        pc.files = masterFiles;
        fs::remove_all(sandbox / "out");
        fs::create_directories(sandbox / "out");
    }

    fs::path sandbox;
    FlashMemory flash{1024};
    MemoryCopyFolder pc;
    std::map<uint32_t, std::vector<uint8_t>> master;
    std::map<std::string, std::vector<uint8_t>> masterFiles;
    std::set<uint32_t> touched;
};

void Touch(World& w, const SimulatedPlayer& player)
{
    w.Touch(player);
}

World& TheWorld()
{
    static World world;
    return world;
}

void PutBlockZero(World& w, const uint8_t* data, size_t size, uint8_t flags, uint8_t parameter)
{
    auto directory = std::make_unique<DirectoryImage>();
    for (int page = 0; page < kPagesPerBlock; ++page)
        std::memcpy(directory->Bytes() + page * kPageSize, w.master[uint32_t(page)].data(), kPageSize);
    for (size_t i = 0; i + 2 < size; i += 3)
        directory->Bytes()[(data[i] | (data[i + 1] << 8)) % DirectoryImage::kSize] = data[i + 2];
    if (flags & 1)
        directory->Seal(directory->saveTime());
    for (int page = 0; page < kPagesPerBlock; ++page) {
        uint8_t raw[kRawPageSize];
        std::memcpy(raw, directory->Bytes() + page * kPageSize, kPageSize);
        const auto spare = SpareBytes(0, 0, PageChecksum(raw));
        std::memcpy(raw + kPageSize, spare.data(), kSpareSize);
        // An interrupted save: the pages from here on still erased.
        if ((flags & 2) && page >= (parameter & 63))
            std::memset(raw, 0xFF, kRawPageSize);
        w.flash.StorePage(uint32_t(page), raw);
        w.touched.insert(uint32_t(page));
    }
    if (flags & 4)
        w.pc.files.clear();
    if (flags & 8) {
        std::vector<uint8_t> erased(kRawPageSize, 0xFF);
        w.flash.StorePage(1023 * 64, erased.data());
        w.touched.insert(1023 * 64);
    }
}

// Only the download folder may gain files.
void CheckSandbox(World& w)
{
    for (const auto& entry : fs::directory_iterator(w.sandbox)) {
        const std::string name = entry.path().filename().string();
        if (name != "in" && name != "out")
            Finding("a file was written outside the download folder: " + name);
    }
    for (const auto& entry : fs::recursive_directory_iterator(w.sandbox / "out"))
        if (entry.is_directory())
            Finding("a download made a folder: " + entry.path().string());
}

void RunOperation(World& w, int operation, uint8_t parameter)
{
    Session session(w.flash, w.pc);
    SimulatedPlayer& player = session.player;
    DeviceLink& link = session.link;
    SongCommands& commands = session.commands;

    StartOperation(player);
    ReloadDirectory(link);
    BuildSongListContent(link.m_image, link.Ui().Names());
    const int songs = std::min<int>(link.m_image.entryCount(), 60);
    const int slot = songs > 0 ? parameter % songs : 0;
    const std::string slotName = songs > 0 ? link.m_image.Entry(slot).name() : "";
    StartOperation(player);
    bool damaged = false;
    switch (operation) {
    case 0: {
        if (songs == 0 || !commands.DownloadSongAt(slot, (w.sandbox / "out").string()))
            break;
        const auto fresh = FreshListing(w, w.flash, w.pc, &damaged);
        std::vector<uint8_t> file;
        for (const auto& entry : fs::directory_iterator(w.sandbox / "out"))
            file = ReadWhole(entry.path());
        if (slot >= int(fresh.size()) || fresh[size_t(slot)].bytes != file)
            Finding("a download reported success with bytes that are not the song's");
        break;
    }
    case 1: {
        if (!commands.RemoveSongAt(slot, false))
            break;
        const auto fresh = FreshListing(w, w.flash, w.pc, &damaged);
        if (damaged || int(fresh.size()) != songs - 1)
            Finding("a removal reported success that the player does not show");
        break;
    }
    case 2: {
        const fs::path file = w.sandbox / "in" / "song3.mp3";
        if (commands.UploadFiles({file.string()}) != 1)
            break;
        const auto fresh = FreshListing(w, w.flash, w.pc, &damaged);
        if (damaged || fresh.empty() || fresh.back().name != "song3.mp3" || fresh.back().bytes != ReadWhole(file))
            Finding("an upload reported success for a song that is not on the player");
        break;
    }
    case 3: {
        if (!commands.RenameSong(slot, "renamed"))
            break;
        const auto fresh = FreshListing(w, w.flash, w.pc, &damaged);
        if (damaged || slot >= int(fresh.size()) || fresh[size_t(slot)].name != "renamed")
            Finding("a rename reported success that the player does not show");
        break;
    }
    case 4: {
        if (!commands.MoveSong(slot, 0))
            break;
        const auto fresh = FreshListing(w, w.flash, w.pc, &damaged);
        if (damaged || fresh.empty() || fresh[0].name != slotName)
            Finding("a move reported success that the player does not show");
        break;
    }
    default: {
        if (!commands.InitializePlayer(false))
            break;
        const auto fresh = FreshListing(w, w.flash, w.pc, &damaged);
        if (damaged || !fresh.empty())
            Finding("an initialize reported success that the player does not show");
        break;
    }
    }
    w.Touch(player);
    CheckSandbox(w);
}

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    World& w = TheWorld();
    w.Restore();
    const uint8_t flags = data[0], parameter = data[1];
    PutBlockZero(w, data + 2, size - 2, flags, parameter);
    RunOperation(w, (flags >> 4) % 6, parameter);
    return 0;
}
