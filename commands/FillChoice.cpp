#include "commands/FillChoice.h"

#include <algorithm>
#include <map>

#include "format/Fingerprint.h"
#include "link/DeviceLink.h"
#include "playlist/UploadItems.h"

namespace {

// Groups passed over in a row before the fill counts the player full: each
// costs an examination, and past this many the memory left is smaller than
// nearly any song.
constexpr int kMostPassedOver = 12;

// Those not recently filled first, each part in the order it came.
void RecentLast(std::vector<std::vector<size_t>>& groups, const std::function<bool(const std::vector<size_t>&)>& recent)
{
    std::stable_partition(groups.begin(), groups.end(), [&](const std::vector<size_t>& g) { return !recent(g); });
}

}

uint64_t FillKey(const std::string& path, uint64_t size)
{
    const std::string key = DeviceLink::BaseName(path) + '\n' + std::to_string(size);
    return Fingerprint(reinterpret_cast<const uint8_t*>(key.data()), key.size());
}

std::vector<std::vector<size_t>> FillGroups(const Library& library, FillOrder order, const std::set<uint64_t>& recent,
                                            std::mt19937& chance)
{
    const auto isRecent = [&](size_t i) {
        return recent.count(FillKey(library.files[i].path, library.files[i].size)) > 0;
    };
    std::vector<std::vector<size_t>> groups;
    if (order == FillOrder::Albums) {
        std::map<std::string, size_t> albumOf;
        for (size_t i = 0; i < library.files.size(); ++i) {
            const auto found = albumOf.emplace(library.files[i].folder, groups.size());
            if (found.second)
                groups.emplace_back();
            groups[found.first->second].push_back(i);
        }
    } else {
        for (size_t i = 0; i < library.files.size(); ++i)
            groups.push_back({i});
    }
    if (order == FillOrder::Newest)
        std::stable_sort(groups.begin(), groups.end(), [&](const std::vector<size_t>& a, const std::vector<size_t>& b) {
            return library.files[a[0]].modified > library.files[b[0]].modified;
        });
    else
        std::shuffle(groups.begin(), groups.end(), chance);
    // An album any of whose songs was filled lately waits with the others.
    RecentLast(groups, [&](const std::vector<size_t>& g) { return std::any_of(g.begin(), g.end(), isRecent); });
    return groups;
}

std::vector<AudioFileFacts> ChooseFill(const Library& library, const std::vector<std::vector<size_t>>& groups,
                                       const UploadOptions& options, int blocks, int slots,
                                       const FillProgress& progress)
{
    std::vector<AudioFileFacts> chosen;
    int smallest = blocks; // the fewest blocks of any song tried: below it, the player is full
    int passedOver = 0;
    for (size_t g = 0; g < groups.size() && blocks > 0 && slots > 0; ++g) {
        if (progress && !progress(g, groups.size()))
            return {};
        std::vector<AudioFileFacts> files;
        for (size_t i : groups[g])
            files.push_back(ExamineAudioFile(library.files[i].path));
        std::sort(files.begin(), files.end(), TrackOrderBefore);
        // Planned as an upload to a player with room for all: the blocks each takes.
        const UploadPlan plan = PlanUpload(files, options, 1 << 30, 1);
        int needed = 0, songs = 0;
        for (const PlannedFile& file : plan.files)
            if (file.ToBeStored()) {
                needed += file.blocks;
                ++songs;
                smallest = std::min(smallest, file.blocks);
            }
        if (songs == 0)
            continue;
        if (needed > blocks || songs > slots) {
            if (++passedOver >= kMostPassedOver || blocks < smallest)
                break;
            continue;
        }
        passedOver = 0;
        blocks -= needed;
        slots -= songs;
        for (size_t i = 0; i < plan.files.size(); ++i)
            if (plan.files[i].ToBeStored())
                chosen.push_back(plan.files[i].facts);
    }
    return chosen;
}
