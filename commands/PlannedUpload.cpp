#include "commands/PlannedUpload.h"

#include <utility>

#include "audio/AudioFile.h"
#include "link/DeviceLink.h"
#include "commands/BatchUpload.h"
#include "commands/GatheringUi.h"
#include "commands/PlanText.h"
#include "commands/PlannedLevels.h"
#include "storage/StorageTexts.h"
#include "storage/UserInterface.h"

namespace {

const char* const kStoreWhatFits = "Store the files that fit, in order?";
const char* const kNothingStored = "Nothing was stored.";
const char* const kNoFiles = "What was chosen holds no files to upload.\n";

bool AnyFits(const UploadPlan& plan)
{
    for (const PlannedFile& file : plan.files)
        if (file.ToBeStored() && file.fits)
            return true;
    return false;
}

// What a folder or playlist left out, then the first failures, then what
// the plan warned of.
std::string EndReport(const UploadItems& expanded, std::vector<std::string> said, const UploadPlan& plan)
{
    std::vector<std::string> lines = expanded.problems;
    lines.insert(lines.end(), expanded.notes.begin(), expanded.notes.end());
    lines.insert(lines.end(), said.begin(), said.end());
    lines = NamedAtMost(std::move(lines));
    for (const PlannedFile& file : plan.files)
        if (file.ToBeStored() && file.fits)
            for (const std::string& warning : PlanWarnings(file))
                lines.push_back(warning);
    return GatheringUi::Joined(lines);
}

// Files whose content the player (or a file before them) holds already.
std::string DuplicateQuestion(const UploadPlan& plan)
{
    std::vector<std::string> lines;
    for (const PlannedFile& file : plan.files)
        if (file.skipped)
            lines.push_back("  " + DeviceLink::BaseName(file.facts.path) + ": the same as " + file.duplicateOf);
    const bool one = lines.size() == 1;
    return std::string(one ? "This file holds a song that is stored already:\n"
                           : "These files hold songs that are stored already:\n") +
           GatheringUi::Joined(NamedAtMost(std::move(lines))) +
           (one ? "\nStore it again? (No leaves it out.)" : "\nStore them again? (No leaves them out.)");
}

}

std::vector<std::string> NamedAtMost(std::vector<std::string> lines)
{
    // A detail (indented, GatheringUi::ShowDetail) belongs to the line above
    // it: it stays with that line, takes room on the screen, and is no file.
    const auto isDetail = [](const std::string& line) { return line.rfind("    ", 0) == 0; };
    size_t keep = 0, more = 0;
    for (size_t i = 0; i < lines.size();) {
        size_t end = i + 1;
        while (end < lines.size() && isDetail(lines[end]))
            ++end;
        if (more == 0 && (keep == 0 || end <= kFailuresNamed))
            keep = end;
        else
            ++more;
        i = end;
    }
    if (more > 0) {
        lines.resize(keep);
        lines.push_back("and " + std::to_string(more) + " more");
    }
    return lines;
}

UploadItems ExpandWithProgress(UserInterface& ui, const std::vector<std::string>& items, const PlaylistText& text)
{
    WaitCursor wait(ui);
    UploadItems all;
    for (size_t i = 0; i < items.size(); ++i) {
        ui.ShowProgress(int(i), int(items.size()));
        UploadItems one = ExpandUploadItems({items[i]}, text);
        for (AudioFileFacts& facts : one.files)
            all.files.push_back(std::move(facts));
        all.notes.insert(all.notes.end(), one.notes.begin(), one.notes.end());
        all.problems.insert(all.problems.end(), one.problems.begin(), one.problems.end());
    }
    ui.ShowProgress(-1, 0);
    return all;
}

std::string UploadAsPlanned(DeviceLink& link, SongCommands& commands, const std::vector<std::string>& items,
                            const UploadOptions& options, const PlaylistText& text)
{
    UserInterface& ui = link.Ui();
    if (items.empty())
        return std::string();
    if (link.DirectoryDamaged()) {
        ui.ShowMessage(kDirectoryDamaged);
        return std::string();
    }
    const UploadItems expanded = ExpandWithProgress(ui, items, text);
    if (expanded.files.empty()) {
        const std::string report = EndReport(expanded, {}, UploadPlan());
        ui.ShowMessage((report.empty() ? std::string(kNoFiles) : report) + "\n" + kNothingStored);
        return kNothingStored;
    }
    const std::vector<KnownSong> songs = KnownSongs(link);
    const auto plan = [&](const UploadOptions& chosen) {
        return PlanUpload(expanded.files, chosen, link.m_image.freeBlocks(), link.m_image.entryCount(), &ui.Names(),
                          &songs);
    };
    UploadPlan planned = plan(options);
    if (planned.Skipped() > 0 && ui.AskYesNo(DuplicateQuestion(planned))) {
        UploadOptions again = options;
        again.storeDuplicates = true;
        planned = plan(again);
    }
    if (!planned.Fits()) {
        const std::string notFitting = NotFittingText(planned, kFailuresNamed) + "\n";
        if (!AnyFits(planned)) {
            ui.ShowMessage(notFitting + kNothingStored);
            return kNothingStored;
        }
        if (!ui.AskYesNo(notFitting + kStoreWhatFits))
            return kNothingStored;
    }
    if (options.Levels() && !LevelPlannedFiles(planned.files, ui))
        return kNothingStored;
    GatheringUi gathering(ui);
    link.AttachUserInterface(&gathering);
    const BatchResult result = RunUploadPlan(link, commands, planned);
    link.AttachUserInterface(&ui);
    const std::string closing = Capitalized(BatchClosingLine(result));
    const std::string report = EndReport(expanded, gathering.Take(), planned);
    if (!report.empty())
        ui.ShowMessage(report + "\n" + closing + ".");
    return closing;
}
