// mellifon-cli: the song commands of the window, on the command line, over
// the simulated player whose flash is an image file, or a real player on a
// parallel port.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "audio/AudioFile.h"
#include "audio/AudioProbe.h"
#include "cli/CliArguments.h"
#include "cli/Json.h"
#include "cli/ConsoleUserInterface.h"
#include "cli/PlayerConnection.h"
#include "cli/SongTable.h"
#include "cli/Terminal.h"
#include "cli/TypedArgument.h"
#include "link/DeviceLink.h"
#include "audio/Tags.h"
#include "playlist/PlaylistText.h"
#include "playlist/XspfPlaylist.h"
#include "commands/SyncRun.h"
#include "commands/SyncText.h"
#include "playlist/UploadItems.h"
#include "commands/BatchUpload.h"
#include "commands/PlanText.h"
#include "commands/PlannedFill.h"
#include "commands/PlannedLevels.h"
#include "commands/SongCommands.h"
#include "commands/SongListContent.h"
#include "storage/safety/CopyFolder.h"
#include "storage/safety/DirectoryCheck.h"
#include "storage/safety/DirectoryCopies.h"
#include "storage/StorageTexts.h"
#include "format/SongName.h"
#include "files/FileSize.h"
#include "files/Folders.h"
#include "res/Version.h"

namespace {

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

void Note(const std::string& text)
{
    WriteText(stderr, "mellifon-cli: " + text + "\n");
}

int Fail(const std::string& text)
{
    Note(text);
    return kFailed;
}

constexpr const char* kNothingChangedDryRun = "Nothing was changed (--dry-run).\n";

// JSON goes out as the bytes it is, UTF-8 also on a Windows console's pipe.
void WriteJson(const std::string& json)
{
    std::fwrite(json.data(), 1, json.size(), stdout);
}

UploadOptions UploadOptionsOf(const CliArguments& a)
{
    UploadOptions options;
    options.kbps = a.bitrate;
    options.speech = a.speech;
    options.asIs = a.asIs;
    options.stripTags = a.stripTags;
    options.nameFromTags = a.nameFromTags;
    options.storeDuplicates = a.duplicates;
    options.level = a.level;
    return options;
}

class Session {
public:
    Session(DeviceLink& link, ConsoleUserInterface& ui)
        : m_link(link), m_ui(ui), m_list(link), m_commands(link, m_list)
    {
    }

    // Whether the command wrote a change to the player (not the repair of
    // the load before it).
    bool SavedChange() const { return m_nWritesBefore >= 0 && m_link.DirectoryWrites() > m_nWritesBefore; }

    int Run(const CliArguments& a)
    {
        m_bVerbose = a.verbose;
        const std::string& c = a.command;
        // A check and a rescue look at the directory as it is, unrepaired,
        // and a dry run repairs nothing either. Nothing is done on a
        // directory that could not be read; the load said why.
        if (!ReloadDirectory(m_link, c != "check" && c != "rescue" && !a.dryRun))
            return kFailed;
        m_nWritesBefore = m_link.DirectoryWrites();
        if (a.dryRun && c != "rescue" && m_link.DirectoryDamaged())
            return Fail("the directory is damaged: a run without --dry-run first tries to repair it from the "
                        "copies; 'check' tells what is wrong");
        if (c == "list")
            return List(a);
        if (c == "upload")
            return Upload(a);
        if (c == "sync")
            return Sync(a);
        if (c == "fill")
            return Fill(a);
        if (c == "undo")
            return Undo(a);
        if (c == "check")
            return Check(a.json);
        if (c == "rescue")
            return Rescue(a);
        if (c == "download")
            return Download(a);
        if (c == "remove")
            return Remove(a);
        if (c == "rename")
            return Rename(a);
        if (c == "move")
            return Move(a);
        return Initialize(a);
    }

private:
    int Songs() const { return std::min<int>(m_link.m_image.entryCount(), kMaxSongRows); }

    // A song number as the No. column shows it, or 0 after saying why not.
    int SongNumber(const std::string& text)
    {
        const int number = ParseSongNumber(text);
        if (number < 1 || number > Songs()) {
            Fail("no song " + text + " (the player holds " + std::to_string(Songs()) + ")");
            return 0;
        }
        return number;
    }

    int Refused()
    {
        if (m_ui.RefusedWithoutTerminal())
            return Fail("no terminal to ask on; add --yes to go ahead");
        return Fail("not confirmed; nothing changed");
    }

    int List(const CliArguments& a)
    {
        if (a.json)
            WriteJson(FormatSongJson(m_link.m_image, m_link.DirectoryDamaged(), m_link.DirectoryFromUnwrittenCopy()));
        else if (a.tsv)
            WriteText(stdout, FormatSongTsv(m_link.m_image, m_link.Ui().Names()));
        else
            WriteText(stdout, FormatSongTable(BuildSongListContent(m_link.m_image, m_link.Ui().Names())));
        if (!m_link.DirectoryDamaged())
            return kDone;
        if (m_link.DirectoryFromUnwrittenCopy())
            return Fail("the directory is damaged: the songs shown are those of its copy, not yet written back to "
                        "the player; the next run tries again");
        return Fail("the directory is damaged: 'check' tells what is wrong, 'rescue' rebuilds it from the "
                    "player's memory");
    }

    // Rio keeps 99 bytes of a name: what a longer one became, or one that
    // does not read back as given.
    void NoteStoredName(const std::string& given, const std::string& stored, const std::string& whose)
    {
        const std::string shown = m_link.Ui().Names().Shown(stored);
        if (shown == given)
            return;
        const size_t characters = NameCharacters(stored);
        Note(whose + (characters < NameCharacters(given)
                          ? "the name was stored as its first " + std::to_string(characters) + " characters: "
                          : "the name was stored as ") +
             shown);
    }

    // Folders and playlists as the files they stand for, each examined.
    UploadItems Items(const CliArguments& a)
    {
        UploadItems items = ExpandUploadItems(a.operands, SystemPlaylistText());
        for (const std::string& note : items.notes)
            Note(note);
        for (const std::string& problem : items.problems)
            Note(problem);
        return items;
    }

    // Every file examined first; the plan printed (--dry-run) or carried out.
    int Upload(const CliArguments& a)
    {
        m_link.SetVerifyUploads(a.verify);
        UploadItems items = Items(a);
        const int unread = int(items.problems.size());
        const DirectoryImage& image = m_link.m_image;
        const std::vector<KnownSong> songs = KnownSongs(m_link);
        UploadPlan plan = PlanUpload(std::move(items.files), UploadOptionsOf(a), image.freeBlocks(),
                                     image.entryCount(), &m_link.Ui().Names(), &songs);
        // Measured only when the batch is to be stored, or its plan shown.
        const bool levelNow = a.level && (a.dryRun || plan.Fits() || a.fit);
        if (levelNow && !LevelPlannedFiles(plan.files, m_link.Ui()))
            return Fail(std::string("stopped while measuring; nothing was ") + (a.dryRun ? "planned" : "stored"));
        if (a.dryRun)
            return PrintPlan(plan) == kDone && unread == 0 ? kDone : kFailed;
        for (const PlannedFile& file : plan.files) {
            for (const std::string& note : PlanNotes(file))
                WriteText(stderr, note + "\n");
            if (file.skipped)
                Note(DeviceLink::BaseName(file.facts.path) + ": the same as " + file.duplicateOf +
                     "; not stored again (--duplicates stores it)");
        }
        if (!plan.Fits() && !a.fit) {
            WriteText(stderr, NotFittingText(plan));
            return Fail("nothing was stored; --fit stores those that fit, in order");
        }
        const BatchResult result = RunUploadPlan(m_link, m_commands, plan);
        std::printf("%s\n", BatchClosingLine(result).c_str());
        return result.refused + result.failed + result.notTried + unread > 0 ? kFailed : kDone;
    }

    int PrintPlan(const UploadPlan& plan)
    {
        for (size_t i = 0; i < plan.files.size(); ++i) {
            WriteText(stdout, PlanLine(i, plan.files[i]) + "\n");
            if (m_bVerbose && plan.files[i].action == UploadAction::Refuse && !plan.files[i].facts.detail.empty())
                WriteText(stdout, "   " + plan.files[i].facts.detail + "\n");
            for (const std::string& note : PlanNotes(plan.files[i]))
                WriteText(stdout, "   " + note + "\n");
        }
        WriteText(stdout, PlanSummary(plan) + "\n" + (plan.ToStore() > 0 ? std::string(kPlayingTimeNote) + "\n" : "") +
                              NotFittingText(plan));
        std::fputs(kNothingChangedDryRun, stdout);
        return plan.Fits() && plan.Refused() == 0 ? kDone : kFailed;
    }

    // The player made to hold exactly the list: the plan first, then one save.
    int Sync(const CliArguments& a)
    {
        if (m_link.DirectoryDamaged()) {
            m_link.Ui().ShowMessage(kDirectoryDamaged);
            return kFailed;
        }
        m_link.SetVerifyUploads(a.verify);
        UploadItems items = Items(a);
        const std::vector<std::string> unread = UnreadableForSync(items);
        if (!unread.empty()) {
            for (size_t i = items.problems.size(); i < unread.size(); ++i)
                Note(unread[i]);
            return Fail("the list names what cannot be read, so nothing was changed");
        }
        SyncPlan plan = PlanSync(m_link.m_image, KnownSongs(m_link), std::move(items.files), UploadOptionsOf(a),
                                 &m_link.Ui().Names());
        if (a.level && !LevelPlannedFiles(plan.additions.files, m_link.Ui()))
            return Fail("stopped while measuring; nothing was changed");
        const std::string withoutSongs = SyncWithoutSongsText(plan, a.fit);
        if (!withoutSongs.empty()) {
            for (const PlannedFile& file : plan.refused)
                Note(file.facts.path + ": " + file.reason);
            return Fail((a.operands.size() == 1 ? a.operands[0] : "the list") + " " + withoutSongs +
                        "; nothing was changed ('init' empties the player)");
        }
        const int planStatus = (plan.Fits() || a.fit) && plan.refused.empty() ? kDone : kFailed;
        if (a.json) {
            WriteJson(SyncJson(plan));
            return planStatus;
        }
        PrintSyncPlan(plan, "Sync: " + SyncCounts(plan));
        if (a.dryRun) {
            std::fputs(kNothingChangedDryRun, stdout);
            return planStatus;
        }
        if (!plan.Fits() && !a.fit)
            return Fail("nothing was changed; --fit syncs the head of the list that fits");
        if (!plan.Changes()) {
            std::printf("Rio holds the list already.\n");
            return planStatus;
        }
        if (!a.yes && !m_ui.AskYesNo("Sync Rio with this list?"))
            return Refused();
        const SyncResult result = RunSyncPlan(m_link, m_commands, plan);
        if (!result.saved)
            return Fail("the sync was not finished");
        std::printf("%s\n", SyncClosingLine(plan, result, KnownDirectory(m_link)).c_str());
        return result.additions.refused + result.additions.failed > 0 ? kFailed : planStatus;
    }

    // The songs chosen from a library until the player is full, as a sync.
    int Fill(const CliArguments& a)
    {
        m_link.SetVerifyUploads(a.verify);
        FillChoices choices;
        choices.order = a.newest ? FillOrder::Newest : a.albums ? FillOrder::Albums : FillOrder::Random;
        choices.keep = a.keep;
        FillPlan plan;
        std::string problem;
        if (!PlanFill(m_link, a.operands, choices, UploadOptionsOf(a), SystemPlaylistText(), &plan, &problem))
            return Fail(problem);
        for (const std::string& note : plan.notes)
            Note(note);
        PrintSyncPlan(plan.sync, "Fill: " + FillCounts(plan), true);
        if (a.dryRun) {
            std::fputs(kNothingChangedDryRun, stdout);
            return kDone;
        }
        if (!plan.sync.Changes()) {
            std::printf("Rio holds those songs already.\n");
            return kDone;
        }
        if (!a.yes && !m_ui.AskYesNo("Fill Rio with these songs?"))
            return Refused();
        const SyncResult result = RunSyncPlan(m_link, m_commands, plan.sync);
        if (!result.saved)
            return Fail("the fill was not finished");
        if (!RememberFill(m_link, plan, &problem))
            Note("the next fills may bring these songs again: this PC could not note them (" + problem + ")");
        std::printf("%s\n", SyncClosingLine(plan.sync, result, KnownDirectory(m_link), "filled").c_str());
        return result.additions.refused + result.additions.failed > 0 ? kFailed : kDone;
    }

    // A fill takes the head of its choice that fits, as a sync does with --fit.
    void PrintSyncPlan(const SyncPlan& plan, const std::string& heading, bool fill = false)
    {
        std::string text = plan.Fits() || fill ? "" : "The list does not fit; with --fit Rio would hold the head of it that does:\n";
        text += heading + "\n";
        for (const std::string& line : SyncPlanLines(plan))
            text += line + "\n";
        for (const PlannedFile& file : plan.additions.files)
            for (const std::string& note : PlanNotes(file))
                text += "   " + note + "\n";
        if (plan.Count(SyncAction::Add) > 0)
            text += std::string(kPlayingTimeNote) + "\n";
        text += SyncMemoryText(plan) + "\n";
        if (plan.removalFirst)
            text += SyncRemovalFirstText(plan) + "\n";
        if (plan.Changes())
            text += SyncUndoText(plan) + "\n";
        WriteText(stdout, text + SyncNotFittingText(plan));
    }

    std::string SyncJson(const SyncPlan& plan)
    {
        const char* const kActions[] = {"keep", "move", "add"};
        std::vector<std::string> songs;
        for (size_t i = 0; i < plan.entries.size(); ++i) {
            const SyncEntry& entry = plan.entries[i];
            const PlannedFile* added =
                entry.action == SyncAction::Add ? &plan.additions.files[size_t(entry.addition)] : nullptr;
            songs.push_back(
                JsonObject()
                    .Add("number", JsonNumber(static_cast<long long>(i) + 1))
                    .Add("action", JsonString(kActions[int(plan.Seen(i))]))
                    .Add("name", JsonString(entry.name))
                    .Add("size", JsonNumber(static_cast<long long>(entry.bytes)))
                    .Add("size_estimated", JsonBool(added && added->estimated))
                    .Add("now", entry.oldSlot >= 0 ? JsonNumber(entry.oldSlot + 1) : kJsonNull)
                    .Add("file", JsonString(entry.file))
                    .Add("conversion_kbps", added && added->action == UploadAction::Convert
                                                ? JsonNumber(added->conversion.kbps)
                                                : kJsonNull)
                    .Add("gain_db", added && added->levelled ? JsonDecimal(added->gainDb, 1) : kJsonNull)
                    .Text());
        }
        std::vector<std::string> removed, refused, notFitting;
        for (const RemovedSong& song : plan.removed)
            removed.push_back(JsonObject()
                                  .Add("now", JsonNumber(song.slot + 1))
                                  .Add("name", JsonString(song.name))
                                  .Add("size", JsonNumber(static_cast<long long>(song.bytes)))
                                  .Text());
        for (const PlannedFile& file : plan.refused)
            refused.push_back(
                JsonObject().Add("file", JsonString(file.facts.path)).Add("reason", JsonString(file.reason)).Text());
        for (const PlannedFile& file : plan.notFitting)
            notFitting.push_back(JsonObject()
                                     .Add("file", JsonString(file.facts.path))
                                     .Add("size", JsonNumber(static_cast<long long>(file.bytes)))
                                     .Text());
        const auto bytes = [](int blocks) { return JsonNumber(static_cast<long long>(blocks) * 32768); };
        const JsonObject memory = JsonObject()
                                      .Add("total_bytes", bytes(plan.totalBlocks))
                                      .Add("songs_before", JsonNumber(plan.songsBefore))
                                      .Add("free_bytes_before", bytes(plan.freeBlocksBefore))
                                      .Add("songs_after", JsonNumber(static_cast<long long>(plan.entries.size())))
                                      .Add("used_bytes_after", bytes(plan.usedBlocksAfter))
                                      .Add("free_bytes_after", bytes(plan.freeBlocksAfter));
        return JsonObject()
            .Add("songs", JsonArray(songs, true))
            .Add("removed", JsonArray(removed, true))
            .Add("refused", JsonArray(refused, true))
            .Add("not_fitting", JsonArray(notFitting, true))
            .Add("fits", JsonBool(plan.Fits()))
            .Add("changes", JsonBool(plan.Changes()))
            .Add("removal_first", JsonBool(plan.removalFirst))
            .Add("memory", memory.Text())
            .TextLines();
    }

    int Download(const CliArguments& a)
    {
        m_link.SetExistingFiles(a.overwrite ? ExistingFiles::Replace : ExistingFiles::KeepBoth);
        int status = kDone;
        std::vector<std::string> songs;
        for (const std::string& text : a.operands) {
            if (SongNumber(text) == 0)
                status = kFailed;
            else
                songs.push_back(text);
        }
        if (songs.empty())
            return status;
        std::string error;
        std::vector<std::string> made;
        if (!a.toDirectory.empty() && !MakeFolders(a.toDirectory, &error, &made))
            return Fail(error);
        for (const std::string& text : songs)
            if (!m_commands.DownloadSongAt(SongNumber(text) - 1, a.toDirectory))
                status = Fail("song " + text + " was not downloaded");
        // Folders this command made and nothing was written to go again;
        // removing a folder that holds anything fails and keeps it.
        for (const std::string& folder : made)
            if (!RemoveEmptyFolder(folder))
                break;
        return status;
    }

    std::string Song(int number) const
    {
        const DirectoryEntry entry = m_link.m_image.Entry(number - 1);
        return "song " + std::to_string(number) + " \"" + m_link.Ui().Names().Shown(entry.name()) + "\"";
    }

    std::string FreeText(int blocks) const { return MegabytesText(uint64_t(blocks) * 32768) + " free"; }

    int Remove(const CliArguments& a)
    {
        const int number = SongNumber(a.operands[0]);
        if (number == 0)
            return kFailed;
        if (a.dryRun) {
            const DirectoryImage& image = m_link.m_image;
            const int blocks = image.Entry(number - 1).blockCount() + (image.entryCount() == 1 ? 1 : 0);
            WriteText(stdout, "Would remove " + Song(number) + " (" +
                                  MegabytesText(image.Entry(number - 1).size()) + "); Rio would have " +
                                  FreeText(image.freeBlocks() + blocks) + ".\n" + kNothingChangedDryRun);
            return kDone;
        }
        if (!a.yes && !m_ui.AskYesNo(kRemoveWarning))
            return Refused();
        return m_commands.RemoveSongAt(number - 1, false) ? kDone : Fail("song " + a.operands[0] + " was not removed");
    }

    int Rename(const CliArguments& a)
    {
        const std::string& text = a.operands[0];
        const std::string& name = a.operands[1];
        const int number = SongNumber(text);
        if (number == 0)
            return kFailed;
        // Characters the code page lacks are taken as typed, in UTF-8.
        const std::string typed = ArgumentAsTyped(name);
        if (a.dryRun) {
            const SongNameText& names = m_link.Ui().Names();
            const std::string stored = typed.empty() ? names.Stored(name) : ToolNameBytes(typed);
            WriteText(stdout, "Would rename " + Song(number) + " to \"" + names.Shown(stored) + "\".\n" +
                                  kNothingChangedDryRun);
            NoteStoredName(typed.empty() ? name : typed, stored, "");
            return kDone;
        }
        const bool renamed = typed.empty() ? m_commands.RenameSong(number - 1, name)
                                           : m_commands.StoreSongName(number - 1, ToolNameBytes(typed));
        if (!renamed)
            return Fail("song " + text + " was not renamed");
        const std::string stored = m_link.m_image.Entry(number - 1).name();
        if (typed.empty() || NameAsUtf8(stored) != typed)
            NoteStoredName(name, stored, "");
        return kDone;
    }

    int Move(const CliArguments& a)
    {
        const int from = SongNumber(a.operands[0]);
        const int to = SongNumber(a.operands[1]);
        if (from == 0 || to == 0)
            return kFailed;
        if (m_link.m_image.entryCount() > DirectoryImage::kEntrySlots)
            return Fail("the directory claims more than 60 songs; initializing is recommended");
        if (a.dryRun) {
            WriteText(stdout, (from == to ? Song(from) + " stays where it is.\n"
                                          : "Would move " + Song(from) + " to " + std::to_string(to) + ".\n") +
                                  kNothingChangedDryRun);
            return kDone;
        }
        if (from == to)
            return kDone;
        return m_commands.MoveSong(from - 1, to - 1) ? kDone : Fail("song " + a.operands[0] + " was not moved");
    }

    int Undo(const CliArguments& a)
    {
        if (a.dryRun) {
            std::string description;
            if (!m_commands.PreviewUndo(&description))
                return kFailed;
            WriteText(stdout, "Would undo " + description + ".\n" + kNothingChangedDryRun);
            return kDone;
        }
        std::string undone;
        if (m_commands.UndoLastChange(!a.yes, &undone)) {
            WriteText(stdout, "undone: " + undone + "\n");
            return kDone;
        }
        return m_ui.RefusedWithoutTerminal() ? Refused() : kFailed;
    }

    int Check(bool json)
    {
        const std::vector<std::string> findings = CheckDirectory(m_link);
        if (json) {
            std::vector<std::string> texts;
            for (const std::string& finding : findings)
                texts.push_back(JsonString(finding));
            WriteJson(JsonObject()
                          .Add("sound", JsonBool(findings.empty()))
                          .Add("songs", JsonNumber(Songs()))
                          .Add("findings", JsonArray(texts, true))
                          .TextLines());
            return findings.empty() ? kDone : kFailed;
        }
        for (const std::string& finding : findings)
            WriteText(stdout, finding + "\n");
        if (findings.empty())
            std::printf("The directory is sound: %d songs, and their chains agree with the player's memory.\n",
                        Songs());
        return findings.empty() ? kDone : kFailed;
    }

    int Rescue(const CliArguments& a)
    {
        if (a.dryRun) {
            if (!m_commands.RescueSongs(false, false))
                return kFailed;
            std::fputs(kNothingChangedDryRun, stdout);
            return kDone;
        }
        if (m_commands.RescueSongs(!a.yes))
            return kDone;
        return m_ui.RefusedWithoutTerminal() ? Refused() : kFailed;
    }

    int Initialize(const CliArguments& a)
    {
        if (a.dryRun) {
            const DirectoryImage& image = m_link.m_image;
            WriteText(stdout, "Would initialize Rio: its directory would list no songs (it lists " +
                                  std::to_string(Songs()) + " now, " +
                                  MegabytesText(uint64_t(image.usedBlocks()) * 32768) +
                                  "). The songs' blocks stay as they are until written over, and 'undo' can bring "
                                  "them back.\n" + kNothingChangedDryRun);
            return kDone;
        }
        if (!a.yes && !m_ui.AskYesNo(kInitializeWarning))
            return Refused();
        return m_commands.InitializePlayer(false) ? kDone : Fail("Rio was not initialized");
    }

    DeviceLink& m_link;
    ConsoleUserInterface& m_ui;
    ToolList m_list;
    SongCommands m_commands;
    int m_nWritesBefore = -1;
    bool m_bVerbose = false;
};

}

int main(int argc, char** argv)
{
    CliArguments arguments;
    const std::string problem =
        ParseCliArguments(std::vector<std::string>(argv + 1, argv + argc), &arguments);
    // One command's usage where the command is known, else all of it.
    const std::string commandUsage = CommandUsage(arguments.command);
    const std::string usage = commandUsage.empty() ? CliUsage() : commandUsage;
    if (arguments.help) {
        WriteText(stdout, usage);
        return kDone;
    }
    if (arguments.version) {
        std::string text = std::string("mellifon-cli ") + kMellifonVersion + "\n";
        for (const std::string& library : AudioLibraryVersions())
            text += library + "\n";
        if (AudioLibraryVersions().empty())
            text += "built without FFmpeg and LAME: it stores MPEG audio the player plays and converts nothing\n";
        text += TagLibraryVersion() + "\n" + XmlLibraryVersion() + "\n";
        WriteText(stdout, text);
        return kDone;
    }
    if (!problem.empty()) {
        WriteText(stderr, "mellifon-cli: " + problem + "\n" + usage);
        return kUsage;
    }

    ConsoleUserInterface ui;
    ui.SetVerbose(arguments.verbose);
    // Copies of the directory go to the user's data folder; without one,
    // saves rely on the shadow on the player and say so once. A dry run
    // makes no folder: it only reads what copies there are.
    std::string error;
    const std::string copyPath = UserCopyFolderPath();
    std::unique_ptr<CopyFolder> copyFolder;
    if (!arguments.dryRun || IsFolder(copyPath.c_str()))
        copyFolder = OpenCopyFolder(copyPath, &error);
    std::unique_ptr<DirectoryCopies> copies;
    if (copyFolder) {
        copies = std::make_unique<DirectoryCopies>(*copyFolder);
        g_deviceLink.AttachDirectoryCopies(copies.get());
    } else {
        g_deviceLink.SetCopyFolderProblem(error);
    }
    PlayerConnection player;
    Session session(g_deviceLink, ui);
    const int status = player.Open(arguments, g_deviceLink, ui) ? session.Run(arguments) : kFailed;
    return player.Close(g_deviceLink, status, session.SavedChange());
}
