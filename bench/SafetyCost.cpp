// What the directory's safety costs on the wire: the port accesses of a
// removal, a rename and a 1 MiB upload, each with its save and a refill of
// the list, with the safeguards and without them. On a real port every
// access takes about a microsecond, so accesses are the time a user waits.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "CountingPorts.h"
#include "SteppingUi.h"
#include "link/DeviceLink.h"
#include "simulator/FactoryImage.h"
#include "simulator/FlashMemory.h"
#include "simulator/SimulatedPlayer.h"
#include "commands/SongCommands.h"
#include "storage/safety/CopyFolder.h"
#include "storage/safety/DirectoryCopies.h"
#include "storage/UserInterface.h"

namespace {

std::string SongFile(const std::string& folder, const std::string& name, size_t size)
{
    const std::string path = folder + "/" + name;
    std::ofstream file(path, std::ios::binary);
    for (size_t i = 0; i < size; ++i)
        file.put(char(i * 7 + name[0]));
    return path;
}

// A player holding five songs of 100 KB, the PC's copies in a scratch folder.
struct Rig {
    explicit Rig(const std::string& folder, bool safeguards)
        : flash(1024), player(flash), ports(&player), list(link), commands(link, list)
    {
        MakeFactoryFresh(flash);
        player.UseVirtualClock(true);
        std::string error;
        std::filesystem::remove_all(folder + "/copies");
        pcFolder = OpenCopyFolder(folder + "/copies", &error);
        copies = std::make_unique<DirectoryCopies>(*pcFolder);
        link.AttachPorts(&ports);
        link.AttachUserInterface(&ui);
        link.AttachDirectoryCopies(copies.get());
        link.SetPort(0x378);
        link.SetSafeguards(safeguards);
        ReloadDirectory(link);
        std::vector<std::string> songs;
        for (const char* name : {"one", "two", "three", "four", "five"})
            songs.push_back(SongFile(folder, name, 100000));
        commands.UploadFiles(songs);
        ports.Reset();
    }
    long Accesses() const { return ports.ins + ports.outs; }

    FlashMemory flash;
    SimulatedPlayer player;
    CountingPorts ports;
    SteppingUi ui;
    std::unique_ptr<CopyFolder> pcFolder;
    std::unique_ptr<DirectoryCopies> copies;
    DeviceLink link;
    ReloadingList list;
    SongCommands commands;
};

long Measure(const std::string& folder, bool safeguards, const std::function<void(Rig&)>& change)
{
    Rig rig(folder, safeguards);
    change(rig);
    return rig.Accesses();
}

}

int main()
{
    const std::string folder = (std::filesystem::temp_directory_path() / "mellifon-safety-cost").string();
    std::filesystem::create_directories(folder);
    const std::string mebibyte = SongFile(folder, "mebibyte", 1 << 20);
    struct Change {
        const char* what;
        std::function<void(Rig&)> run;
    };
    const Change changes[] = {
        {"removal", [](Rig& r) { r.commands.RemoveSongAt(2, false); }},
        {"rename", [](Rig& r) {
             r.commands.RenameSong(2, "renamed");
             r.list.FillSongList();
         }},
        {"1 MiB upload", [&](Rig& r) { r.commands.UploadFiles({mebibyte}); }},
    };
    std::printf("Port accesses, each change with its save and a refill of the list\n");
    std::printf("(about 1 us each on a real port)\n\n");
    std::printf("%-14s %14s %14s %12s\n", "change", "unguarded", "guarded", "safety adds");
    int status = 0;
    for (const Change& change : changes) {
        const long plain = Measure(folder, false, change.run);
        const long guarded = Measure(folder, true, change.run);
        const double share = 100.0 * double(guarded - plain) / double(plain);
        std::printf("%-14s %14ld %14ld %11.1f%%\n", change.what, plain, guarded, share);
        if (share > 15.0)
            status = 1;
    }
    std::filesystem::remove_all(folder);
    return status;
}
