#include "fuzz/SharedPlayers.h"

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/FuzzWorld.h"
#include "format/PageFormat.h"
#include "link/PortStop.h"
#include "commands/SyncRun.h"
#include "commands/SyncText.h"
#include "playlist/UploadItems.h"
#include "commands/BatchUpload.h"
#include "commands/SongIdentity.h"
#include "storage/StorageTexts.h"

namespace {

namespace fs = std::filesystem;
using Songs = std::vector<Song>;

enum Op { kLoad, kDownload, kRemove, kUpload, kRename, kMove, kInitialize, kUndo, kRescue, kSync, kBatch, kOps };
const char* const kOpNames[kOps] = {"load", "download", "remove", "upload", "rename", "move",
                                    "initialize", "undo", "rescue", "sync", "batch"};
constexpr size_t kMaxSteps = 8;

struct Step {
    int actor;
    Op op;
    uint8_t param;
    std::vector<uint8_t> list; // a sync's or a batch's files
};

struct Script {
    int size = 0; // the rig
    int cutStep = -1;
    long cutAfter = 0;
    bool cutterLoadsFirst = false;
    int stopStep = -1;
    long stopAfter = 0;
    std::vector<Step> steps;
};

Script Decode(const uint8_t* data, size_t size)
{
    Script script;
    script.cutStep = data[0] & 0x0F;
    const uint8_t low = size > 1 ? data[1] : 0, high = size > 2 ? data[2] : 0;
    script.cutAfter = low | long(high & 3) << 8 | long(high >> 4 & 3) << 10;
    script.size = high >> 2 & 3;
    script.cutterLoadsFirst = (high & 0x80) != 0;
    size_t i = 3;
    if (high & 0x40) {
        const uint8_t when = size > 3 ? data[3] : 0;
        script.stopStep = when & 0x0F;
        script.stopAfter = (size > 4 ? data[4] : 0) | long(when >> 4) << 8;
        i = 5;
    }
    while (i + 1 < size && script.steps.size() < kMaxSteps) {
        Step step{data[i] >> 7, Op((data[i] & 0x7F) % kOps), data[i + 1], {}};
        i += 2;
        // A list of no songs is one case, not an eighth of all lists.
        if ((step.op == kSync || step.op == kBatch) && step.param != 0xFF)
            for (int n = (step.param & 7) + 1; n > 0 && i < size; --n)
                step.list.push_back(data[i++]);
        script.steps.push_back(std::move(step));
    }
    return script;
}

using Test = std::function<bool(const Songs&)>;

Test Is(Songs state)
{
    return [state = std::move(state)](const Songs& songs) { return songs == state; };
}

// Songs in this order, those marked optional each perhaps left out (a file
// of a batch or a sync that failed).
using Layout = std::vector<std::pair<Song, bool>>;

bool Matches(const Layout& layout, size_t at, const Songs& songs, size_t next)
{
    if (at == layout.size())
        return next == songs.size();
    if (layout[at].second && Matches(layout, at + 1, songs, next))
        return true;
    return next < songs.size() && songs[next] == layout[at].first && Matches(layout, at + 1, songs, next + 1);
}

// What the tool's closing line prints after a batch or a sync
// (cli/CliMain.cpp Upload and Sync): the counts of the flow's result, the
// songs and the memory free from the directory it knows the player holds
// (-1 where it says it could not read them back).
struct Figures {
    bool printed = false;
    int freeBlocks = -1;
    bool sync = false;
    int songs = -1;  // a sync: the songs on the player
    int kept = -1;   // a sync: kept and moved
    int stored = -1; // songs added
    uint64_t bytes = 0; // a batch: of the songs stored
};

// What a step may leave, and what it said.
struct Expected {
    bool reported = false; // it said it made its change (for most, the tool's exit status 0)
    // The states a load may list after it, besides the one before it; the
    // state its success makes.
    Test may = [](const Songs&) { return false; };
    Test done = [](const Songs&) { return false; };
    // What every state it may leave holds: what a rescue must keep when the
    // step left the player damaged.
    Songs floor;
    // The states it saved on the way to one a load lists (a batch saves each
    // song, a sync its removal first): an undo may go back to them.
    std::function<std::vector<Songs>(const Songs&)> passed;
    std::string refusal; // a step that must have been refused
    int downloadSlot = -1;
    Song downloaded; // the file it wrote
    Shown shown; // the list the program shows after it
    bool listShown = true; // false when its last refill did not read the player
    Figures figures;
};

// What a player holds, and every state it has held (what an undo may bring
// back). A player left damaged keeps the state before the step that did it,
// and that step's expectations: a later repair may show what it made.
struct PlayerState {
    Songs songs;
    std::vector<Songs> history;
    bool damaged = false;
    Expected damage;

    void Advance(const Songs& now)
    {
        if (now == songs)
            return;
        songs = now;
        history.push_back(now);
    }
};

// The player now holds `now`, which `by` made: the states it passed through
// on the way join the history.
void Advance(PlayerState& state, const Expected& by, const Songs& now)
{
    if (by.passed && now != state.songs)
        for (const Songs& passed : by.passed(now))
            state.Advance(passed);
    state.Advance(now);
}

std::vector<AudioFileFacts> ListOf(const World& w, int player, const Step& step)
{
    std::vector<AudioFileFacts> files;
    for (uint8_t pick : step.list)
        files.push_back(w.listable[player][pick % w.listable[player].size()]);
    return files;
}

// The tool's upload (cli/CliMain.cpp Upload): a plan of the files, carried out.
void RunBatch(World& w, FuzzSession& s, int player, const Step& step, const Songs& before, Expected& e)
{
    UploadOptions options;
    options.storeDuplicates = (step.param & 0x08) != 0;
    const bool fit = (step.param & 0x10) != 0;
    const std::vector<KnownSong> songs = KnownSongs(s.link);
    const DirectoryImage& image = s.link.m_image;
    const UploadPlan plan = PlanUpload(ListOf(w, player, step), options, image.freeBlocks(), image.entryCount(),
                                       &s.link.Ui().Names(), &songs);
    if (!plan.Fits() && !fit)
        return;
    Layout layout;
    for (const Song& song : before)
        layout.emplace_back(song, false);
    Songs all = before;
    for (const PlannedFile& file : plan.files)
        if (file.ToBeStored() && file.fits) {
            all.push_back(w.Stored(file.name, file.facts.path, file.action == UploadAction::Convert));
            layout.emplace_back(all.back(), true);
        }
    e.floor = before;
    e.may = [layout](const Songs& now) { return Matches(layout, 0, now, 0); };
    const size_t was = before.size();
    e.passed = [was](const Songs& now) {
        std::vector<Songs> states;
        for (size_t n = was + 1; n < now.size(); ++n)
            states.emplace_back(now.begin(), now.begin() + std::ptrdiff_t(n));
        return states;
    };
    e.done = Is(all);
    const BatchResult result = RunUploadPlan(s.link, s.commands, plan);
    Trace("stored " + std::to_string(result.stored) + " of " + std::to_string(result.files) + ", " +
          std::to_string(result.failed) + " failed, " + std::to_string(result.notTried) + " not tried, " +
          std::to_string(result.skipped) + " skipped; " + std::to_string(s.link.m_image.freeBlocks()) + " blocks free");
    e.reported = result.failed + result.notTried == 0;
    e.figures.printed = true;
    e.figures.stored = result.stored;
    e.figures.bytes = result.bytes;
    if (result.freeBytes)
        e.figures.freeBlocks = int(*result.freeBytes / kBlockSize);
}

// The tool's sync (cli/CliMain.cpp Sync), answered yes.
void RunSync(World& w, FuzzSession& s, int player, const Step& step, const Songs& before, Expected& e)
{
    if (s.link.DirectoryDamaged()) {
        s.link.Ui().ShowMessage(kDirectoryDamaged);
        return;
    }
    UploadItems items;
    items.files = ListOf(w, player, step);
    if (!UnreadableForSync(items).empty())
        return;
    if (items.files.empty())
        e.refusal = "a sync with a list of no songs";
    const bool fit = (step.param & 0x10) != 0;
    const SyncPlan plan =
        PlanSync(s.link.m_image, KnownSongs(s.link), std::move(items.files), UploadOptions(), &s.link.Ui().Names());
    if (!SyncWithoutSongsText(plan, fit).empty())
        return;
    const bool planDone = (plan.Fits() || fit) && plan.refused.empty();
    if (!plan.Fits() && !fit)
        return;
    if (!plan.Changes()) {
        e.reported = planDone;
        e.done = Is(before);
        return;
    }
    Layout layout;
    Songs kept, all;
    for (const SyncEntry& entry : plan.entries) {
        if (entry.action == SyncAction::Add) {
            const PlannedFile& file = plan.additions.files[size_t(entry.addition)];
            layout.emplace_back(w.Stored(file.name, file.facts.path, file.action == UploadAction::Convert), true);
        } else if (size_t(entry.oldSlot) < before.size()) {
            layout.emplace_back(before[size_t(entry.oldSlot)], false);
            kept.push_back(layout.back().first);
        }
        all.push_back(layout.back().first);
    }
    e.floor = kept;
    const bool removalFirst = plan.removalFirst;
    if (removalFirst)
        e.passed = [kept](const Songs&) { return std::vector<Songs>{kept}; };
    e.may = [layout, kept, removalFirst](const Songs& now) {
        return (removalFirst && now == kept) || Matches(layout, 0, now, 0);
    };
    Trace("the plan: " + std::to_string(kept.size()) + " kept, " + std::to_string(plan.additions.files.size()) +
          " added, " + std::to_string(plan.removed.size()) + " removed" + (removalFirst ? ", the removal first" : ""));
    const SyncResult result = RunSyncPlan(s.link, s.commands, plan);
    if (!result.saved)
        return;
    e.reported = true;
    const bool allAdded = result.additions.failed == 0 && result.additions.notTried == 0;
    e.done = allAdded ? Is(all) : Test([layout](const Songs& now) { return Matches(layout, 0, now, 0); });
    e.figures.printed = true;
    e.figures.sync = true;
    e.figures.kept = plan.Count(SyncAction::Keep) + plan.Count(SyncAction::Move) + result.keptInstead;
    e.figures.stored = result.additions.stored;
    if (const DirectoryImage* known = KnownDirectory(s.link)) {
        e.figures.songs = known->entryCount();
        e.figures.freeBlocks = known->freeBlocks();
    }
}

// `before`: the player's state as the step's own load lists it.
Expected RunStep(World& w, FuzzSession& s, FuzzPlayer& player, int p, const Step& step, const PlayerState& state,
                 Songs* before, bool* loadSound)
{
    Expected e;
    const bool loaded = ReloadDirectory(s.link) != 0;
    const Listing load = ListingOf(s, player.flash, loaded);
    *before = state.songs;
    *loadSound = !load.damaged;
    if (!load.damaged) {
        if (load.songs != state.songs && !(state.damaged && state.damage.may(load.songs)))
            Finding("before a " + std::string(kOpNames[step.op]) + ", a load listed " + Names(load.songs) +
                    ", not the player's state " + Names(state.songs));
        *before = load.songs;
    }
    const Songs& was = *before;
    e.floor = was;
    e.done = Is(was);
    const int songs = std::min<int>(s.link.m_image.entryCount(), DirectoryImage::kEntrySlots);
    const int slot = songs > 0 ? step.param % songs : 0;
    const bool listed = !load.damaged && slot < int(was.size());
    Songs after = was;
    SongCommands& c = s.commands;
    switch (step.op) {
    case kLoad:
        e.reported = loaded && !s.link.DirectoryDamaged();
        break;
    case kDownload:
        w.EmptyOut();
        if (songs > 0 && c.DownloadSongAt(slot, w.Out().string())) {
            e.reported = true;
            e.downloadSlot = slot;
            for (const auto& entry : fs::directory_iterator(w.Out()))
                e.downloaded = SongOf("", ReadWhole(entry.path()));
        }
        break;
    case kRemove:
        if (listed) {
            after.erase(after.begin() + slot);
            e.may = e.done = Is(after);
            e.floor = after;
        }
        e.reported = songs > 0 && c.RemoveSongAt(slot, false);
        break;
    case kUpload: {
        const Song& added = w.uploads[step.param % w.uploads.size()];
        after.push_back(added);
        if (!load.damaged)
            e.may = e.done = Is(after);
        e.reported = c.UploadFiles({w.PathOf(added).string()}) == 1;
        break;
    }
    case kRename:
        if (listed) {
            after[size_t(slot)].name = "renamed";
            e.may = e.done = Is(after);
        }
        e.reported = c.RenameSong(slot, "renamed");
        break;
    case kMove:
        if (listed) {
            std::rotate(after.begin(), after.begin() + slot, after.begin() + slot + 1);
            e.may = e.done = Is(after);
        }
        e.reported = c.MoveSong(slot, 0);
        break;
    case kInitialize:
        e.may = e.done = Is({});
        e.floor.clear();
        e.reported = c.InitializePlayer(false);
        break;
    case kUndo: {
        const std::vector<Songs>* history = &state.history;
        e.may = e.done = [history](const Songs& now) {
            return std::find(history->begin(), history->end(), now) != history->end();
        };
        e.floor.clear();
        e.reported = c.UndoLastChange(false);
        break;
    }
    case kRescue: {
        // On a damaged player, what every state it may be in holds.
        const Songs kept = load.damaged && state.damaged ? state.damage.floor : was;
        e.may = e.done = [kept](const Songs& now) { return Keeps(now, kept); };
        e.floor = kept;
        e.reported = c.RescueSongs(false);
        break;
    }
    case kSync:
        if (loaded)
            RunSync(w, s, p, step, was, e);
        break;
    case kBatch:
        if (loaded)
            RunBatch(w, s, p, step, was, e);
        break;
    default:
        break;
    }
    e.listShown = s.list.Read();
    e.shown = ShownOf(s.link.m_image);
    return e;
}

std::string BlocksText(int blocks)
{
    return std::to_string(blocks) + " blocks (" + std::to_string(blocks * 32) + " KiB)";
}

struct Outcome {
    bool cut = false;
    bool stopped = false;
    bool wrote = false;
    bool wasDamaged = false; // before the step
};

void Judge(const World& w, int player, int playerBlocks, const Step& step, const Expected& e, const Songs& before,
           const PlayerState& state, const Listing& fresh, const Outcome& o)
{
    const std::string what = std::string(kOpNames[step.op]) + (o.cut ? " cut by the power" : "") +
                             (o.stopped ? " stopped by Ctrl+C" : "");
    const std::string listed = fresh.damaged ? std::string("damage") : Names(fresh.songs);
    if (!e.refusal.empty() && e.reported)
        Finding(e.refusal + " was not refused: a fresh load lists " + listed);
    if (e.reported) {
        if (fresh.damaged || !e.done(fresh.songs))
            Finding("a " + what + " reported success that a fresh load does not bear out: " + listed +
                    ", before: " + Names(before));
        if (e.downloadSlot >= 0 &&
            (e.downloadSlot >= int(fresh.songs.size()) || !Holds(fresh.songs[size_t(e.downloadSlot)], e.downloaded, false)))
            Finding("a download reported success with bytes that are not the song's");
        // After a Ctrl+C the tool shows no list, only its closing line's figures.
        if (!o.stopped && e.listShown && e.shown != fresh.shown)
            Finding("after a " + what + " that reported success, the program shows " + Text(e.shown) +
                    ", but the player holds " + Text(fresh.shown));
    }
    if (fresh.damaged) {
        if (fresh.wrote)
            Finding("after a " + what + ", a load reported damage and wrote to the player");
        if (!o.cut && (!o.wasDamaged || o.wrote))
            Finding("a " + what + " with nothing cut left the directory damaged");
        return;
    }
    if (fresh.songs != before && !e.may(fresh.songs) && !(o.wasDamaged && state.damage.may(fresh.songs)))
        Finding("a " + what + " left neither the state before it nor one it may make: " + Names(fresh.songs) +
                ", before: " + Names(before));
    const std::string unsound = Unsound(w, player, fresh.songs);
    if (!unsound.empty())
        Finding("after a " + what + ", " + unsound + ": " + Names(fresh.songs));
    const std::string memory = MemoryWrong(fresh.shown, playerBlocks);
    if (!memory.empty())
        Finding("after a " + what + ", " + memory);

    // The figures the tool says it could not read back are not checked.
    const Figures& f = e.figures;
    if (!f.printed)
        return;
    if (f.freeBlocks >= 0 && f.freeBlocks != fresh.shown.freeBlocks)
        Finding("after a " + what + ", its closing line says " + BlocksText(f.freeBlocks) + " free; the player has " +
                BlocksText(fresh.shown.freeBlocks) + " free");
    if (f.sync && ((f.songs >= 0 && f.songs != fresh.shown.count) || f.kept + f.stored != fresh.shown.count))
        Finding("after a " + what + ", its closing line says " + std::to_string(f.songs) + " songs (" +
                std::to_string(f.kept) + " kept, " + std::to_string(f.stored) + " added); the player holds " +
                std::to_string(fresh.shown.count));
    if (!f.sync) {
        // A cut save may have made it although the batch could not tell.
        const int added = int(fresh.songs.size()) - int(before.size());
        if (added != f.stored && !(o.cut && added == f.stored + 1))
            Finding("after a " + what + ", its closing line says " + std::to_string(f.stored) +
                    " songs stored; the player holds " + std::to_string(added) + " more than before");
        uint64_t bytes = 0;
        for (int i = 0; i < f.stored && i < added; ++i)
            bytes += fresh.songs[before.size() + size_t(i)].size;
        if (bytes != f.bytes)
            Finding("after a " + what + ", its closing line says " + std::to_string(f.bytes) +
                    " bytes stored; the songs it stored hold " + std::to_string(bytes));
    }
}

std::string StepText(const World& w, bool twoPlayers, int player, const Step& step)
{
    std::string text = (twoPlayers ? "player " + std::string(1, "12"[step.actor]) : "PC " + std::string(1, "AB"[step.actor])) +
                       " " + kOpNames[step.op] + " " + std::to_string(step.param);
    if (step.op == kSync || step.op == kBatch) {
        std::string names;
        for (const AudioFileFacts& file : ListOf(w, player, step))
            names += (names.empty() ? "" : ", ") + fs::path(file.path).filename().string();
        text += " [" + names + "]";
    }
    return text;
}

}

void RunOnSharedPlayers(World& w, bool twoPlayers, const uint8_t* data, size_t size)
{
    const Script script = Decode(data, size);
    Rig& rig = w.RigOf(script.size);
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
        FuzzPlayer& player = rig.players[p];
        FuzzPc& pc = twoPlayers ? rig.pcBoth : step.actor ? rig.pcB : rig.pcA;
        FuzzPc& other = twoPlayers ? rig.pcBoth : step.actor ? rig.pcA : rig.pcB;
        Expected expected;
        Songs before;
        Outcome o;
        o.wasDamaged = state.damaged;
        bool loadSound = false;
        {
            FuzzSession session(player, pc);
            if (int(i) == script.cutStep)
                session.Faults().powerCutAfter = script.cutAfter;
            if (int(i) == script.stopStep)
                session.StopAfter(script.stopAfter);
            expected = RunStep(w, session, player, p, step, state, &before, &loadSound);
            o.cut = session.PoweredOff();
            o.stopped = PortStopRequested();
            o.wrote = session.Wrote();
            ClearPortStop();
        }
        // The step's own load repaired the damage: the player holds what it listed.
        if (o.wasDamaged && loadSound) {
            Advance(state, state.damage, before);
            state.damaged = false;
        }
        Trace("step " + std::to_string(i + 1) + ": " + StepText(w, twoPlayers, p, step) +
              (expected.reported ? ": done" : ": not done") + (o.cut ? ", the power cut" : "") +
              (o.stopped ? ", Ctrl+C" : ""));
        // After a cut each PC starts afresh; the first sound load is the player's state from then on.
        std::vector<FuzzPc*> loaders = {&pc};
        if (o.cut && !twoPlayers)
            loaders = script.cutterLoadsFirst ? std::vector<FuzzPc*>{&pc, &other} : std::vector<FuzzPc*>{&other, &pc};
        bool listed = false;
        Songs first;
        for (FuzzPc* loader : loaders) {
            // What a step that reported success left must be sound as it stands.
            const Listing fresh = FreshListing(player, *loader, -1, !expected.reported);
            Trace(std::string("  a fresh load by ") + (twoPlayers ? "the PC" : loader == &rig.pcB ? "PC B" : "PC A") +
                  " lists " + (fresh.damaged ? std::string("damage") : Names(fresh.songs)) +
                  (fresh.wrote ? ", written" : ""));
            Judge(w, p, player.flash.Blocks(), step, expected, before, state, fresh, o);
            if (fresh.damaged) {
                if (!state.damaged) {
                    state.damaged = true;
                    state.songs = before;
                    state.damage = expected;
                }
                continue;
            }
            if (listed && fresh.songs != first)
                Finding("after a " + std::string(kOpNames[step.op]) + " cut by the power, two PCs list two states: " +
                        Names(first) + " and " + Names(fresh.songs));
            if (!listed)
                Advance(state, state.damaged && !expected.may(fresh.songs) ? state.damage : expected, fresh.songs);
            state.damaged = false;
            first = fresh.songs;
            listed = true;
        }
    }
}
