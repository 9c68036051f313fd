// What planning a fill costs over a library of 10,000 files: the folder tree
// read, the songs chosen and examined, the sync planned, on a 32 MiB
// simulated player. The library is one 4-minute MP3 under 10,000 names (hard
// links, in 1,000 folders of 10), so that it takes no room; only the files
// chosen are read.
//
// Usage: mellifon_fill_benchmark [FOLDER]   (default: a temporary folder)
// Best of three plans, each with the file system's caches as the one before
// left them; exits 1 above 5 seconds.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "SteppingUi.h"
#include "commands/PlannedFill.h"
#include "commands/SongCommands.h"
#include "link/DeviceLink.h"
#include "playlist/PlaylistText.h"
#include "simulator/FactoryImage.h"
#include "simulator/FlashMemory.h"
#include "simulator/SimulatedPlayer.h"

namespace {

constexpr int kFolders = 1000;
constexpr int kFilesEach = 10;

bool MakeLibrary(const std::string& library)
{
    const std::string song = library + "/song.mp3";
    if (!std::filesystem::exists(song) &&
        std::system(("ffmpeg -v error -y -f lavfi -i sine=frequency=440:duration=240 -ac 2 -c:a libmp3lame -b:a 128k '" +
                     song + "'")
                        .c_str()) != 0)
        return false;
    for (int folder = 0; folder < kFolders; ++folder) {
        const std::string album = library + "/albums/album " + std::to_string(folder);
        std::filesystem::create_directories(album);
        for (int track = 1; track <= kFilesEach; ++track) {
            const std::string name = album + "/track " + std::to_string(track) + ".mp3";
            if (!std::filesystem::exists(name) && link(song.c_str(), name.c_str()) != 0)
                return false;
        }
    }
    return true;
}

}

int main(int argc, char** argv)
{
    const std::string folder =
        argc > 1 ? argv[1] : (std::filesystem::temp_directory_path() / "mellifon-fill-bench").string();
    std::filesystem::create_directories(folder);
    if (!MakeLibrary(folder)) {
        std::fprintf(stderr, "the library could not be made in %s\n", folder.c_str());
        return 1;
    }
    FlashMemory flash(1024);
    MakeFactoryFresh(flash);
    SimulatedPlayer player(flash);
    player.UseVirtualClock(true);
    SteppingUi ui;
    DeviceLink link;
    link.AttachPorts(&player);
    link.AttachUserInterface(&ui);
    link.SetPort(0x378);
    ReloadDirectory(link);

    double best = 1e9;
    size_t chosen = 0, files = 0;
    for (int round = 0; round < 3; ++round) {
        const auto start = std::chrono::steady_clock::now();
        FillPlan plan;
        std::string problem;
        if (!PlanFill(link, {folder + "/albums"}, FillChoices(), UploadOptions(), SystemPlaylistText(), &plan,
                      &problem)) {
            std::fprintf(stderr, "no plan: %s\n", problem.c_str());
            return 1;
        }
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        chosen = plan.chosen.size();
        files = plan.libraryFiles;
    }
    std::printf("plan of a fill from a library of %zu files: %zu songs chosen, best of three %.2f s (at most 5)\n",
                files, chosen, best);
    return best <= 5 ? 0 : 1;
}
