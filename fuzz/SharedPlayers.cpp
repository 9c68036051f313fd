#include "fuzz/SharedPlayers.h"

#include <algorithm>
#include <string>
#include <vector>

#include "fuzz/FuzzWorld.h"
#include "link/PageFormat.h"

namespace {

namespace fs = std::filesystem;

enum Op { kLoad, kDownload, kRemove, kUpload, kRename, kMove, kInitialize, kUndo, kRescue, kOps };
const char* const kOpNames[kOps] = {"load", "download", "remove", "upload", "rename",
                                    "move", "initialize", "undo", "rescue"};
constexpr size_t kMaxSteps = 8;

struct Step {
    int actor;
    Op op;
    uint8_t param;
};

struct Script {
    bool twoPlayers = false;
    int cutStep = -1;
    long cutAfter = 0;
    bool cutterLoadsFirst = false;
    std::vector<Step> steps;
};

Script Decode(bool twoPlayers, const uint8_t* data, size_t size)
{
    Script script;
    script.twoPlayers = twoPlayers;
    script.cutStep = data[0] & 0x0F;
    const uint8_t low = size > 1 ? data[1] : 0, high = size > 2 ? data[2] : 0;
    script.cutAfter = low | long(high & 3) << 8;
    script.cutterLoadsFirst = (high & 0x80) != 0;
    for (size_t i = 3; i + 1 < size && script.steps.size() < kMaxSteps; i += 2)
        script.steps.push_back({data[i] >> 7, Op((data[i] & 0x7F) % kOps), data[i + 1]});
    return script;
}

// What a player holds, and every state it has held (what an undo may bring back).
struct PlayerState {
    std::vector<Song> songs;
    std::vector<std::vector<Song>> history;
    bool ended = false; // reported damaged: the script goes on without it

    void Advance(const std::vector<Song>& now)
    {
        if (now == songs)
            return;
        songs = now;
        history.push_back(now);
    }
};

// What a step may leave besides the state before it.
struct Expected {
    bool reported = false;                // the step said it succeeded
    std::vector<std::vector<Song>> after; // the states its success makes
    bool anySoundAfter = false;           // a rescue: whatever it finds
    int downloadSlot = -1;
    std::vector<uint8_t> downloaded;
};

bool Among(const std::vector<Song>& songs, const std::vector<std::vector<Song>>& states)
{
    return std::find(states.begin(), states.end(), songs) != states.end();
}

Expected RunStep(World& w, FuzzSession& s, const Step& step, const PlayerState& state)
{
    Expected e;
    const std::vector<Song>& before = state.songs;
    ReloadDirectory(s.link);
    const int songs = std::min<int>(s.link.m_image.entryCount(), DirectoryImage::kEntrySlots);
    const int slot = songs > 0 ? step.param % songs : 0;
    const bool inModel = slot < int(before.size());
    std::vector<Song> after = before;
    SongCommands& c = s.commands;
    switch (step.op) {
    case kLoad:
        e.after = {before};
        break;
    case kDownload:
        e.after = {before};
        w.EmptyOut();
        if (songs > 0 && c.DownloadSongAt(slot, w.Out().string())) {
            e.reported = true;
            e.downloadSlot = slot;
            for (const auto& entry : fs::directory_iterator(w.Out()))
                e.downloaded = ReadWhole(entry.path());
        }
        break;
    case kRemove:
        if (inModel) {
            after.erase(after.begin() + slot);
            e.after = {after};
        }
        e.reported = songs > 0 && c.RemoveSongAt(slot, false);
        break;
    case kUpload: {
        const Song& added = w.uploads[step.param % w.uploads.size()];
        after.push_back(added);
        e.after = {after};
        e.reported = c.UploadFiles({w.PathOf(added).string()}) == 1;
        break;
    }
    case kRename:
        if (inModel) {
            after[size_t(slot)].name = "renamed";
            e.after = {after};
        }
        e.reported = c.RenameSong(slot, "renamed");
        break;
    case kMove:
        if (inModel) {
            std::rotate(after.begin(), after.begin() + slot, after.begin() + slot + 1);
            e.after = {after};
        }
        e.reported = c.MoveSong(slot, 0);
        break;
    case kInitialize:
        e.after = {{}};
        e.reported = c.InitializePlayer(false);
        break;
    case kUndo:
        e.after = state.history;
        e.reported = c.UndoLastChange(false);
        break;
    case kRescue:
        e.anySoundAfter = true;
        e.reported = c.RescueSongs(false);
        break;
    default:
        break;
    }
    return e;
}

// A rescue that finds no name for a chain keeps its blocks whole: the song,
// or as much of it as an upload cut short wrote, page by page, then the zeros
// that end a last block or erased pages.
bool Known(const std::vector<Song>& known, const std::vector<uint8_t>& bytes, bool rescued)
{
    for (const Song& song : known) {
        if (song.bytes == bytes)
            return true;
        if (!rescued)
            continue;
        const size_t same = size_t(
            std::mismatch(song.bytes.begin(), song.bytes.end(), bytes.begin(), bytes.end()).first - song.bytes.begin());
        const bool whole = same == song.bytes.size() || (same >= size_t(kPageSize) && same % kPageSize == 0);
        if (whole && std::all_of(bytes.begin() + std::ptrdiff_t(same), bytes.end(),
                                 [](uint8_t b) { return b == 0x00 || b == 0xFF; }))
            return true;
    }
    return false;
}

// Empty when every song listed may be on this player, under its own name or
// a new one; otherwise what is wrong.
std::string Unsound(const World& w, int player, const std::vector<Song>& songs)
{
    for (const Song& song : songs) {
        const auto original = w.originals.find(song.name);
        if (original != w.originals.end()) {
            if (original->second != song.bytes)
                return song.name + " is listed with bytes that are not its own";
            if (!Known(w.known[player], song.bytes, false))
                return song.name + " is the other player's song";
        } else if (!Known(w.known[player], song.bytes, song.name.rfind("Rescued song", 0) == 0)) {
            return song.name + " holds bytes of no song of this player";
        }
    }
    return std::string();
}

void Judge(const World& w, int player, const Step& step, const Expected& e, const std::vector<Song>& before,
           const Listing& fresh, bool cut)
{
    const std::string what = std::string(kOpNames[step.op]) + (cut ? " cut by the power" : "");
    if (e.reported) {
        if (fresh.damaged || !(e.anySoundAfter || Among(fresh.songs, e.after)))
            Finding("a " + what + " reported success that a fresh load does not bear out: " +
                    (fresh.damaged ? std::string("damaged") : Names(fresh.songs)));
        if (e.downloadSlot >= 0 &&
            (e.downloadSlot >= int(fresh.songs.size()) || fresh.songs[size_t(e.downloadSlot)].bytes != e.downloaded))
            Finding("a download reported success with bytes that are not the song's");
    }
    if (fresh.damaged) {
        if (fresh.wrote)
            Finding("after a " + what + ", a load reported damage and wrote to the player");
        if (!cut)
            Finding("a " + what + " with nothing cut left the directory damaged");
        return;
    }
    if (fresh.songs != before && !e.anySoundAfter && !Among(fresh.songs, e.after))
        Finding("a " + what + " left neither the state before it nor after it: " + Names(fresh.songs) +
                ", before: " + Names(before));
    const std::string unsound = Unsound(w, player, fresh.songs);
    if (!unsound.empty())
        Finding("after a " + what + ", " + unsound + ": " + Names(fresh.songs));
}

}

void RunOnSharedPlayers(World& w, bool twoPlayers, const uint8_t* data, size_t size)
{
    const Script script = Decode(twoPlayers, data, size);
    PlayerState states[2];
    // The committed songs were stored with one save over the factory's empty directory.
    for (int p = 0; p < 2; ++p) {
        states[p].history = {{}, w.committed[p]};
        states[p].songs = w.committed[p];
    }
    for (size_t i = 0; i < script.steps.size(); ++i) {
        const Step& step = script.steps[i];
        const int p = twoPlayers ? step.actor : 0;
        PlayerState& state = states[p];
        if (state.ended)
            continue;
        FuzzPc& pc = twoPlayers ? w.pcBoth : step.actor ? w.pcB : w.pcA;
        FuzzPc& other = twoPlayers ? w.pcBoth : step.actor ? w.pcA : w.pcB;
        Expected expected;
        bool cut = false;
        {
            FuzzSession session(w.players[p], pc);
            if (int(i) == script.cutStep)
                session.Faults().powerCutAfter = script.cutAfter;
            expected = RunStep(w, session, step, state);
            cut = session.PoweredOff();
        }
        Trace("step " + std::to_string(i + 1) + ": " + (twoPlayers ? "player " + std::string(1, "12"[step.actor]) : "PC " + std::string(1, "AB"[step.actor])) + " " +
              kOpNames[step.op] + " " + std::to_string(step.param) + (expected.reported ? ": done" : ": not done") +
              (cut ? ", the power cut" : ""));
        // After a cut each PC starts afresh; the first sound load is the player's state from then on.
        std::vector<FuzzPc*> loaders = {&pc};
        if (cut && !twoPlayers)
            loaders = script.cutterLoadsFirst ? std::vector<FuzzPc*>{&pc, &other} : std::vector<FuzzPc*>{&other, &pc};
        const std::vector<Song> before = state.songs;
        const std::vector<Song>* first = nullptr;
        std::vector<Song> firstSongs;
        for (FuzzPc* loader : loaders) {
            const Listing fresh = FreshListing(w.players[p], *loader);
            Trace(std::string("  a fresh load by ") + (twoPlayers ? "the PC" : loader == &w.pcB ? "PC B" : "PC A") + " lists " +
                  (fresh.damaged ? std::string("damage") : Names(fresh.songs)) + (fresh.wrote ? ", written" : ""));
            Judge(w, p, step, expected, before, fresh, cut);
            if (fresh.damaged) {
                state.ended = true;
                continue;
            }
            if (first && fresh.songs != *first)
                Finding("after a " + std::string(kOpNames[step.op]) + " cut by the power, two PCs list two states: " +
                        Names(*first) + " and " + Names(fresh.songs));
            state.ended = false;
            state.Advance(fresh.songs);
            firstSongs = fresh.songs;
            first = &firstSongs;
        }
    }
}
