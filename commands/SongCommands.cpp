#include "commands/SongCommands.h"

#include <cstring>
#include <ctime>
#include <memory>

#include "link/DeviceLink.h"
#include "link/PortStop.h"
#include "commands/ImageSnapshot.h"
#include "storage/PlayerHold.h"
#include "format/SongName.h"
#include "storage/safety/DirectoryCheck.h"
#include "storage/safety/Rescue.h"
#include "storage/StorageTexts.h"
#include "storage/safety/UndoHistory.h"
#include "storage/UserInterface.h"
#include "commands/SongIdentity.h"
#include "commands/UploadSource.h"

const char* const kInitializeWarning =
    "WARNING! You are going to format Rio memory.\nAll songs on Rio will be erased.\n"
    "Are you sure you want to proceed?";
const char* const kRemoveWarning =
    "WARNING! You are going to remove\nselected song from Rio memory.\n"
    "Are you sure you want to proceed?";
const char* const kRemoveFailed = "Internal error. Initializing is recomended.";
const char* const kInternalError = "Internal error.";
const char* const kListChanged =
    "The songs on Rio have changed since Mellifon last read them.\nThe list now shows them; please choose again.";

int ReloadDirectory(DeviceLink& link, bool repair)
{
    PlayerHold hold(link);
    if (!hold)
        return 0;
    link.InitializeDirectory();
    return link.LoadDirectory(repair);
}

int ToolList::FillSongList()
{
    if (PortStopRequested() && m_link.ImageAsOnPlayer())
        return 1;
    return ReloadDirectory(m_link);
}

bool SongCommands::PlayerSizeFound()
{
    if (m_link.FindPlayerBlocks() != 0)
        return true;
    m_link.CloseLink();
    m_link.Ui().ShowMessage(kNotConnected);
    return false;
}

bool SongCommands::RefusedAsDamaged()
{
    if (!m_link.DirectoryDamaged())
        return false;
    m_link.Ui().ShowMessage(kDirectoryDamaged);
    return true;
}

// Reads the header page of block 0 to learn whether the list still shows
// what the player holds; when not, the list is filled again.
bool SongCommands::PlayerAsListed(OnChange onChange)
{
    switch (m_link.CheckDirectoryUnchanged()) {
    case DirectoryCheck::Unchanged:
        return true;
    case DirectoryCheck::NoAnswer:
        m_link.Ui().ShowMessage(kNotConnected);
        return false;
    case DirectoryCheck::Changed:
        break;
    }
    m_view.FillSongList();
    if (!m_link.PlayerDirectory())
        return false; // the reload said why
    if (onChange == OnChange::Stop) {
        m_link.Ui().ShowMessage(kListChanged);
        return false;
    }
    return !RefusedAsDamaged();
}

// A save that found block 0 changed leaves the image to a refill; any other
// failure puts back the image from before the change, as the list shows it.
// The save has said what happened.
bool SongCommands::SaveChange(ImageSnapshot& before, const char* change, uint64_t undoTo)
{
    if (m_link.SaveDirectory(change, undoTo))
        return true;
    if (m_link.LastSaveProblem() == SaveProblem::PlayerChanged)
        m_view.FillSongList();
    else
        before.Restore();
    return false;
}

namespace {

// Files stored as they are, under their own names; the first failure ends
// the batch.
class PlainFiles : public UploadSource {
public:
    explicit PlainFiles(const std::vector<std::string>& paths) : m_paths(paths) {}
    size_t Count() const override { return m_paths.size(); }
    bool Prepare(size_t index, SongFile* file) override
    {
        file->path = m_paths[index];
        file->name = DeviceLink::BaseName(m_paths[index]);
        file->source = SourceFingerprint(file->path);
        return true;
    }
    bool Finished(size_t, bool stored) override { return stored; }

private:
    const std::vector<std::string>& m_paths;
};

}

int SongCommands::UploadFiles(const std::vector<std::string>& paths)
{
    PlainFiles files(paths);
    return UploadFiles(files);
}

int SongCommands::UploadFiles(UploadSource& files)
{
    if (files.Count() == 0 || RefusedAsDamaged())
        return 0;
    PlayerHold hold(m_link);
    if (!hold)
        return 0;
    int stored = 0;
    bool refill = true;
    // One undo takes back the whole batch: each save's record points at the
    // directory from before the batch, as long as each follows this batch's
    // last save on the player (a change by another PC between them starts
    // the batch anew, and an undo never takes that change back).
    uint64_t batchStart = 0, lastSaved = 0;
    for (size_t i = 0; i < files.Count(); ++i) {
        // Made ready before the player is touched: a conversion that fails
        // leaves the player as it was.
        SongFile file;
        if (!files.Prepare(i, &file)) {
            if (!files.Finished(i, false))
                break;
            continue;
        }
        // Songs are written before the directory: they must go to blocks
        // that are free on the player, not just in an old list.
        if (!PlayerAsListed(OnChange::GoOn)) {
            files.Finished(i, false);
            refill = false;
            break;
        }
        ImageSnapshot before(m_link);
        if (!m_link.UploadSong(file.path.c_str(), file.name, file.progressTitle)) {
            before.Restore();
            if (!files.Finished(i, false))
                break;
            continue;
        }
        // The record of the save keeps where the song came from.
        if (file.source != 0)
            m_link.NoteSongSource(KeyOf(m_link.m_image.Entry(m_link.m_image.entryCount() - 1)), file.source);
        if (lastSaved == 0 || m_link.PlayerDirectoryDigest() != lastSaved)
            batchStart = m_link.PlayerDirectoryDigest();
        if (!SaveChange(before, "upload", batchStart)) {
            files.Finished(i, false);
            refill = false;
            break;
        }
        lastSaved = m_link.PlayerDirectoryDigest();
        ++stored;
        if (!files.Finished(i, true))
            break;
    }
    if (stored > 0 && refill)
        m_view.FillSongList();
    return stored;
}

bool SongCommands::RemoveSongAt(int slot, bool askFirst)
{
    if (RefusedAsDamaged())
        return false;
    if (askFirst && !m_link.Ui().AskYesNo(kRemoveWarning))
        return false;
    PlayerHold hold(m_link);
    if (!hold)
        return false;
    // Read now, while the song is listed: its print lets the removal be undone.
    LearnPrintBeforeRelease(m_link, slot);
    ImageSnapshot before(m_link);
    if (!m_link.RemoveSong(slot)) {
        // The half-done removal must not reach the player with a later save.
        before.Restore();
        m_link.Ui().ShowMessage(kRemoveFailed);
        return false;
    }
    if (!SaveChange(before, "remove"))
        return false;
    m_view.FillSongList();
    return true;
}

bool SongCommands::InitializePlayer(bool askFirst)
{
    if (askFirst && !m_link.Ui().AskYesNo(kInitializeWarning))
        return false;
    PlayerHold hold(m_link);
    if (!hold)
        return false;
    // The player's size is checked, not taken from the header: a damaged
    // header page may not say it, or say it wrong with a good checksum, and
    // an empty directory of the wrong size would be believed from then on.
    if (!PlayerSizeFound())
        return false;
    ImageSnapshot before(m_link);
    m_link.InitializeDirectory();
    if (!SaveChange(before, "initialize"))
        return false;
    m_view.FillSongList();
    return true;
}

bool SongCommands::RenameSong(int slot, const std::string& text)
{
    const int songs = m_link.m_image.entryCount();
    if (text.empty() || slot < 0 || slot >= songs || slot >= DirectoryImage::kEntrySlots)
        return false;
    // A name shown with characters this program's text lacks keeps its bytes
    // when the edit changed nothing of what was shown.
    const SongNameText& names = m_link.Ui().Names();
    const std::string old = m_link.m_image.Entry(slot).name();
    return StoreSongName(slot, text == names.Shown(old) ? old : names.Stored(text));
}

bool SongCommands::StoreSongName(int slot, const std::string& stored)
{
    const int songs = m_link.m_image.entryCount();
    if (stored.empty() || slot < 0 || slot >= songs || slot >= DirectoryImage::kEntrySlots || RefusedAsDamaged())
        return false;
    PlayerHold hold(m_link);
    if (!hold)
        return false;
    ImageSnapshot before(m_link);
    m_link.m_image.Entry(slot).SetName(stored);
    return SaveChange(before, "rename");
}

// Remove the slot, open a gap at its new place, put it there: whole 128-byte
// slots move and the others keep their order.
bool SongCommands::MoveSong(int from, int to)
{
    const int songs = m_link.m_image.entryCount();
    if (songs > DirectoryImage::kEntrySlots || from < 0 || from >= songs || to < 0 || to >= songs ||
        from == to || RefusedAsDamaged())
        return false;
    PlayerHold hold(m_link);
    if (!hold)
        return false;
    ImageSnapshot before(m_link);
    constexpr int kSlot = DirectoryEntry::kSize;
    uint8_t* area = m_link.m_image.Bytes() + DirectoryImage::kEntryAreaOffset;
    uint8_t copy[DirectoryImage::kEntryAreaSize];
    std::memcpy(copy, area, sizeof copy);
    std::memmove(copy + from * kSlot, copy + (from + 1) * kSlot, size_t(songs - 1 - from) * kSlot);
    std::memmove(copy + (to + 1) * kSlot, copy + to * kSlot, size_t(songs - 1 - to) * kSlot);
    std::memcpy(copy + to * kSlot, area + from * kSlot, kSlot);
    std::memcpy(area, copy, sizeof copy);
    if (!SaveChange(before, "move"))
        return false;
    m_view.FillSongList();
    return true;
}

bool SongCommands::DownloadSongAt(int slot, const std::string& directory, const std::string& fileName,
                                  std::string* written)
{
    // The chain followed is the list's: if another program changed the
    // player meanwhile, its blocks may hold another song by now.
    PlayerHold hold(m_link);
    if (!hold || !PlayerAsListed(OnChange::Stop))
        return false;
    return m_link.DownloadSong(slot + 1, directory, fileName, written) != 0;
}

bool SongCommands::CanUndo(std::string* description)
{
    UndoStep step;
    std::string why;
    const bool can = m_link.Copies() && m_link.PlayerDirectory() && !m_link.DirectoryDamaged() &&
                     FindUndoStep(*m_link.Copies(), *m_link.PlayerDirectory(), m_link.Ui().Names(), &step, &why);
    if (can && description)
        *description = step.description;
    return can;
}

// The step an undo would take, with every song it brings back proven whole.
bool SongCommands::FindProvenUndo(UndoStep* step)
{
    if (RefusedAsDamaged())
        return false;
    if (!m_link.Copies()) {
        m_link.Ui().ShowMessage(kNoHistory);
        return false;
    }
    if (!PlayerAsListed(OnChange::Stop))
        return false;
    std::string why;
    if (!FindUndoStep(*m_link.Copies(), *m_link.PlayerDirectory(), m_link.Ui().Names(), step, &why) ||
        !SongsStillWhole(m_link, *m_link.Copies(), *step, &why)) {
        m_link.Ui().ShowMessage(why);
        return false;
    }
    return true;
}

bool SongCommands::PreviewUndo(std::string* description)
{
    PlayerHold hold(m_link);
    UndoStep step;
    if (!hold || !FindProvenUndo(&step))
        return false;
    *description = step.description;
    return true;
}

bool SongCommands::UndoLastChange(bool askFirst, std::string* undone)
{
    PlayerHold hold(m_link);
    UndoStep step;
    if (!hold || !FindProvenUndo(&step))
        return false;
    if (askFirst && !m_link.Ui().AskYesNo("Undo " + step.description + " on Rio?"))
        return false;
    // The directory from before goes back exactly as it was saved, so its
    // copy still says what came before it: the next undo goes on from there.
    ImageSnapshot before(m_link);
    m_link.m_image = *step.previous.image;
    if (!m_link.WriteSealedDirectory(*step.previous.image, step.previous, WriteWitness::NewShadow)) {
        if (m_link.LastSaveProblem() == SaveProblem::PlayerChanged)
            m_view.FillSongList();
        else
            before.Restore();
        return false;
    }
    m_view.FillSongList();
    if (undone)
        *undone = step.description;
    return true;
}

namespace {

// "1. a.mp3 (1000 bytes)", a line each.
std::string NumberedSongs(const std::vector<RescuedSong>& songs, const SongNameText& names)
{
    std::string text;
    for (size_t i = 0; i < songs.size(); ++i)
        text += std::to_string(i + 1) + ". " + names.Shown(songs[i].name) + " (" + std::to_string(songs[i].size) +
                " bytes)\n";
    return text;
}

std::string RescueSummary(const std::vector<RescuedSong>& songs, const RescueResult& result, const SongNameText& names)
{
    std::string text = songs.empty() ? "Mellifon found no whole song in Rio's memory.\n"
                                     : "Mellifon found these songs in Rio's memory:\n" + NumberedSongs(songs, names);
    for (const std::string& problem : result.problems)
        text += problem + "\n";
    return text;
}

}

// The songs this PC let go (a removal, a sync) are offered apart, and come
// back only when the user chooses them: No is the default.
bool SongCommands::RescueSongs(bool askFirst, bool write)
{
    PlayerHold hold(m_link);
    if (!hold)
        return false;
    // The survey ends at the player's real end, which a damaged directory may not tell.
    if (!PlayerSizeFound())
        return false;
    RescueStep scan(m_link, m_link.Copies(), m_link.Now());
    const int outcome = m_link.Ui().RunTransfer(scan);
    m_link.CloseLink();
    if (outcome != kTransferOk) {
        m_link.Ui().ShowMessage(scan.Result().answered ? kRescueCancelled : kNotConnected);
        return false;
    }
    const RescueResult& result = scan.Result();
    std::vector<RescuedSong> songs, letGo;
    for (const RescuedSong& song : result.songs)
        (song.letGo ? letGo : songs).push_back(song);
    const SongNameText& names = m_link.Ui().Names();
    const std::string summary = RescueSummary(songs, result, names);
    const std::string letGoList = letGo.empty() ? std::string() : kLetGoHeading + NumberedSongs(letGo, names);
    if (songs.empty() && letGo.empty()) {
        m_link.Ui().ShowMessage(summary + kNothingChanged);
        return false;
    }
    if (askFirst && write) {
        if (!songs.empty() && !m_link.Ui().AskYesNo(summary + kRescueQuestion))
            return false;
        if (!letGo.empty() &&
            m_link.Ui().AskYesNoDefaultNo(songs.empty() ? summary + "\n" + letGoList + kLetGoOnlyQuestion
                                                        : letGoList + kLetGoQuestion))
            songs.insert(songs.end(), letGo.begin(), letGo.end());
    } else {
        m_link.Ui().ShowMessage(summary + (letGo.empty() ? "" : "\n" + letGoList + kLetGoLeftOut));
    }
    if (!write)
        return true;
    if (songs.empty()) {
        if (!askFirst)
            m_link.Ui().ShowMessage(kNothingChanged);
        return false;
    }
    ImageSnapshot before(m_link);
    m_link.m_image = *RescuedDirectory(songs, scan.Blocks());
    // The rescue read every song's blocks: their prints go into its record.
    for (int slot = 0; slot < m_link.m_image.entryCount(); ++slot)
        m_link.NoteSongPrint(KeyOf(m_link.m_image.Entry(slot)), songs[size_t(slot)].print);
    if (!SaveChange(before, "rescue"))
        return false;
    m_view.FillSongList();
    return true;
}

void SongCommands::OfferRescue()
{
    // A message box shows the first few; 'mellifon-cli check' lists them all.
    constexpr size_t kShown = 12;
    PlayerHold hold(m_link);
    if (!hold)
        return;
    const std::vector<std::string> findings = CheckDirectory(m_link);
    std::string report;
    for (size_t i = 0; i < findings.size() && i < kShown; ++i)
        report += "- " + findings[i] + "\n";
    if (findings.size() > kShown)
        report += "- and " + std::to_string(findings.size() - kShown) + " more.\n";
    if (m_link.Ui().AskYesNo(kDamageReport + report + kRescueOffer))
        RescueSongs(true);
}
