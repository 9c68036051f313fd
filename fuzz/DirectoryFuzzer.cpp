// The directory through everything a user can do with it, against simulated
// players (fuzz/FuzzWorld.h says which and in what state). Two targets share
// this body (fuzz/FuzzTargets.h):
// - the directory target: a damaged block 0 of player 0 from PC A, through
//   load (with its repair from the copies), the list's texts, and one of
//   download, remove, upload, rename, move and initialize (the high four bits
//   of the first byte, modulo 6). The low four bits pick what else goes
//   wrong, the second byte a song or a page, and every three bytes after them
//   set one byte of block 0 (offset, then value);
// - the sharing target: two PCs on player 0 (first byte below 0xB0) or two
//   players on one PC. A script of changes and loads with a power cut
//   somewhere in it (fuzz/SharedPlayers.h). Each input runs the program a
//   dozen times and more, so this target is some ten times slower.
// Beyond crashes, hangs and stray writes, which the sanitizers and libFuzzer
// catch, an input fails when an operation reports success that a fresh load
// of the player does not bear out, or when a download writes anywhere but
// its own folder, or when a power cut leaves anything but the state before
// the change or after it, or a song another song's bytes, or a player another
// player's songs.

#include <cstring>
#include <memory>

#include "fuzz/FuzzTargets.h"
#include "fuzz/FuzzWorld.h"
#include "fuzz/SharedPlayers.h"
#include "link/PageFormat.h"
#include "songlist/SongListContent.h"

namespace {

namespace fs = std::filesystem;

// The cable comes out once an operation has read this many pages: a cable
// lost halfway through a search for the shadow is worth trying too.
constexpr long kPageReadsPerOperation = 250;

void PutBlockZero(World& w, const uint8_t* data, size_t size, uint8_t flags, uint8_t parameter)
{
    FuzzPlayer& player = w.players[0];
    auto directory = std::make_unique<DirectoryImage>();
    for (int page = 0; page < kPagesPerBlock; ++page)
        std::memcpy(directory->Bytes() + page * kPageSize, player.master[uint32_t(page)].data(), kPageSize);
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
        player.flash.StorePage(uint32_t(page), raw);
        player.Touch(uint32_t(page));
    }
    if (flags & 4)
        w.pcA.folder.files.clear();
    if (flags & 8) {
        std::vector<uint8_t> erased(kRawPageSize, 0xFF);
        const uint32_t top = uint32_t(player.flash.Blocks() - 1) * kPagesPerBlock;
        player.flash.StorePage(top, erased.data());
        player.Touch(top);
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
    for (const auto& entry : fs::recursive_directory_iterator(w.Out()))
        if (entry.is_directory())
            Finding("a download made a folder: " + entry.path().string());
}

Listing Fresh(World& w)
{
    return FreshListing(w.players[0], w.pcA, kPageReadsPerOperation);
}

void RunOnDamagedDirectory(World& w, int operation, uint8_t parameter)
{
    FuzzSession session(w.players[0], w.pcA);
    DeviceLink& link = session.link;
    SongCommands& commands = session.commands;

    session.StartOperation(kPageReadsPerOperation);
    ReloadDirectory(link);
    BuildSongListContent(link.m_image, link.Ui().Names());
    const int songs = std::min<int>(link.m_image.entryCount(), DirectoryImage::kEntrySlots);
    const int slot = songs > 0 ? parameter % songs : 0;
    const std::string slotName = songs > 0 ? link.m_image.Entry(slot).name() : "";
    session.StartOperation(kPageReadsPerOperation);
    switch (operation) {
    case 0: {
        if (songs == 0 || !commands.DownloadSongAt(slot, w.Out().string()))
            break;
        const Listing fresh = Fresh(w);
        std::vector<uint8_t> file;
        for (const auto& entry : fs::directory_iterator(w.Out()))
            file = ReadWhole(entry.path());
        if (slot >= int(fresh.songs.size()) || fresh.songs[size_t(slot)].bytes != file)
            Finding("a download reported success with bytes that are not the song's");
        break;
    }
    case 1: {
        if (!commands.RemoveSongAt(slot, false))
            break;
        const Listing fresh = Fresh(w);
        if (fresh.damaged || int(fresh.songs.size()) != songs - 1)
            Finding("a removal reported success that the player does not show");
        break;
    }
    case 2: {
        const Song& added = w.uploads[0];
        if (commands.UploadFiles({w.PathOf(added).string()}) != 1)
            break;
        const Listing fresh = Fresh(w);
        if (fresh.damaged || fresh.songs.empty() || !(fresh.songs.back() == added))
            Finding("an upload reported success for a song that is not on the player");
        break;
    }
    case 3: {
        if (!commands.RenameSong(slot, "renamed"))
            break;
        const Listing fresh = Fresh(w);
        if (fresh.damaged || slot >= int(fresh.songs.size()) || fresh.songs[size_t(slot)].name != "renamed")
            Finding("a rename reported success that the player does not show");
        break;
    }
    case 4: {
        if (!commands.MoveSong(slot, 0))
            break;
        const Listing fresh = Fresh(w);
        if (fresh.damaged || fresh.songs.empty() || fresh.songs[0].name != slotName)
            Finding("a move reported success that the player does not show");
        break;
    }
    default: {
        if (!commands.InitializePlayer(false))
            break;
        const Listing fresh = Fresh(w);
        if (fresh.damaged || !fresh.songs.empty())
            Finding("an initialize reported success that the player does not show");
        break;
    }
    }
}

}

int RunFuzzInput(const uint8_t* data, size_t size, FuzzTarget target)
{
    if (size < 2)
        return 0;
    World& w = TheWorld();
    w.Restore();
    const uint8_t flags = data[0], parameter = data[1];
    const int scenario = flags >> 4;
    const bool shared = target == FuzzTarget::Sharing || (target == FuzzTarget::Either && scenario >= 6);
    if (!shared) {
        PutBlockZero(w, data + 2, size - 2, flags, parameter);
        RunOnDamagedDirectory(w, scenario % 6, parameter);
    } else {
        RunOnSharedPlayers(w, scenario >= 11, data, size);
    }
    CheckSandbox(w);
    w.Restore();
    return 0;
}
