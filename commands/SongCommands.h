#pragma once
// What the user does to the songs, as flows over the storage operations:
// each asks where it must, changes the image, saves the directory to the
// player and has the list refilled from it. The list view and the
// command-line tool both run them.
//
// A change is built only on the directory the player holds: a damaged one
// is not changed (but initialized), and a save finds out first whether
// block 0 still holds what was last read. A change that is not saved is
// taken back from the image, so the image stays what the list shows.
//
// Each flow, and each refill, holds the player for itself while it runs
// (storage/PlayerHold.h): another program gets it between commands only.

#include <string>
#include <vector>

class DeviceLink;
class ImageSnapshot;
class UploadSource;
struct SyncLayout;
struct UndoStep;

extern const char* const kInitializeWarning;
extern const char* const kRemoveWarning;
extern const char* const kRemoveFailed;
extern const char* const kInternalError;
extern const char* const kListChanged;
extern const char* const kSyncStopped;
extern const char* const kSyncStoppedAfterRemoval;

// The owner of the list: shows the directory again after reloading it.
class SongListView {
public:
    virtual ~SongListView() = default;
    virtual int FillSongList() = 0;
};

// What every fill starts with: the empty state, then block 0 of the player,
// repaired from a copy when damaged (unless `repair` is false).
// The load's result: 0 when the player did not give its directory.
int ReloadDirectory(DeviceLink& link, bool repair = true);

// A list with nothing on screen: its fill only reloads the directory. The
// command-line tool, the benchmarks and the tests run the flows over it.
class ReloadingList : public SongListView {
public:
    explicit ReloadingList(DeviceLink& link) : m_link(link) {}
    int FillSongList() override { return ReloadDirectory(m_link); }

private:
    DeviceLink& m_link;
};

// The command-line tool's list. After Ctrl+C the ports are silent and a
// refill could only fail, leaving nothing known of the player; the
// directory a save has just read back is what the player holds (the tool
// holds the player for its whole run), so it stands.
class ToolList : public SongListView {
public:
    explicit ToolList(DeviceLink& link) : m_link(link) {}
    int FillSongList() override;

private:
    DeviceLink& m_link;
};

class SongCommands {
public:
    SongCommands(DeviceLink& link, SongListView& view) : m_link(link), m_view(view) {}

    // Stores the files in order with a save after each; stops at the first
    // failure. Afterwards the list is refilled when something was stored.
    // The number stored.
    int UploadFiles(const std::vector<std::string>& paths);
    // The files of a batch, each prepared, stored and saved in turn; the
    // source decides whether a failure ends the batch. The number stored.
    int UploadFiles(UploadSource& files);
    // The player made to hold the songs of `layout` in its order: the songs
    // it keeps, and the new ones from `newSongs` (each prepared and stored
    // in turn; one that fails is left out, and the song it was to replace
    // stays in its place, counted in `keptInstead`). One save writes the
    // directory (two when the layout removes first), so one undo takes it
    // back. False when the last save was not made; the player then holds
    // what it held (or, after a removal first, the songs it keeps), and the
    // messages said why.
    bool SyncSongs(const SyncLayout& layout, UploadSource& newSongs, int* keptInstead = nullptr);
    // True when the song was removed and the directory saved.
    bool RemoveSongAt(int slot, bool askFirst);
    bool InitializePlayer(bool askFirst);
    // False for an empty name, a slot that holds no song, or a save that
    // failed; the list is not refilled. `text` is in the front end's text
    // (UserInterface::Names).
    bool RenameSong(int slot, const std::string& text);
    // The same with the bytes to store (at most 99, cut between characters).
    bool StoreSongName(int slot, const std::string& stored);
    // The song in slot `from` moves to slot `to`; the others keep their order.
    // False when nothing changed.
    bool MoveSong(int from, int to);
    // Song `slot` into `directory` (the current directory when empty), once
    // the list is known to show what the player holds.
    bool DownloadSongAt(int slot, const std::string& directory = std::string(),
                        const std::string& fileName = std::string(), std::string* written = nullptr);

    // Takes back the newest change on the player, from the history the
    // copies on this PC keep (storage/safety/UndoHistory.h).
    // `undone`, when given, says what was taken back ("the upload of 3 songs").
    bool UndoLastChange(bool askFirst, std::string* undone = nullptr);
    // What an undo would take back now ("the removal of "a.mp3""), proven
    // possible as UndoLastChange proves it; writes nothing. False after
    // saying why there is none.
    bool PreviewUndo(std::string* description);
    // Whether this PC's copies know a change of the listed directory to take
    // back; reads nothing from the player.
    // `description`, when given, says what an undo would take back.
    bool CanUndo(std::string* description = nullptr);
    // Rebuilds the directory from the chain links in the player's memory,
    // shows what it found and writes it only when the user agrees (or
    // `askFirst` is false). With `write` false it shows what it found and
    // writes nothing.
    bool RescueSongs(bool askFirst, bool write = true);
    // After a load that found the directory damaged: what is wrong, and the
    // offer to rescue the songs.
    void OfferRescue();

    // The slot a dragged song lands in when dropped on row `dropRow`: one
    // above the row hit, or the top.
    static int DropSlot(int dropRow) { return dropRow > 0 ? dropRow - 1 : 0; }

private:
    bool RefusedAsDamaged();
    // How much memory the player has (DeviceLink::FindPlayerBlocks); false,
    // with the link closed and the user told, when it does not answer.
    bool PlayerSizeFound();
    enum class OnChange { GoOn, Stop };
    bool PlayerAsListed(OnChange onChange);
    bool SaveChange(ImageSnapshot& before, const char* change, uint64_t undoTo = 0);
    bool FindProvenUndo(UndoStep* step);

    DeviceLink& m_link;
    SongListView& m_view;
};
