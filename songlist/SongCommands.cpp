#include "songlist/SongCommands.h"

#include <cstring>
#include <memory>

#include "link/DeviceLink.h"
#include "storage/UserInterface.h"

const char* const kInitializeWarning =
    "WARNING! You are going to format Rio memory.\nAll songs on Rio will be erased.\n"
    "Are you sure you want to proceed?";
const char* const kRemoveWarning =
    "WARNING! You are going to remove\nselected song from Rio memory.\n"
    "Are you sure you want to proceed?";
const char* const kRemoveFailed = "Internal error. Initializing is recomended.";
const char* const kInternalError = "Internal error.";

namespace {

// A copy of the whole image, to put back when a change is abandoned.
class ImageSnapshot {
public:
    explicit ImageSnapshot(DeviceLink& link) : m_link(link), m_copy(std::make_unique<DirectoryImage>(link.m_image)) {}
    void Restore() { m_link.m_image = *m_copy; }

private:
    DeviceLink& m_link;
    std::unique_ptr<DirectoryImage> m_copy;
};

}

void ReloadDirectory(DeviceLink& link)
{
    link.InitializeDirectory();
    link.LoadDirectory();
}

int SongCommands::UploadFiles(const std::vector<std::string>& paths)
{
    ImageSnapshot before(m_link);
    int stored = 0;
    for (const std::string& path : paths) {
        if (!m_link.UploadSong(path.c_str()))
            break;
        m_link.SaveDirectory();
        ++stored;
    }
    // After a failure the image holds traces of the failed upload: a refill
    // replaces them with what the player has, or, when nothing reached the
    // player, the image is put back.
    if (stored > 0)
        m_view.FillSongList();
    else
        before.Restore();
    return stored;
}

bool SongCommands::RemoveSongAt(int slot, bool askFirst)
{
    if (askFirst && !m_link.Ui().AskYesNo(kRemoveWarning))
        return false;
    ImageSnapshot before(m_link);
    if (!m_link.RemoveSong(slot)) {
        // The half-done removal must not reach the player with a later save.
        before.Restore();
        m_link.Ui().ShowMessage(kRemoveFailed);
        return false;
    }
    m_link.SaveDirectory();
    m_view.FillSongList();
    return true;
}

bool SongCommands::InitializePlayer(bool askFirst)
{
    if (askFirst && !m_link.Ui().AskYesNo(kInitializeWarning))
        return false;
    m_link.InitializeDirectory();
    m_link.SaveDirectory();
    m_view.FillSongList();
    return true;
}

bool SongCommands::RenameSong(int slot, const std::string& text)
{
    const int songs = m_link.m_image.entryCount();
    if (text.empty() || slot < 0 || slot >= songs || slot >= DirectoryImage::kEntrySlots)
        return false;
    m_link.m_image.Entry(slot).SetName(text);
    m_link.SaveDirectory();
    return true;
}

// Remove the slot, open a gap at its new place, put it there: whole 128-byte
// slots move and the others keep their order.
bool SongCommands::MoveSong(int from, int to)
{
    const int songs = m_link.m_image.entryCount();
    if (songs > DirectoryImage::kEntrySlots || from < 0 || from >= songs || to < 0 || to >= songs ||
        from == to)
        return false;
    constexpr int kSlot = DirectoryEntry::kSize;
    uint8_t* area = m_link.m_image.Bytes() + DirectoryImage::kEntryAreaOffset;
    uint8_t copy[DirectoryImage::kEntryAreaSize];
    std::memcpy(copy, area, sizeof copy);
    std::memmove(copy + from * kSlot, copy + (from + 1) * kSlot, size_t(songs - 1 - from) * kSlot);
    std::memmove(copy + (to + 1) * kSlot, copy + to * kSlot, size_t(songs - 1 - to) * kSlot);
    std::memcpy(copy + to * kSlot, area + from * kSlot, kSlot);
    std::memcpy(area, copy, sizeof copy);
    m_link.SaveDirectory();
    m_view.FillSongList();
    return true;
}
