#pragma once
// What the user does to the songs, as flows over the storage operations:
// each asks where it must, changes the image, saves the directory to the
// player and has the list refilled from it. The list view and the
// command-line tool both run them.

#include <string>
#include <vector>

class DeviceLink;

extern const char* const kInitializeWarning;
extern const char* const kRemoveWarning;
extern const char* const kRemoveFailed;
extern const char* const kInternalError;

// The owner of the list: shows the directory again after reloading it.
class SongListView {
public:
    virtual ~SongListView() = default;
    virtual int FillSongList() = 0;
};

// What every fill starts with: the empty state, then block 0 of the player.
void ReloadDirectory(DeviceLink& link);

class SongCommands {
public:
    SongCommands(DeviceLink& link, SongListView& view) : m_link(link), m_view(view) {}

    // Stores the files in order with a save after each; stops at the first
    // failure. Afterwards the list is refilled when something was stored;
    // otherwise the image is put back as it was. The number stored.
    int UploadFiles(const std::vector<std::string>& paths);
    // True when the song was removed and the directory saved.
    bool RemoveSongAt(int slot, bool askFirst);
    bool InitializePlayer(bool askFirst);
    // False for an empty name or a slot that holds no song; the list is not refilled.
    bool RenameSong(int slot, const std::string& text);
    // The song in slot `from` moves to slot `to`; the others keep their order.
    // False when nothing changed.
    bool MoveSong(int from, int to);

    // The slot a dragged song lands in when dropped on row `dropRow`: one
    // above the row hit, or the top.
    static int DropSlot(int dropRow) { return dropRow > 0 ? dropRow - 1 : 0; }

private:
    DeviceLink& m_link;
    SongListView& m_view;
};
