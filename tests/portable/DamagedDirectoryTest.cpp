// Directories as a failing player might hand them over: random counters,
// slots, flags and links. Every operation must end cleanly and stay inside
// the image; the sanitizer build is the judge of the second.

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "StoragePlayer.h"
#include "TempPath.h"
#include "TestFiles.h"
#include "commands/SongCommands.h"
#include "commands/SongListContent.h"

namespace {

class NoRefill : public SongListView {
public:
    int FillSongList() override { return 1; }
};

void Damage(DirectoryImage& image, std::mt19937& random)
{
    auto below = [&](uint32_t n) { return uint32_t(random() % n); };
    for (int i = 0; i < DirectoryImage::kSize; ++i)
        image.Bytes()[i] = uint8_t(random());
    const uint16_t counts[] = {0, 1, 2, 5, 59, 60, 61, 200, 65535};
    image.SetEntryCount(counts[below(9)]);
    image.SetTotalBlocks(uint16_t(below(3) == 0 ? random() : 1024));
    image.SetFreeBlocks(uint16_t(random()));
    for (unsigned block = 0; block < 8192; ++block)
        image.SetBlockUse(block, below(4) ? 0x00 : 0xFF);
    // Some chains are short and plausible, some point anywhere.
    for (int slot = 0; slot < 60; ++slot) {
        DirectoryEntry e = image.Entry(slot);
        if (below(2)) {
            e.SetBlockCount(uint16_t(below(6)));
            e.SetFirstBlock(uint16_t(1 + below(20)));
        }
    }
}

TEST(DamagedDirectory, EveryOperationEndsCleanly)
{
    TempPath folder("damaged");
    std::filesystem::create_directories(folder.Path());
    const std::string song = (folder.Path() / "song.mp3").string();
    WriteFile(song, Mp3Frames(100));

    StoragePlayer p;
    p.ui.maxSteps = 20; // the user cancels a transfer that runs on and on
    NoRefill list;
    SongCommands commands(*p.link, list);
    std::mt19937 random(20261208);
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        auto damaged = std::make_unique<DirectoryImage>();
        Damage(*damaged, random);
        auto run = [&](auto operation) {
            p.Image() = *damaged;
            operation();
        };
        run([&] { BuildSongListContent(p.Image(), p.ui.Names()); });
        run([&] { p.Image().ChecksumsValid(); });
        for (int slot : {0, 1, 59, 60, 61}) {
            run([&] { p.link->RemoveSong(slot); });
            run([&] { p.link->DownloadSong(slot + 1, folder.String()); });
            run([&] { commands.RenameSong(slot, "renamed"); });
            run([&] { commands.MoveSong(slot, 0); });
        }
        run([&] { p.link->UploadSong(song.c_str()); });
        run([&] { commands.UploadFiles({song, song}); });
    }
    EXPECT_TRUE(p.player.ProtocolErrors().empty());
}

} // namespace
