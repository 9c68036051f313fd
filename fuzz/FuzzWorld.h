#pragma once
// What the fuzz inputs play with: for each player size, two simulated
// players and three PCs' copy folders, each put back to its committed state
// before every input; the files a PC stores; and a run of the program on one
// player from one PC, with a Ctrl+C when asked for. The players are served
// page by page (simulator/PagePlayer.h) unless MELLIFON_FUZZ_WIRE=registers
// asks for the register-level model, some forty times slower.

#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "audio/AudioFile.h"
#include "link/DeviceLink.h"
#include "simulator/FlashMemory.h"
#include "simulator/PagePlayer.h"
#include "simulator/SimulatedPlayer.h"
#include "commands/SongCommands.h"
#include "storage/UserInterface.h"
#include "storage/safety/DirectoryCopies.h"
#include "tests/portable/MemoryCopyFolder.h"

[[noreturn]] void Finding(const std::string& what);
// Said only with MELLIFON_FUZZ_VERBOSE=1: what an input did, to read a finding.
void Trace(const std::string& what);

enum class Wire { Pages, Registers };
Wire ChosenWire();

// A song by its name, its length and a print of its bytes (64 bits: two
// prints agree for bytes that differ by a chance of one in 2^64), so that
// the states a script goes through are cheap to keep.
struct Song {
    std::string name;
    uint32_t size = 0;
    uint64_t print = 0;
    // A song stored: the print of its bytes as a rescue that cannot name it
    // measures them, up to the last byte of its last block that is not zero
    // (the upload cleared the rest of that block), or the whole block when
    // it is zero throughout.
    uint64_t measured = 0;
    bool operator==(const Song& other) const
    {
        return name == other.name && size == other.size && print == other.print;
    }
};
// The print of bytes given in pieces, each but the last a multiple of 8 long.
class BytesPrint {
public:
    void Add(const uint8_t* bytes, size_t size);
    uint64_t Value() const;

private:
    uint64_t m_nHash = 0x243F6A8885A308D3ull;
    uint64_t m_nSize = 0;
};
uint64_t PrintOf(const std::vector<uint8_t>& bytes);
Song SongOf(const std::string& name, const std::vector<uint8_t>& bytes);
std::string Names(const std::vector<Song>& songs);

// A player: its flash, and the pages it held when the committed state was made.
struct FuzzPlayer {
    explicit FuzzPlayer(int blocks) : flash(blocks), master(flash.Pages()), isTouched(flash.Pages(), 0) {}
    FlashMemory flash;
    // Per page, what it held when committed; empty where it was erased.
    std::vector<std::vector<uint8_t>> master;
    // The pages written since the committed state, each once.
    std::vector<uint8_t> isTouched;
    std::vector<uint32_t> touched;

    void Commit();
    void Touch(const std::vector<FlashOperation>& operations);
    void Touch(uint32_t page)
    {
        if (!isTouched[page]) {
            isTouched[page] = 1;
            touched.push_back(page);
        }
    }
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
    std::unique_ptr<DirectoryCopies> copies = std::make_unique<DirectoryCopies>(folder);
    std::map<std::string, std::vector<uint8_t>> master;

    void Commit()
    {
        master = folder.files;
        copies->All();
        m_committed = std::make_unique<DirectoryCopies>(*copies);
    }
    // The records this input made go with the copies that decoded them (an
    // input leaves behind nothing it allocated, or libFuzzer suspects a
    // leak); the committed ones are not decoded again.
    void Restore()
    {
        if (!folder.changed && folder.files.size() == master.size())
            return;
        folder.files = master;
        folder.changed = false;
        copies = std::make_unique<DirectoryCopies>(*m_committed);
    }

private:
    std::unique_ptr<DirectoryCopies> m_committed;
};

// Says yes, and gives up on a transfer that runs on and on, as a user would.
// After a Ctrl+C it does what the tool's terminal does: says no, starts no
// transfer, ends one the user may cancel, and holds the ports open through
// one the user may not (the directory save).
class FuzzUi : public UserInterface {
public:
    void ShowMessage(const std::string& text) override;
    bool AskYesNo(const std::string&) override;
    int RunTransfer(TransferStep& step) override;
    void ShowProgress(int, int) override {}
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    bool Holding() const { return m_nHolds > 0; }

private:
    int m_nHolds = 0;
};

class StopWire;

// The tool's list, noting whether its last fill read the player: after one
// that did not, the program shows no list (and the window no figures).
class NotingList : public ToolList {
public:
    using ToolList::ToolList;
    int FillSongList() override { return m_read = ToolList::FillSongList(); }
    bool Read() const { return m_read != 0; }

private:
    int m_read = 1;
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
    // Ctrl+C once the player has seen this many page operations in this run
    // (0: before the first). The caller clears the stop when the run ends.
    void StopAfter(long operations);

    FuzzUi ui;
    DirectoryCopies& copies;
    DeviceLink link;
    NotingList list{link};
    SongCommands commands{link, list};

private:
    FuzzPlayer& m_player;
    std::unique_ptr<SimulatedPlayer> m_pWire;
    std::unique_ptr<PagePlayer> m_pPages;
    std::unique_ptr<StopWire> m_pStop;
};

// What the program shows of a directory: each song's name and size, the
// songs it claims, the memory it calls free and the player's size.
struct Shown {
    std::vector<std::pair<std::string, uint32_t>> songs;
    int count = 0;
    int freeBlocks = 0;
    int totalBlocks = 0;
    int songBlocks = 0; // the blocks its songs take, as their entries say
    bool operator==(const Shown&) const = default;
};
Shown ShownOf(const DirectoryImage& image);
std::string Text(const Shown& shown);
// Empty when a directory the program wrote counts the player's blocks and
// calls free every one its songs do not take (block 0 is the directory's
// while it lists a song); otherwise what is wrong.
std::string MemoryWrong(const Shown& shown, int playerBlocks);

// What a load shows: each song with its bytes along its chain.
struct Listing {
    std::vector<Song> songs;
    Shown shown;
    bool damaged = false; // no directory: not read, or damaged beyond repair
    bool wrote = false;   // the load wrote to the player (a repair)
};
Listing ListingOf(FuzzSession& session, FlashMemory& flash, bool loaded);
// A fresh start of the program on the player from the PC; without
// `repair`, block 0 as it stands (what a command that succeeded must leave).
Listing FreshListing(FuzzPlayer& player, FuzzPc& pc, long readsAllowed = -1, bool repair = true);

std::vector<uint8_t> ReadWhole(const std::filesystem::path& path);

// What a folder holds, as the sandbox checks need it: quicker than
// std::filesystem's iterators, which stat every entry.
struct FolderEntry {
    std::string name;
    bool isFolder = false;
};
std::vector<FolderEntry> EntriesOf(const std::filesystem::path& folder);

// A song a rescue found no name for.
bool Unnamed(const Song& song);
// Whether `listed` holds the bytes of the song `stored`, or (`measured`)
// those bytes as a rescue that cannot name it measures them.
bool Holds(const Song& stored, const Song& listed, bool measured);
// The same for any of the `known` songs.
bool Known(const std::vector<Song>& known, const Song& listed, bool measured);
// Every song of `kept` among `songs` by its bytes (a rescue may rename one,
// and measures one it cannot name); a full directory may leave some out.
bool Keeps(const std::vector<Song>& songs, const std::vector<Song>& kept);

struct World;
// Empty when every song listed may be on this player, under its own name or
// a new one (byte for byte a song stored, or one a rescue measured); else
// what is wrong.
std::string Unsound(const World& w, int player, const std::vector<Song>& songs);

// Players of one size and the PCs that share them, in their committed state.
// Player 0 holds three songs, stored from PC A; player 1 two songs of the
// same lengths and audio headers as player 0's first two (so their chains
// look alike) but other bytes, stored from a PC that also holds player 0's
// history; PC B has never seen either player.
struct Rig {
    explicit Rig(int blocks) : players{FuzzPlayer(blocks), FuzzPlayer(blocks)} {}
    FuzzPlayer players[2];
    FuzzPc pcA, pcB, pcBoth;
};

// The committed state every input starts from: a rig for each player size.
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
    bool inputRunning = false;
    std::filesystem::path Out() const { return sandbox / "out"; }
    std::filesystem::path PathOf(const Song& song) const { return sandbox / "in" / song.name; }

    // 4 MiB (the songs are small, and a rescue's or a repair's look at every
    // block costs an eighth of a 32 MiB one's), 1, 16 and 32 MiB.
    static constexpr int kSizes = 4;
    static constexpr int kBlocks[kSizes] = {128, 32, 512, 1024};
    Rig& RigOf(int size) { return *rigs[size]; }
    Rig& Main() { return *rigs[0]; }

    // The song a planned file becomes on the player: its bytes, or what
    // converting it gave.
    Song Stored(const std::string& name, const std::string& path, bool converted) const;

    std::filesystem::path sandbox;
    std::unique_ptr<Rig> rigs[kSizes];
    std::vector<Song> committed[2]; // what each player lists
    // What a PC may add to either player: the last is big, 28 of the 31
    // blocks a 1 MiB player has for songs.
    std::vector<Song> uploads;
    std::vector<Song> known[2];     // every song that may rightly be on each player
    std::map<std::string, Song> originals; // every song by its name
    // A WAV of a few hundredths of a second, converted once here to learn
    // what the program stores for it; `converted.name` is empty when this
    // build cannot convert.
    std::string wav;
    Song converted;
    // The files a list may name for each player, each examined once: every
    // song it may rightly hold, then the WAV.
    std::vector<AudioFileFacts> listable[2];
};
World& TheWorld();
