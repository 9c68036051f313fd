#include "commands/PlannedFill.h"

#include <chrono>
#include <random>

#include "commands/PlannedLevels.h"
#include "commands/SongIdentity.h"
#include "commands/SyncText.h"
#include "files/FileSize.h"
#include "format/DirectoryImage.h"
#include "link/DeviceLink.h"
#include "link/PortStop.h"
#include "storage/StorageTexts.h"
#include "storage/UserInterface.h"
#include "storage/safety/RecentFills.h"

namespace {

std::set<uint64_t> RecentFiles(DeviceLink& link)
{
    if (!link.Copies() || !link.PlayerDirectory())
        return {};
    return RecentlyFilled(*link.Copies(), link.PlayerDirectory()->Digest());
}

}

bool PlanFill(DeviceLink& link, const std::vector<std::string>& sources, const FillChoices& choices,
              const UploadOptions& options, const PlaylistText& text, FillPlan* plan, std::string* problem)
{
    UserInterface& ui = link.Ui();
    if (link.DirectoryDamaged()) {
        *problem = kDirectoryDamaged;
        return false;
    }
    for (const std::string& source : sources)
        if (!PathExists(source.c_str())) {
            *problem = source + ": not found; nothing was changed";
            return false;
        }
    const DirectoryImage& image = link.m_image;
    const std::vector<KnownSong> songs = KnownSongs(link);
    std::vector<AudioFileFacts> chosen;
    {
        WaitCursor wait(ui);
        const Library library = ListLibrary(sources, text);
        plan->notes = library.problems;
        plan->libraryFiles = library.files.size();
        std::mt19937 chance(uint32_t(std::chrono::steady_clock::now().time_since_epoch().count()));
        const auto groups = FillGroups(library, choices.order, RecentFiles(link), chance);
        // The memory the fill may take: the free blocks (less the
        // directory's, on an empty player), and those of the songs it replaces.
        int blocks = image.freeBlocks() - (songs.empty() ? 1 : 0);
        int slots = DirectoryImage::kEntrySlots;
        if (choices.keep)
            slots -= int(songs.size());
        else
            for (size_t s = 0; s < songs.size(); ++s)
                blocks += image.Entry(int(s)).blockCount();
        chosen = ChooseFill(library, groups, options, blocks, slots, [&ui](size_t tried, size_t all) {
            ui.ShowProgress(int(tried), int(all));
            return !PortStopRequested();
        });
        ui.ShowProgress(-1, 0);
    }
    if (PortStopRequested()) {
        *problem = "stopped; nothing was changed";
        return false;
    }
    if (chosen.empty()) {
        *problem = plan->libraryFiles == 0 ? "no audio files found there; nothing was changed"
                                           : "nothing there fits in Rio's free memory; nothing was changed";
        return false;
    }
    for (const AudioFileFacts& facts : chosen)
        plan->chosen.push_back(FillKey(facts.path, facts.size));
    plan->sync = PlanSync(image, songs, std::move(chosen), options, &ui.Names(), choices.keep);
    plan->sync.change = "fill";
    if (options.Levels() && !LevelPlannedFiles(plan->sync.additions.files, ui)) {
        *problem = "stopped while measuring; nothing was changed";
        return false;
    }
    return true;
}

bool RememberFill(DeviceLink& link, const FillPlan& plan, std::string* problem)
{
    if (!link.Copies() || !link.PlayerDirectory())
        return true; // nothing kept on this PC: nothing to remember with
    return NoteFill(*link.Copies(), link.PlayerDirectory()->Digest(), plan.chosen, problem);
}

std::string FillCounts(const FillPlan& plan)
{
    return std::to_string(plan.chosen.size()) + " songs chosen from " + std::to_string(plan.libraryFiles) +
           " files; " + SyncCounts(plan.sync);
}
