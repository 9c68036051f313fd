#include "storage/safety/UndoHistory.h"

#include <algorithm>
#include <set>
#include <vector>

#include "link/DeviceLink.h"
#include "format/PageFormat.h"
#include "storage/StorageTexts.h"
#include "storage/UserInterface.h"
#include "format/SongName.h"
#include "storage/safety/FlashSurvey.h"

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

// Whether a write put anything but this very song into its blocks.
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

// Each block of the chain written whole: a write cut short since, even of
// the same song (its first pages, and so its print, the same), leaves some
// of its pages erased.
bool AllWrittenWhole(FlashSurvey& survey, const std::vector<uint16_t>& chain, bool* answered)
{
    for (uint16_t block : chain)
        if (!survey.WrittenWhole(block, answered))
            return false;
    return true;
}

// This PC's writes on the player since `previous`, newest first: back from
// the record of what the player holds, along what each write replaced.
std::vector<DirectoryCopy> WritesSince(const std::vector<DirectoryCopy>& all, const UndoStep& step)
{
    std::vector<DirectoryCopy> since;
    const DirectoryCopy* record = &step.current;
    for (size_t steps = 0; record && record->digest != step.previous.digest && steps <= all.size(); ++steps) {
        since.push_back(*record);
        const uint64_t replaced = record->replacesDigest;
        record = nullptr;
        for (const DirectoryCopy& copy : all)
            if (replaced != 0 && copy.digest == replaced && copy.sequence < since.back().sequence) {
                record = &copy;
                break;
            }
    }
    return since;
}

}

bool FindUndoStep(DirectoryCopies& copies, const DirectoryImage& onPlayer, const SongNameText& names,
                  UndoStep* step, std::string* why)
{
    if (!copies.Find(onPlayer.Digest(), &step->current)) {
        *why = "This PC keeps no copy of the directory now on Rio, so Mellifon cannot tell what changed last.";
        return false;
    }
    if (step->current.undoDigest == 0 || !copies.Find(step->current.undoDigest, &step->previous)) {
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
    const std::vector<DirectoryCopy> all = copies.All();
    const std::vector<DirectoryCopy> since = WritesSince(all, step);
    PrintBook prints = HistoryPrints(all, step.current);
    prints.Learn(HistoryPrints(all, step.previous));
    prints.Learn(link.SessionPrints());

    WaitCursor wait(link.Ui());
    FlashSurvey survey(link, now.UsableBlockLimit());
    bool whole = true;
    for (int slot = 0; slot < Songs(before) && whole; ++slot) {
        const DirectoryEntry entry = before.Entry(slot);
        const SongKey key = KeyOf(entry);
        const std::vector<uint16_t> chain = before.ChainOf(slot);
        if (SameSong(now, key, chain) >= 0)
            continue; // still listed: nothing to bring back
        const std::string cannot = "Mellifon cannot undo " + step.description + ": ";
        bool touched = std::any_of(chain.begin(), chain.end(),
                                   [&](uint16_t block) { return now.blockUse(block) != DirectoryImage::kBlockFree; });
        for (const DirectoryCopy& copy : since)
            touched = touched || UsedBy(copy, key, chain);
        uint32_t print = step.previous.prints[size_t(slot)];
        if (print == 0)
            print = prints.PrintOf(key);
        bool answered = true;
        if (touched) {
            *why = cannot + "the blocks of " + Quoted(entry, link.Ui().Names()) + " have been written since.";
            whole = false;
        } else if (print == 0) {
            *why = cannot + "this PC neither stored nor read " + Quoted(entry, link.Ui().Names()) +
                   ", so it cannot prove that its blocks still hold it.";
            whole = false;
        } else if (!survey.LinksAs(chain, &answered) || !BeginsAs(survey.At(chain.front()).head, entry.audioHeaderBytes()) ||
                   survey.PrintOf(chain) != print || !AllWrittenWhole(survey, chain, &answered)) {
            *why = answered ? cannot + "the blocks of " + Quoted(entry, link.Ui().Names()) + " have been written since." : kNotConnected;
            whole = false;
        }
    }
    link.CloseLink();
    return whole;
}

void LearnPrintBeforeRelease(DeviceLink& link, int slot)
{
    const DirectoryImage& image = link.m_image;
    if (slot < 0 || slot >= Songs(image))
        return;
    const SongKey key = KeyOf(image.Entry(slot));
    if (link.SessionPrints().PrintOf(key) != 0 ||
        (link.Copies() && link.PlayerDirectory() &&
         link.Copies()->PrintsOfHistory(link.PlayerDirectory()->Digest()).PrintOf(key) != 0))
        return;
    const std::vector<uint16_t> chain = image.ChainOf(slot);
    if (chain.empty() || chain.size() != image.Entry(slot).blockCount())
        return;
    WaitCursor wait(link.Ui());
    FlashSurvey survey(link, image.UsableBlockLimit());
    bool answered = true;
    if (survey.LinksAs(chain, &answered) && BeginsAs(survey.At(chain.front()).head, image.Entry(slot).audioHeaderBytes()))
        link.NoteSongPrint(key, survey.PrintOf(chain));
    link.CloseLink();
}

std::string DescribeChange(const DirectoryImage& before, const DirectoryImage& after, const std::string& change,
                           const SongNameText& names)
{
    if (change == "initialize")
        return "the initialization of Rio";
    if (change == "move")
        return "the change of the songs' order";
    if (change == "rescue")
        return "the rescue of the songs";
    if (change == "sync")
        return "the sync with a playlist";
    if (change == "fill")
        return "the fill from a library";
    // The song that is in one directory and not in the other, or renamed;
    // a batch's songs by their number.
    const DirectoryImage& longer = change == "upload" ? after : before;
    const DirectoryImage& shorter = change == "upload" ? before : after;
    if (change == "upload") {
        int added = 0;
        for (int slot = 0; slot < Songs(after); ++slot)
            added += SameSong(before, KeyOf(after.Entry(slot)), after.ChainOf(slot)) < 0 ? 1 : 0;
        if (added > 1)
            return "the upload of " + std::to_string(added) + " songs";
    }
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
