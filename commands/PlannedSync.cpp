#include "commands/PlannedSync.h"

#include "link/DeviceLink.h"
#include "commands/SyncRun.h"
#include "commands/SyncText.h"
#include "commands/GatheringUi.h"
#include "commands/PlanText.h"
#include "commands/PlannedLevels.h"
#include "commands/PlannedUpload.h"
#include "storage/StorageTexts.h"

namespace {

const char* const kUnreadable = "The list names what cannot be read, so nothing was changed:\n";
const char* const kNotFinished = "The sync was not finished.";

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
}

// The files of the list refused, each with the reason and the song kept
// for it; empty when none.
std::string RefusedText(const SyncPlan& plan)
{
    std::vector<std::string> refused;
    for (size_t i = 0; i < plan.refused.size(); ++i) {
        const SyncEntry* kept = plan.KeptFor(i);
        refused.push_back(DeviceLink::BaseName(plan.refused[i].facts.path) + ": " + plan.refused[i].reason +
                          (kept ? "; \"" + kept->name + "\" stays as it is" : ""));
    }
    return refused.empty() ? std::string() : "\n\nRefused:\n" + GatheringUi::Joined(NamedAtMost(refused));
}

}

bool PlanSyncWith(DeviceLink& link, const std::string& list, const UploadOptions& options, const PlaylistText& text,
                  SyncPlan* plan, std::vector<std::string>* notes)
{
    UserInterface& ui = link.Ui();
    if (link.DirectoryDamaged()) {
        ui.ShowMessage(kDirectoryDamaged);
        return false;
    }
    UploadItems items = ExpandWithProgress(ui, {list}, text);
    const std::vector<std::string> unread = UnreadableForSync(items);
    if (!unread.empty()) {
        ui.ShowMessage(kUnreadable + GatheringUi::Joined(NamedAtMost(unread)));
        return false;
    }
    *notes = items.notes;
    {
        WaitCursor wait(ui);
        *plan = PlanSync(link.m_image, KnownSongs(link), std::move(items.files), options, &ui.Names());
    }
    if (options.Levels() && !LevelPlannedFiles(plan->additions.files, ui))
        return false; // the user stopped it
    // Initialize empties the player; a sync with a list of no songs would
    // too, and one Enter on the plan would do it.
    const std::string withoutSongs = SyncWithoutSongsText(*plan, true);
    if (!withoutSongs.empty()) {
        ui.ShowMessage(list + "\n" + withoutSongs + ". Nothing was changed." + RefusedText(*plan));
        return false;
    }
    return true;
}

SyncPlanPage SyncPlanPageOf(const SyncPlan& plan, const std::vector<std::string>& notes, const std::string& heading)
{
    SyncPlanPage page;
    page.heading = heading.empty() ? (plan.Fits() ? "" : "The list does not fit: Rio can hold the head of it that does.\n") +
                                         std::string("Sync: ") + SyncCounts(plan)
                                   : heading;
    const std::vector<std::string> lines = SyncPlanLines(plan);
    for (size_t i = 0; i < lines.size(); ++i) {
        page.lines.push_back(lines[i]);
        if (i < plan.entries.size() && plan.entries[i].action == SyncAction::Add)
            for (const std::string& note : PlanNotes(plan.additions.files[size_t(plan.entries[i].addition)]))
                page.lines.push_back("       " + note);
    }
    for (const std::string& note : notes)
        page.lines.push_back("    " + note);
    if (plan.Count(SyncAction::Add) > 0)
        page.lines.push_back(kPlayingTimeNote);
    if (!plan.Fits()) {
        page.lines.push_back(std::string());
        for (const std::string& line : SplitLines(SyncNotFittingText(plan)))
            page.lines.push_back(line);
    }
    page.memory = SyncMemoryText(plan);
    if (plan.removalFirst)
        page.memory += "\n" + SyncRemovalFirstText(plan);
    if (plan.Changes())
        page.memory += "\n" + SyncUndoText(plan);
    return page;
}

std::string NothingToSyncText(const SyncPlan& plan)
{
    std::string text = plan.Fits() ? "Rio holds the list already." : "Rio holds the head of the list that fits already.";
    text += RefusedText(plan);
    if (!plan.Fits())
        text += "\n\n" + SyncNotFittingText(plan);
    return text;
}

std::string SyncAsPlanned(DeviceLink& link, SongCommands& commands, const SyncPlan& plan, const std::string& done,
                          bool* saved)
{
    UserInterface& ui = link.Ui();
    GatheringUi gathering(ui);
    link.AttachUserInterface(&gathering);
    const SyncResult result = RunSyncPlan(link, commands, plan);
    link.AttachUserInterface(&ui);
    std::vector<std::string> said = NamedAtMost(gathering.Take());
    for (const PlannedFile& file : plan.additions.files)
        for (const std::string& warning : PlanWarnings(file))
            said.push_back(warning);
    if (saved)
        *saved = result.saved;
    const std::string closing =
        result.saved ? Capitalized(SyncClosingLine(plan, result, KnownDirectory(link), done))
                     : std::string(kNotFinished);
    if (!said.empty() || !result.saved)
        ui.ShowMessage(GatheringUi::Joined(said) + (said.empty() ? "" : "\n") + closing +
                       (result.saved ? "." : ""));
    return closing;
}
