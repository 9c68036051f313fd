#include "commands/SyncPlan.h"

#include <algorithm>

#include "format/DirectoryImage.h"
#include "format/SongName.h"

namespace {

bool StoredAsItIs(const PlannedFile& file)
{
    return file.action == UploadAction::Store || file.action == UploadAction::StoreWithoutTags ||
           file.action == UploadAction::StoreFromFirstFrame;
}

// For each file of the list, the song on the player that holds it, or -1:
// by the file it came from or the print of its bytes first, for every file,
// and only then by name and size, so that a sure match is never taken by a
// file further up that merely shares a name. Name and size tell only songs
// this PC knows nothing of: one whose file or print it knows, and this file
// does not give, was stored from something else (another recording of the
// same length, say).
//
// A refused file (empty, damaged, or one this build cannot convert) stands
// for the song stored from it, else, last, for a song of a name any upload
// of it would have given: as it is, converted, or from its tags. Its
// content cannot tell, so the song stays rather than go.
std::vector<int> MatchSongs(std::vector<PlannedFile>& files, const std::vector<KnownSong>& songs,
                            const UploadOptions& options, const SongNameText& rules)
{
    std::vector<int> match(files.size(), -1);
    std::vector<bool> taken(songs.size(), false);
    const auto take = [&](size_t file, int song) {
        match[file] = song;
        if (song >= 0)
            taken[size_t(song)] = true;
    };
    for (size_t i = 0; i < files.size(); ++i) {
        if (files[i].ToBeStored()) {
            IdentifyPlannedFile(files[i]);
            take(i, SongHoldingFile(songs, taken, files[i].source, files[i].print, files[i].bytes));
        } else {
            files[i].source = SourceFingerprint(files[i].facts.path);
            take(i, SongHoldingFile(songs, taken, files[i].source, 0, 0));
        }
    }
    for (size_t i = 0; i < files.size(); ++i) {
        if (match[i] >= 0 || !files[i].ToBeStored() || !StoredAsItIs(files[i]))
            continue;
        const std::string stored = rules.Stored(PlannedName(files[i].facts, files[i].action, options));
        for (size_t s = 0; s < songs.size() && match[i] < 0; ++s)
            if (!taken[s] && songs[s].source == 0 && songs[s].print == 0 && songs[s].name == stored &&
                songs[s].size == files[i].bytes)
                take(i, int(s));
    }
    UploadOptions named = options, tagged = options;
    named.nameFromTags = false;
    tagged.nameFromTags = true;
    for (size_t i = 0; i < files.size(); ++i) {
        if (match[i] >= 0 || files[i].action != UploadAction::Refuse)
            continue;
        const AudioFileFacts& facts = files[i].facts;
        for (const std::string& name : {PlannedName(facts, UploadAction::Store, named),
                                        PlannedName(facts, UploadAction::Convert, named),
                                        PlannedName(facts, UploadAction::Store, tagged)})
            for (size_t s = 0; s < songs.size() && match[i] < 0; ++s)
                if (!taken[s] && songs[s].name == rules.Stored(name))
                    take(i, int(s));
    }
    return match;
}

// The kept songs that stay in their order (the longest run of old slots
// that rises) are kept; the others are moved.
void MarkMoves(std::vector<SyncEntry>& entries)
{
    std::vector<size_t> kept;
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].action != SyncAction::Add)
            kept.push_back(i);
    std::vector<int> length(kept.size(), 1), previous(kept.size(), -1);
    int best = -1;
    for (size_t i = 0; i < kept.size(); ++i) {
        for (size_t j = 0; j < i; ++j)
            if (entries[kept[j]].oldSlot < entries[kept[i]].oldSlot && length[j] + 1 > length[i]) {
                length[i] = length[j] + 1;
                previous[i] = int(j);
            }
        if (best < 0 || length[i] > length[size_t(best)])
            best = int(i);
    }
    for (size_t i : kept)
        entries[i].action = SyncAction::Move;
    for (int i = best; i >= 0; i = previous[size_t(i)])
        entries[kept[size_t(i)]].action = SyncAction::Keep;
}

}

std::vector<std::string> UnreadableForSync(const UploadItems& items)
{
    std::vector<std::string> unread = items.problems;
    for (const AudioFileFacts& file : items.files)
        if (file.kind == AudioKind::Unreadable)
            unread.push_back(file.path + ": " + file.problem);
    return unread;
}

bool SyncPlan::Changes() const
{
    return !removed.empty() || std::any_of(entries.begin(), entries.end(), [](const SyncEntry& entry) {
               return entry.action != SyncAction::Keep;
           });
}

SyncAction SyncPlan::Seen(size_t i) const
{
    const SyncEntry& entry = entries[i];
    if (entry.action == SyncAction::Add)
        return SyncAction::Add;
    return entry.oldSlot == int(i) ? SyncAction::Keep : SyncAction::Move;
}

int SyncPlan::CountSeen(SyncAction action) const
{
    int count = 0;
    for (size_t i = 0; i < entries.size(); ++i)
        count += Seen(i) == action;
    return count;
}

int SyncPlan::Count(SyncAction action) const
{
    return int(std::count_if(entries.begin(), entries.end(),
                             [action](const SyncEntry& entry) { return entry.action == action; }));
}

const SyncEntry* SyncPlan::KeptFor(size_t file) const
{
    for (const SyncEntry& entry : entries)
        if (entry.refusedFile == int(file))
            return &entry;
    return nullptr;
}

SyncLayout SyncPlan::Layout() const
{
    SyncLayout layout;
    layout.digest = digest;
    layout.removalFirst = removalFirst;
    layout.change = change;
    for (const SyncEntry& entry : entries) {
        SyncPlace place;
        if (entry.action == SyncAction::Add) {
            place.newSong = entry.addition;
            place.replacedSlot = entry.replacedSlot;
        } else {
            place.keptSlot = entry.oldSlot;
        }
        layout.places.push_back(place);
    }
    return layout;
}

SyncPlan PlanSync(const DirectoryImage& onPlayer, const std::vector<KnownSong>& songs,
                  std::vector<AudioFileFacts> list, const UploadOptions& options, const SongNameText* names,
                  bool keepOthers)
{
    const Utf8SongNames toolNames;
    const SongNameText& rules = names ? *names : toolNames;
    SyncPlan plan;
    plan.digest = onPlayer.Digest();
    plan.songsBefore = int(songs.size());
    plan.totalBlocks = onPlayer.totalBlocks();
    plan.freeBlocksBefore = onPlayer.freeBlocks();

    UploadPlan planned = PlanUpload(std::move(list), options, plan.freeBlocksBefore, plan.songsBefore, &rules);
    const std::vector<int> match = MatchSongs(planned.files, songs, options, rules);

    // What the songs may take: the free blocks and those of every song now
    // (the directory's own block aside, which an empty player still has free).
    int capacity = plan.freeBlocksBefore - (songs.empty() ? 1 : 0);
    for (size_t s = 0; s < songs.size(); ++s)
        capacity += onPlayer.Entry(int(s)).blockCount();
    int used = 0;
    std::vector<bool> kept(songs.size(), false);
    plan.additions.freeBlocks = plan.freeBlocksBefore;
    if (keepOthers) {
        for (size_t s = 0; s < songs.size(); ++s) {
            const DirectoryEntry song = onPlayer.Entry(int(s));
            SyncEntry entry;
            entry.action = SyncAction::Keep;
            entry.oldSlot = int(s);
            entry.name = rules.Shown(song.name());
            entry.bytes = song.size();
            entry.blocks = song.blockCount();
            used += entry.blocks;
            kept[s] = true;
            plan.entries.push_back(entry);
        }
    }
    for (size_t i = 0; i < planned.files.size(); ++i) {
        PlannedFile& file = planned.files[i];
        if (keepOthers && match[i] >= 0)
            continue; // on the player already, where it stays
        if (!file.ToBeStored() && match[i] < 0) {
            plan.refused.push_back(std::move(file));
            continue;
        }
        SyncEntry entry;
        entry.file = file.facts.path;
        if (match[i] >= 0) {
            const DirectoryEntry song = onPlayer.Entry(match[i]);
            entry.action = SyncAction::Keep;
            entry.oldSlot = match[i];
            entry.name = rules.Shown(song.name());
            entry.bytes = song.size();
            entry.blocks = song.blockCount();
        } else {
            entry.name = file.name;
            entry.bytes = file.bytes;
            entry.blocks = file.blocks;
        }
        const bool room = used + entry.blocks <= capacity && plan.entries.size() < size_t(DirectoryImage::kEntrySlots);
        if (!plan.notFitting.empty() || !room) {
            file.bytes = entry.bytes;
            file.blocks = entry.blocks;
            plan.notFitting.push_back(std::move(file));
            continue;
        }
        used += entry.blocks;
        if (entry.action == SyncAction::Keep) {
            kept[size_t(entry.oldSlot)] = true;
            if (!file.ToBeStored()) {
                entry.refusedFile = int(plan.refused.size());
                plan.refused.push_back(std::move(file));
            }
        } else {
            entry.addition = int(plan.additions.files.size());
            file.fits = true;
            plan.additions.blocksNeeded += file.blocks;
            plan.additions.files.push_back(std::move(file));
        }
        plan.entries.push_back(entry);
    }
    MarkMoves(plan.entries);

    int removedBlocks = 0;
    for (size_t s = 0; s < songs.size(); ++s) {
        if (kept[s])
            continue;
        const DirectoryEntry song = onPlayer.Entry(int(s));
        plan.removed.push_back({int(s), rules.Shown(song.name()), song.size(), song.blockCount()});
        removedBlocks += song.blockCount();
    }
    const int newBlocks = plan.additions.blocksNeeded;
    plan.removalFirst = !plan.removed.empty() && newBlocks > plan.freeBlocksBefore;
    // A changed file replaces the song of its name; should it fail to be
    // stored (gone, or not converting), that song stays. Removed ones are
    // whole until the one save, unless the removal goes first.
    if (!plan.removalFirst) {
        std::vector<bool> replaced(plan.removed.size(), false);
        for (SyncEntry& entry : plan.entries) {
            if (entry.action != SyncAction::Add)
                continue;
            const PlannedFile& file = plan.additions.files[size_t(entry.addition)];
            const std::string stored = rules.Stored(PlannedName(file.facts, file.action, options));
            for (size_t r = 0; r < plan.removed.size() && entry.replacedSlot < 0; ++r)
                if (!replaced[r] && onPlayer.Entry(plan.removed[r].slot).name() == stored) {
                    replaced[r] = true;
                    entry.replacedSlot = plan.removed[r].slot;
                }
        }
    }
    const int directoryBlock = plan.entries.empty() ? 0 : 1;
    const int directoryBefore = songs.empty() ? 0 : 1;
    plan.freeBlocksAfter = plan.freeBlocksBefore + removedBlocks - newBlocks - (directoryBlock - directoryBefore);
    plan.usedBlocksAfter = onPlayer.usedBlocks() - removedBlocks + newBlocks + (directoryBlock - directoryBefore);
    return plan;
}
