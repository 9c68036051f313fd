#include "storage/safety/UndoHistory.h"

#include <algorithm>
#include <set>
#include <vector>

#include "link/DeviceLink.h"
#include "link/PageFormat.h"
#include "storage/UserInterface.h"
#include "storage/format/SongName.h"

namespace {

int Songs(const DirectoryImage& image)
{
    return std::min<int>(image.entryCount(), DirectoryImage::kEntrySlots);
}

// The slot of the same song (same blocks, length and upload) in `image`, or -1.
int SameSong(const DirectoryImage& image, const SongKey& key, const std::vector<uint16_t>& chain)
{
    for (int slot = 0; slot < Songs(image); ++slot)
        if (KeyOf(image.Entry(slot)) == key && image.ChainOf(slot) == chain)
            return slot;
    return -1;
}

std::string Quoted(const DirectoryEntry& entry, const SongNameText& names)
{
    return "\"" + names.Shown(entry.name()) + "\"";
}

// Whether a directory or its shadow put anything but this very song into its blocks.
bool UsedBy(const DirectoryCopy& copy, const SongKey& key, const std::vector<uint16_t>& chain)
{
    const std::set<uint16_t> blocks(chain.begin(), chain.end());
    if (blocks.count(copy.shadowBlock))
        return true;
    if (SameSong(*copy.image, key, chain) >= 0)
        return false;
    for (int slot = 0; slot < Songs(*copy.image); ++slot)
        for (uint16_t block : copy.image->ChainOf(slot))
            if (blocks.count(block))
                return true;
    return false;
}

// On the player: each block's first page links as the chain does, and the
// pages' checksums give the song's print when it is known.
bool StillOnPlayer(DeviceLink& link, const DirectoryEntry& entry, const std::vector<uint16_t>& chain, uint32_t print)
{
    uint8_t raw[kRawPageSize];
    std::vector<uint16_t> sums;
    for (size_t i = 0; i < chain.size(); ++i) {
        SpareLinks links;
        if (!link.ReadPageChecked(0, raw, chain[i]) || !RawPageIntact(raw) ||
            !ParseSpareBytes(raw + kPageSize, &links))
            return false;
        const uint16_t previous = i == 0 ? kNoLinkBlock : chain[i - 1];
        const uint16_t next = i + 1 == chain.size() ? kNoLinkBlock : chain[i + 1];
        if (links.previous != previous || links.next != next)
            return false;
        if (i == 0) {
            const uint8_t* header = entry.audioHeaderBytes();
            const bool sameStart =
                raw[0] == header[3] && raw[1] == header[2] && raw[2] == header[1] && raw[3] == header[0];
            if (!sameStart && !std::equal(raw, raw + 3, "ID3"))
                return false;
        }
        sums.push_back(links.checksum);
    }
    return print == 0 || SongPrint(sums) == print;
}

}

bool FindUndoStep(DirectoryCopies& copies, const DirectoryImage& onPlayer, const SongNameText& names,
                  UndoStep* step, std::string* why)
{
    if (!copies.Find(onPlayer.Digest(), &step->current)) {
        *why = "This PC keeps no copy of the directory now on Rio, so Mellifon cannot tell what changed last.";
        return false;
    }
    if (step->current.replacesDigest == 0 || !copies.Find(step->current.replacesDigest, &step->previous)) {
        *why = "This PC keeps no copy of the directory from before the last change on Rio: there is nothing "
               "more to undo.";
        return false;
    }
    step->description = DescribeChange(*step->previous.image, *step->current.image, step->current.change, names);
    return true;
}

bool SongsStillWhole(DeviceLink& link, DirectoryCopies& copies, const UndoStep& step, std::string* why)
{
    const DirectoryImage& before = *step.previous.image;
    const DirectoryImage& now = *step.current.image;
    std::vector<DirectoryCopy> since;
    for (DirectoryCopy& copy : copies.All())
        if (copy.sequence > step.previous.sequence)
            since.push_back(std::move(copy));

    WaitCursor wait(link.Ui());
    link.OpenLink();
    bool whole = true;
    for (int slot = 0; slot < Songs(before) && whole; ++slot) {
        const DirectoryEntry entry = before.Entry(slot);
        const SongKey key = KeyOf(entry);
        const std::vector<uint16_t> chain = before.ChainOf(slot);
        if (SameSong(now, key, chain) >= 0)
            continue; // still listed: nothing to bring back
        bool touched = std::any_of(chain.begin(), chain.end(),
                                   [&](uint16_t block) { return now.blockUse(block) != DirectoryImage::kBlockFree; });
        for (const DirectoryCopy& copy : since)
            touched = touched || UsedBy(copy, key, chain);
        if (touched || !StillOnPlayer(link, entry, chain, step.previous.prints[size_t(slot)])) {
            *why = "Mellifon cannot undo " + step.description + ": the blocks of " + Quoted(entry, link.Ui().Names()) +
                   " have been written since.";
            whole = false;
        }
    }
    link.CloseLink();
    return whole;
}

std::string DescribeChange(const DirectoryImage& before, const DirectoryImage& after, const std::string& change,
                           const SongNameText& names)
{
    if (change == "initialize")
        return "the initialization of Rio";
    if (change == "move")
        return "the change of the songs' order";
    // The song that is in one directory and not in the other, or renamed.
    const DirectoryImage& longer = change == "upload" ? after : before;
    const DirectoryImage& shorter = change == "upload" ? before : after;
    for (int slot = 0; slot < Songs(longer); ++slot) {
        const DirectoryEntry entry = longer.Entry(slot);
        const int other = SameSong(shorter, KeyOf(entry), longer.ChainOf(slot));
        if (change == "rename" && other >= 0 && shorter.Entry(other).name() != entry.name())
            return "the renaming of " + Quoted(entry, names) + " to " + Quoted(shorter.Entry(other), names);
        if (change == "remove" && other < 0)
            return "the removal of " + Quoted(entry, names);
        if (change == "upload" && other < 0)
            return "the upload of " + Quoted(entry, names);
    }
    return "the last change";
}
