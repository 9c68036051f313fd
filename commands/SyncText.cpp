#include "commands/SyncText.h"

#include "link/DeviceLink.h"
#include "commands/BatchUpload.h"
#include "commands/PlanText.h"
#include "commands/PortTime.h"

namespace {

constexpr uint64_t kBlockBytes = 32768;

std::string Number(size_t position)
{
    const std::string number = std::to_string(position + 1) + ".";
    return number.size() < 3 ? std::string(3 - number.size(), ' ') + number : number;
}

std::string Quoted(const std::string& name)
{
    return "\"" + name + "\"";
}

std::string Songs(size_t count)
{
    return std::to_string(count) + (count == 1 ? " song" : " songs");
}

}

std::vector<std::string> SyncPlanLines(const SyncPlan& plan)
{
    std::vector<std::string> lines;
    for (size_t i = 0; i < plan.entries.size(); ++i) {
        const SyncEntry& entry = plan.entries[i];
        // A song kept for a file that cannot replace it says why.
        std::string asItIs;
        if (entry.refusedFile >= 0) {
            const PlannedFile& file = plan.refused[size_t(entry.refusedFile)];
            asItIs = " as it is: " + DeviceLink::BaseName(file.facts.path) + " cannot replace it, " + file.reason;
        }
        switch (plan.Seen(i)) {
        case SyncAction::Keep:
            lines.push_back(Number(i) + " keep   " + Quoted(entry.name) + " (" + MegabytesText(entry.bytes) + ")" +
                            asItIs);
            break;
        case SyncAction::Move:
            lines.push_back(Number(i) + " move   " + Quoted(entry.name) + " (from " +
                            std::to_string(entry.oldSlot + 1) + " to " + std::to_string(i + 1) + ")" + asItIs);
            break;
        case SyncAction::Add:
            lines.push_back(Number(i) + " add    " +
                            PlannedFileText(plan.additions.files[size_t(entry.addition)]));
            break;
        }
    }
    for (const RemovedSong& song : plan.removed)
        lines.push_back("    remove " + Quoted(song.name) + " (now " + std::to_string(song.slot + 1) + ", " +
                        MegabytesText(song.bytes) + ")");
    for (size_t i = 0; i < plan.refused.size(); ++i)
        if (!plan.KeptFor(i))
            lines.push_back("    refused " + DeviceLink::BaseName(plan.refused[i].facts.path) + ": " +
                            plan.refused[i].reason);
    return lines;
}

std::string SyncCounts(const SyncPlan& plan)
{
    if (!plan.Changes())
        return "nothing to change";
    return "keep " + std::to_string(plan.CountSeen(SyncAction::Keep)) + ", move " +
           std::to_string(plan.CountSeen(SyncAction::Move)) + ", add " + std::to_string(plan.Count(SyncAction::Add)) +
           ", remove " + std::to_string(plan.removed.size());
}

std::string SyncMemoryText(const SyncPlan& plan)
{
    std::string text = "Afterwards: " + Songs(plan.entries.size()) + ", " +
                       MegabytesText(uint64_t(plan.usedBlocksAfter) * kBlockBytes) + " used, " +
                       MegabytesText(uint64_t(plan.freeBlocksAfter) * kBlockBytes) + " free (now " +
                       Songs(size_t(plan.songsBefore)) + ", " +
                       MegabytesText(uint64_t(plan.freeBlocksBefore) * kBlockBytes) + " free)";
    if (plan.Count(SyncAction::Add) > 0)
        text += "; port work on a real player: " +
                PortTimeText(UploadPortAccesses(plan.additions.blocksNeeded, plan.removalFirst ? 2 : 1));
    return text;
}

std::string SyncNotFittingText(const SyncPlan& plan)
{
    if (plan.Fits())
        return std::string();
    uint64_t bytes = 0;
    std::string text = "These files of the list do not fit on the player after the songs before them:\n";
    for (const PlannedFile& file : plan.notFitting) {
        text += "  " + DeviceLink::BaseName(file.facts.path) + " (" + MegabytesText(file.bytes) + ")\n";
        bytes += file.bytes;
    }
    return text + "They need " + MegabytesText(bytes) + "; " + MegabytesText(uint64_t(plan.freeBlocksAfter) * kBlockBytes) +
           " would be left.\n";
}

std::string SyncRemovalFirstText(const SyncPlan& plan)
{
    if (!plan.removalFirst)
        return std::string();
    return "The new songs need the memory of the songs removed, so the removal is saved first, on its own: it "
           "cannot be undone.";
}

std::string SyncWithoutSongsText(const SyncPlan& plan, bool head)
{
    if (!plan.entries.empty() || (!plan.Fits() && !head))
        return std::string();
    return std::string(plan.Fits() ? "holds no songs" : "holds no song that fits on Rio") +
           ": a sync with it would remove every song on Rio";
}

std::string SyncUndoText(const SyncPlan& plan)
{
    if (plan.removalFirst)
        return "An undo afterwards brings back the songs as they were after the removal.";
    return "One undo afterwards brings back the songs as they are now.";
}

std::string SyncClosingLine(const SyncPlan& plan, const SyncResult& result, const DirectoryImage* onPlayer,
                            const std::string& done)
{
    // Songs kept in place of new ones that failed were planned to go.
    const int kept = plan.Count(SyncAction::Keep) + plan.Count(SyncAction::Move) + result.keptInstead;
    const size_t removed = plan.removed.size() - size_t(result.keptInstead);
    const std::string counts = std::to_string(kept) + " kept, " + std::to_string(result.additions.stored) +
                               " added, " + std::to_string(removed) + " removed";
    std::string line = onPlayer ? done + ": " + Songs(size_t(onPlayer->entryCount())) + " on Rio (" + counts + "), " +
                                      MegabytesText(uint64_t(onPlayer->freeBlocks()) * kBlockBytes) + " free"
                                : done + " (" + counts + "); the songs and free memory on Rio could not be read back";
    const int notAdded = result.additions.refused + result.additions.failed;
    if (notAdded > 0)
        line += "; " + std::to_string(notAdded) + " not added";
    return line + LevelledText(result.additions) + DamagePassedOverText(result.additions);
}
