// A sync carried out: the player ends up holding exactly the songs of the
// layout, in one save of the directory. The new songs are written first, to
// blocks that were free before, without a save each; until the one save
// the player's directory still lists what it listed, with every song whole.

#include <algorithm>
#include <cstring>
#include <memory>

#include "link/DeviceLink.h"
#include "commands/ImageSnapshot.h"
#include "commands/SongCommands.h"
#include "commands/SyncLayout.h"
#include "commands/UploadSource.h"
#include "storage/PlayerHold.h"
#include "storage/safety/UndoHistory.h"
#include "storage/UserInterface.h"
#include "format/SongName.h"

const char* const kSyncStopped = "The sync was stopped before its end. Rio holds its songs as before.";
const char* const kSyncStoppedAfterRemoval =
    "The sync was stopped before its end. Rio holds the songs it kept, without the new ones.";

namespace {

void Release(DirectoryImage& image, unsigned block)
{
    image.SetBlockUse(block, DirectoryImage::kBlockFree);
    image.SetUsedBlocks(uint16_t(image.usedBlocks() - 1));
    image.SetFreeBlocks(uint16_t(image.freeBlocks() + 1));
}

// A song's entry listed again at the end; its blocks are marked in use
// already, and with no song listed the directory's block is taken back.
int PutBack(DirectoryImage& image, const DirectoryEntry& song)
{
    if (image.entryCount() == 0 && image.blockUse(0) == DirectoryImage::kBlockFree) {
        image.SetUsedBlocks(uint16_t(image.usedBlocks() + 1));
        image.SetFreeBlocks(uint16_t(image.freeBlocks() - 1));
        image.SetBlockUse(0, DirectoryImage::kBlockInUse);
        image.SetBlockLink(0, 0);
    }
    const int slot = image.entryCount();
    std::memcpy(image.Entry(slot).Bytes(), song.Bytes(), DirectoryEntry::kSize);
    image.SetEntryCount(uint16_t(slot + 1));
    return slot;
}

}

void FreeSongBlocks(DirectoryImage& image, const DirectoryImage& before, const std::vector<int>& slots)
{
    for (int slot : slots) {
        const std::vector<uint16_t> chain = before.ChainOf(slot);
        for (size_t i = 0; i < chain.size() && i < before.Entry(slot).blockCount(); ++i)
            if (image.IsSongBlock(chain[i]) && image.blockUse(chain[i]) != DirectoryImage::kBlockFree)
                Release(image, chain[i]);
    }
}

void KeepOnly(DirectoryImage& image, const std::vector<int>& slots, bool freeOthers, unsigned playerBlocks)
{
    const auto before = std::make_unique<DirectoryImage>(image);
    const int songs = std::min<int>(before->entryCount(), DirectoryImage::kEntrySlots);
    if (freeOthers) {
        std::vector<int> others;
        for (int slot = 0; slot < songs; ++slot)
            if (std::find(slots.begin(), slots.end(), slot) == slots.end())
                others.push_back(slot);
        FreeSongBlocks(image, *before, others);
    }
    for (int slot = 0; slot < DirectoryImage::kEntrySlots; ++slot)
        image.Entry(slot).Clear();
    for (size_t i = 0; i < slots.size(); ++i)
        std::memcpy(image.Entry(int(i)).Bytes(), before->Entry(slots[i]).Bytes(), DirectoryEntry::kSize);
    image.SetEntryCount(uint16_t(slots.size()));
    if (!slots.empty())
        return;
    if (freeOthers)
        image.SetEmpty(playerBlocks);
    else if (image.blockUse(0) != DirectoryImage::kBlockFree)
        Release(image, 0);
}

bool SongCommands::SyncSongs(const SyncLayout& layout, UploadSource& newSongs, int* keptInstead)
{
    if (RefusedAsDamaged())
        return false;
    PlayerHold hold(m_link);
    if (!hold)
        return false;
    // The plan was made on the list as shown, and the player must still
    // hold it, before any block is written.
    if (m_link.m_image.Digest() != layout.digest) {
        m_link.Ui().ShowMessage(kListChanged);
        return false;
    }
    if (!PlayerAsListed(OnChange::Stop))
        return false;

    const auto before = std::make_unique<DirectoryImage>(m_link.m_image);
    std::vector<int> kept, removed;
    for (const SyncPlace& place : layout.places)
        if (place.keptSlot >= 0)
            kept.push_back(place.keptSlot);
    for (int slot = 0; slot < std::min<int>(before->entryCount(), DirectoryImage::kEntrySlots); ++slot)
        if (std::find(kept.begin(), kept.end(), slot) == kept.end())
            removed.push_back(slot);
    // Read now, while they are listed: their prints let the sync be undone.
    for (int slot : removed)
        LearnPrintBeforeRelease(m_link, slot);

    if (layout.removalFirst) {
        ImageSnapshot old(m_link);
        KeepOnly(m_link.m_image, kept, true, m_link.PlayerBlocks());
        if (!SaveChange(old, layout.change))
            return false;
    }
    // What the player holds until the last save: where a sync abandoned goes back to.
    ImageSnapshot onPlayer(m_link);
    if (!layout.removalFirst)
        KeepOnly(m_link.m_image, kept, false, m_link.PlayerBlocks());

    std::vector<int> slotOfNew(newSongs.Count(), -1);
    bool stopped = false;
    for (size_t i = 0; i < newSongs.Count() && !stopped; ++i) {
        SongFile file;
        if (!newSongs.Prepare(i, &file)) {
            stopped = !newSongs.Finished(i, false);
            continue;
        }
        ImageSnapshot beforeSong(m_link);
        if (!m_link.UploadSong(file.path.c_str(), file.name, file.progressTitle)) {
            beforeSong.Restore();
            stopped = !newSongs.Finished(i, false);
            continue;
        }
        slotOfNew[i] = m_link.m_image.entryCount() - 1;
        if (file.source != 0)
            m_link.NoteSongSource(KeyOf(m_link.m_image.Entry(slotOfNew[i])), file.source);
        stopped = !newSongs.Finished(i, true);
    }
    if (stopped) {
        onPlayer.Restore();
        m_link.Ui().ShowMessage(layout.removalFirst ? kSyncStoppedAfterRemoval : kSyncStopped);
        return false;
    }

    // The songs in their places; new ones that could not be stored left
    // out, or the song each was to replace kept instead: its blocks are
    // still whole and marked in use.
    std::vector<int> order;
    int keptSoFar = 0;
    for (const SyncPlace& place : layout.places) {
        if (place.keptSlot >= 0) {
            order.push_back(keptSoFar++);
        } else if (place.newSong >= 0 && size_t(place.newSong) < slotOfNew.size() &&
                   slotOfNew[size_t(place.newSong)] >= 0) {
            order.push_back(slotOfNew[size_t(place.newSong)]);
        } else if (!layout.removalFirst && place.replacedSlot >= 0) {
            const auto gone = std::find(removed.begin(), removed.end(), place.replacedSlot);
            if (gone == removed.end())
                continue;
            removed.erase(gone);
            order.push_back(PutBack(m_link.m_image, before->Entry(place.replacedSlot)));
            m_link.Ui().ShowMessage("\"" + m_link.Ui().Names().Shown(before->Entry(place.replacedSlot).name()) +
                                    "\" stays as it was: its new file could not be stored.");
            if (keptInstead)
                ++*keptInstead;
        }
    }
    KeepOnly(m_link.m_image, order, false, m_link.PlayerBlocks());
    if (!layout.removalFirst)
        FreeSongBlocks(m_link.m_image, *before, removed);
    if (m_link.m_image.entryCount() == 0)
        m_link.m_image.SetEmpty(m_link.PlayerBlocks());
    if (!SaveChange(onPlayer, layout.change))
        return false;
    m_view.FillSongList();
    return true;
}
