// The directory through everything a user can do with it, against simulated
// players (fuzz/FuzzWorld.h says which and in what state). Two targets share
// this body (fuzz/FuzzTargets.h):
// - the directory target: a damaged block 0 of player 0 (4 MiB) from PC A,
//   through load (with its repair from the copies), the list's texts, and
//   one of download, remove, upload, rename, move, initialize and rescue (the
//   high four bits of the first byte, modulo 7). The low four bits pick what
//   else goes wrong, the second byte a song or a page, and every three bytes
//   after them set one byte of block 0 (offset, then value). The cable comes
//   out 250 page reads into the load and into the operation (into a rescue,
//   four more for each of the second byte's value);
// - the sharing target: two PCs on player 0 (first byte below 0xB0) or two
//   players on one PC, of 4, 1, 16 or 32 MiB. A script of changes, loads,
//   syncs and batches with a power cut and a Ctrl+C somewhere in it
//   (fuzz/SharedPlayers.h says what it checks). Each input runs the program
//   a dozen times and more, so this target is some ten times slower.
// Beyond crashes, hangs and stray writes, which the sanitizers and libFuzzer
// catch, a directory input fails when a load or an operation reports success
// that block 0 as it stands does not bear out, or when the list the program
// then shows is not the player's; when a repair lists anything but the
// songs the player held, each whole; when a rescue of a block 0 that was not
// sound as given leaves out a song or lists one that is not byte for byte a
// song stored (or as the rescue measures one it cannot name); when a
// download writes anywhere but its own folder, or a conversion leaves a
// temporary file behind.

#include <cstring>
#include <memory>

#include "fuzz/FuzzTargets.h"
#include "fuzz/FuzzWorld.h"
#include "fuzz/SharedPlayers.h"
#include "format/PageFormat.h"
#include "link/PortStop.h"
#include "commands/SongListContent.h"

namespace {

namespace fs = std::filesystem;

// The cable comes out once an operation has read this many pages: a cable
// lost halfway through a search for the shadow is worth trying too.
constexpr long kPageReadsPerOperation = 250;

void PutBlockZero(World& w, const uint8_t* data, size_t size, uint8_t flags, uint8_t parameter)
{
    FuzzPlayer& player = w.Main().players[0];
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
        w.Main().pcA.folder.files.clear();
    if (flags & 8) {
        std::vector<uint8_t> erased(kRawPageSize, 0xFF);
        const uint32_t top = uint32_t(player.flash.Blocks() - 1) * kPagesPerBlock;
        player.flash.StorePage(top, erased.data());
        player.Touch(top);
    }
}

// Only the download folder may gain files, and conversions leave none.
void CheckSandbox(World& w)
{
    for (const FolderEntry& entry : EntriesOf(w.sandbox))
        if (entry.name != "in" && entry.name != "out" && entry.name != "tmp")
            Finding("a file was written outside the download folder: " + entry.name);
    for (const FolderEntry& entry : EntriesOf(w.Out()))
        if (entry.isFolder)
            Finding("a download made a folder: " + entry.name);
    for (const FolderEntry& entry : EntriesOf(w.sandbox / "tmp"))
        Finding("a temporary file was left behind: " + entry.name);
}

// What a command that reported success left: block 0 as it stands, unrepaired.
Listing Fresh(World& w)
{
    return FreshListing(w.Main().players[0], w.Main().pcA, kPageReadsPerOperation, false);
}

// The list the program shows after a command that reported success is the
// player's; a directory the program wrote itself counts the player's memory.
void CheckShown(const FuzzSession& session, const Listing& fresh, const char* what, bool written = true)
{
    if (fresh.damaged || !session.list.Read())
        return;
    const DeviceLink& link = session.link;
    if (ShownOf(link.m_image) != fresh.shown)
        Finding(std::string("after ") + what + " that reported success, the program shows " +
                Text(ShownOf(link.m_image)) + ", but the player holds " + Text(fresh.shown));
    const std::string memory = MemoryWrong(fresh.shown, TheWorld().Main().players[0].flash.Blocks());
    if (written && !memory.empty())
        Finding(std::string("after ") + what + ", " + memory);
}

void RunOnDamagedDirectory(World& w, int operation, uint8_t parameter)
{
    FuzzPlayer& player = w.Main().players[0];
    FuzzSession session(player, w.Main().pcA);
    DeviceLink& link = session.link;
    SongCommands& commands = session.commands;

    session.StartOperation(kPageReadsPerOperation);
    const bool loaded = ReloadDirectory(link) != 0;
    const bool damaged = !loaded || link.DirectoryDamaged();
    BuildSongListContent(link.m_image, link.Ui().Names());
    // The input's own block 0, read as it stands: whatever it lists is the directory.
    const bool asGiven = !damaged && !session.Wrote();
    if (!damaged && !asGiven) {
        // A repair, which 'list' would exit 0 on, restores a directory the
        // player had, every song whole, and leaves it sound as it stands.
        const Listing load = ListingOf(session, player.flash, loaded);
        const Listing fresh = Fresh(w);
        if (fresh.damaged)
            Finding("a load repaired the directory and reported it sound, but block 0 is damaged");
        CheckShown(session, fresh, "a repair");
        const std::string unsound = Unsound(w, 0, load.songs);
        if (!unsound.empty() || !Keeps(load.songs, w.committed[0]))
            Finding("a repair listed " + Names(load.songs) + " for " + Names(w.committed[0]) +
                    (unsound.empty() ? "" : ": " + unsound));
    }
    const int songs = std::min<int>(link.m_image.entryCount(), DirectoryImage::kEntrySlots);
    const int slot = songs > 0 ? parameter % songs : 0;
    const std::string slotName = songs > 0 ? link.m_image.Entry(slot).name() : "";
    // A rescue reads a page of every block and then the directory again:
    // where its cable comes out, the byte that names no song of it says.
    session.StartOperation(operation == 6 ? kPageReadsPerOperation + 4 * parameter : kPageReadsPerOperation);
    switch (operation) {
    case 0: {
        if (songs == 0 || !commands.DownloadSongAt(slot, w.Out().string()))
            break;
        const Listing fresh = Fresh(w);
        Song file;
        for (const auto& entry : fs::directory_iterator(w.Out()))
            file = SongOf("", ReadWhole(entry.path()));
        if (slot >= int(fresh.songs.size()) || !Holds(fresh.songs[size_t(slot)], file, false))
            Finding("a download reported success with bytes that are not the song's");
        CheckShown(session, fresh, "a download", !asGiven);
        break;
    }
    case 1: {
        if (!commands.RemoveSongAt(slot, false))
            break;
        const Listing fresh = Fresh(w);
        if (fresh.damaged || int(fresh.songs.size()) != songs - 1)
            Finding("a removal reported success that the player does not show");
        CheckShown(session, fresh, "a removal", !asGiven);
        break;
    }
    case 2: {
        const Song& added = w.uploads[0];
        if (commands.UploadFiles({w.PathOf(added).string()}) != 1)
            break;
        const Listing fresh = Fresh(w);
        if (fresh.damaged || fresh.songs.empty() || !(fresh.songs.back() == added))
            Finding("an upload reported success for a song that is not on the player");
        CheckShown(session, fresh, "an upload", !asGiven);
        break;
    }
    case 3: {
        if (!commands.RenameSong(slot, "renamed"))
            break;
        const Listing fresh = Fresh(w);
        if (fresh.damaged || slot >= int(fresh.songs.size()) || fresh.songs[size_t(slot)].name != "renamed")
            Finding("a rename reported success that the player does not show");
        CheckShown(session, fresh, "a rename", !asGiven);
        break;
    }
    case 4: {
        if (!commands.MoveSong(slot, 0))
            break;
        const Listing fresh = Fresh(w);
        if (fresh.damaged || fresh.songs.empty() || fresh.songs[0].name != slotName)
            Finding("a move reported success that the player does not show");
        CheckShown(session, fresh, "a move", !asGiven);
        break;
    }
    case 5: {
        if (!commands.InitializePlayer(false))
            break;
        const Listing fresh = Fresh(w);
        if (fresh.damaged || !fresh.songs.empty())
            Finding("an initialize reported success that the player does not show");
        CheckShown(session, fresh, "an initialize", !asGiven);
        break;
    }
    default: {
        if (!commands.RescueSongs(false))
            break;
        const Listing fresh = Fresh(w);
        if (fresh.damaged)
            Finding("a rescue reported success that the player does not show");
        CheckShown(session, fresh, "a rescue", !asGiven);
        // Block 0 as given may name the chains as it likes; else the rescue
        // gives back every song whole, and nothing else.
        if (asGiven)
            break;
        const std::string unsound = Unsound(w, 0, fresh.songs);
        if (!unsound.empty() || !Keeps(fresh.songs, w.committed[0]))
            Finding("a rescue listed " + Names(fresh.songs) + " for " + Names(w.committed[0]) +
                    (unsound.empty() ? "" : ": " + unsound));
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
    // Every input that returns puts the world back as it ends (below).
    if (w.inputRunning)
        w.Restore();
    w.inputRunning = true;
    ClearPortStop();
    const uint8_t flags = data[0], parameter = data[1];
    const int scenario = flags >> 4;
    const bool shared = target == FuzzTarget::Sharing || (target == FuzzTarget::Either && scenario >= 6);
    if (!shared) {
        PutBlockZero(w, data + 2, size - 2, flags, parameter);
        RunOnDamagedDirectory(w, scenario % 7, parameter);
    } else {
        RunOnSharedPlayers(w, scenario >= 11, data, size);
    }
    ClearPortStop();
    CheckSandbox(w);
    w.Restore();
    w.inputRunning = false;
    return 0;
}
