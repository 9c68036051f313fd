#pragma once
// What the fuzz inputs play with: two simulated players and two PCs' copy
// folders, each put back to its committed state before every input, and a
// run of the program on one player from one PC. The players are served page
// by page (simulator/PagePlayer.h) unless MELLIFON_FUZZ_WIRE=registers asks
// for the register-level model, some forty times slower.

#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "link/DeviceLink.h"
#include "simulator/FlashMemory.h"
#include "simulator/PagePlayer.h"
#include "simulator/SimulatedPlayer.h"
#include "songlist/SongCommands.h"
#include "storage/UserInterface.h"
#include "storage/safety/DirectoryCopies.h"
#include "tests/portable/MemoryCopyFolder.h"

[[noreturn]] void Finding(const std::string& what);
// Said only with MELLIFON_FUZZ_VERBOSE=1: what an input did, to read a finding.
void Trace(const std::string& what);

enum class Wire { Pages, Registers };
Wire ChosenWire();

struct Song {
    std::string name;
    std::vector<uint8_t> bytes;
    bool operator==(const Song&) const = default;
};
std::string Names(const std::vector<Song>& songs);

// A player: its flash, and the pages it held when the committed state was made.
struct FuzzPlayer {
    // A player of 4 MiB: its songs are small, and a rescue's or a repair's
    // look at every block costs an eighth of a 32 MiB one's.
    FlashMemory flash{128};
    std::map<uint32_t, std::vector<uint8_t>> master;
    std::set<uint32_t> touched;

    void Commit();
    void Touch(const std::vector<FlashOperation>& operations);
    void Touch(uint32_t page) { touched.insert(page); }
    void Restore();
};

// A PC: its folder of directory copies, put back only when written to.
struct FuzzPc {
    struct Folder : MemoryCopyFolder {
        bool WriteDurably(const std::string& name, const std::vector<uint8_t>& bytes, std::string* error) override
        {
            changed = true;
            return MemoryCopyFolder::WriteDurably(name, bytes, error);
        }
        bool Remove(const std::string& name) override
        {
            changed = true;
            return MemoryCopyFolder::Remove(name);
        }
        bool changed = false;
    };
    Folder folder;
    // One for the PC's life, as a program keeps one for its run: each record
    // is decoded once.
    DirectoryCopies copies{folder};
    std::map<std::string, std::vector<uint8_t>> master;

    void Commit() { master = folder.files; }
    void Restore()
    {
        if (!folder.changed && folder.files.size() == master.size())
            return;
        folder.files = master;
        folder.changed = false;
        // The records this input made go from the decoded ones too: an input
        // leaves behind nothing it allocated, or libFuzzer suspects a leak.
        copies.All();
    }
};

// Says yes, and gives up on a transfer that runs on and on, as a user would.
class FuzzUi : public UserInterface {
public:
    void ShowMessage(const std::string& text) override;
    bool AskYesNo(const std::string&) override { return true; }
    int RunTransfer(TransferStep& step) override;
    void ShowProgress(int, int) override {}
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
};

// One run of the program on a player from a PC: its link, the PC's copies,
// the flows. The pages it wrote are noted on the player when it ends.
class FuzzSession {
public:
    FuzzSession(FuzzPlayer& player, FuzzPc& pc);
    ~FuzzSession();
    FuzzSession(const FuzzSession&) = delete;
    FuzzSession& operator=(const FuzzSession&) = delete;

    PlayerFaults& Faults();
    long PageReads() const;
    bool PoweredOff() const;
    const std::vector<FlashOperation>& Operations() const;
    bool Wrote() const;
    // The cable in again, to come out once this operation has read `reads` pages (-1: never).
    void StartOperation(long reads);

    FuzzUi ui;
    DirectoryCopies& copies;
    DeviceLink link;
    ReloadingList list{link};
    SongCommands commands{link, list};

private:
    FuzzPlayer& m_player;
    std::unique_ptr<SimulatedPlayer> m_pWire;
    std::unique_ptr<PagePlayer> m_pPages;
};

// What a load shows: each song with its bytes along its chain.
struct Listing {
    std::vector<Song> songs;
    bool damaged = false; // no directory: not read, or damaged beyond repair
    bool wrote = false;   // the load wrote to the player (a repair)
};
Listing ListingOf(FuzzSession& session, FlashMemory& flash, bool loaded);
// A fresh start of the program on the player from the PC.
Listing FreshListing(FuzzPlayer& player, FuzzPc& pc, long readsAllowed = -1);

std::vector<uint8_t> ReadWhole(const std::filesystem::path& path);


// The committed state every input starts from. Player 0 holds three songs,
// stored from PC A; player 1 two songs of the same lengths and audio
// headers as player 0's first two (so their chains look alike) but other
// bytes, stored from a PC that also holds player 0's history; PC B has never
// seen either player.
struct World {
    World();
    ~World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    // Everything back to the committed state; the download folder emptied.
    // Done after every input too, so that an input frees all it allocated
    // (libFuzzer runs an input again, and looks for leaks, when it does not).
    void Restore();
    void EmptyOut();
    std::filesystem::path Out() const { return sandbox / "out"; }
    std::filesystem::path PathOf(const Song& song) const { return sandbox / "in" / song.name; }

    std::filesystem::path sandbox;
    FuzzPlayer players[2];
    FuzzPc pcA, pcB, pcBoth;
    std::vector<Song> committed[2]; // what each player lists
    std::vector<Song> uploads;      // what a PC may add to either player
    std::vector<Song> known[2];     // every song that may rightly be on each player
    std::map<std::string, std::vector<uint8_t>> originals; // every file's name and bytes
};
World& TheWorld();
