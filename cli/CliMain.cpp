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
#include "cli/CliArguments.h"
#include "cli/ConsoleUserInterface.h"
#include "cli/PlayerConnection.h"
#include "cli/SongTable.h"
#include "cli/Terminal.h"
#include "cli/TypedArgument.h"
#include "link/DeviceLink.h"
#include "songlist/BatchUpload.h"
#include "songlist/PlanText.h"
#include "songlist/SongCommands.h"
#include "songlist/SongListContent.h"
#include "storage/safety/CopyFolder.h"
#include "storage/safety/DirectoryCheck.h"
#include "storage/safety/DirectoryCopies.h"
#include "storage/format/SongName.h"
#include "storage/songs/Folders.h"

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

class Session {
public:
    Session(DeviceLink& link, ConsoleUserInterface& ui)
        : m_link(link), m_ui(ui), m_list(link), m_commands(link, m_list)
    {
    }

    int Run(const CliArguments& a)
    {
        const std::string& c = a.command;
        // A check and a rescue look at the directory as it is, unrepaired.
        // Nothing is done on a directory that could not be read; the load said why.
        if (!ReloadDirectory(m_link, c != "check" && c != "rescue"))
            return kFailed;
        if (c == "list")
            return List(a.tsv);
        if (c == "upload")
            return Upload(a);
        if (c == "undo")
            return Undo(a.yes);
        if (c == "check")
            return Check();
        if (c == "rescue")
            return Rescue(a.yes);
        if (c == "download")
            return Download(a.operands, a.toDirectory);
        if (c == "remove")
            return Remove(a.operands[0], a.yes);
        if (c == "rename")
            return Rename(a.operands[0], a.operands[1]);
        if (c == "move")
            return Move(a.operands[0], a.operands[1]);
        return Initialize(a.yes);
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

    int List(bool tsv)
    {
        WriteText(stdout, FormatSongTable(BuildSongListContent(m_link.m_image, m_link.Ui().Names()), tsv));
        if (!m_link.DirectoryDamaged())
            return kDone;
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

    // Every file examined first; the plan printed (--dry-run) or carried out.
    int Upload(const CliArguments& a)
    {
        m_link.SetVerifyUploads(a.verify);
        UploadOptions options;
        options.kbps = a.bitrate;
        options.speech = a.speech;
        options.asIs = a.asIs;
        options.stripTags = a.stripTags;
        options.nameFromTags = a.nameFromTags;
        std::vector<AudioFileFacts> files;
        for (const std::string& path : a.operands)
            files.push_back(ExamineAudioFile(path));
        const DirectoryImage& image = m_link.m_image;
        const UploadPlan plan =
            PlanUpload(std::move(files), options, image.freeBlocks(), image.entryCount(), &m_link.Ui().Names());
        if (a.dryRun)
            return PrintPlan(plan);
        for (const PlannedFile& file : plan.files)
            for (const std::string& note : PlanNotes(file))
                WriteText(stderr, note + "\n");
        if (!plan.Fits() && !a.fit) {
            WriteText(stderr, NotFittingText(plan));
            return Fail("nothing was stored; --fit stores those that fit, in order");
        }
        const BatchResult result = RunUploadPlan(m_link, m_commands, plan);
        std::printf("%s\n", ClosingLine(result.stored, result.files, result.bytes,
                                         uint64_t(m_link.m_image.freeBlocks()) * 32768, result.failed,
                                         result.notTried)
                                 .c_str());
        return result.failed + result.notTried > 0 ? kFailed : kDone;
    }

    int PrintPlan(const UploadPlan& plan)
    {
        for (size_t i = 0; i < plan.files.size(); ++i) {
            WriteText(stdout, PlanLine(i, plan.files[i]) + "\n");
            for (const std::string& note : PlanNotes(plan.files[i]))
                WriteText(stdout, "   " + note + "\n");
        }
        WriteText(stdout, PlanSummary(plan) + "\n" + NotFittingText(plan));
        std::printf("Nothing was changed (--dry-run).\n");
        return plan.Fits() && plan.Refused() == 0 ? kDone : kFailed;
    }

    int Download(const std::vector<std::string>& numbers, const std::string& directory)
    {
        int status = kDone;
        std::vector<std::string> songs;
        for (const std::string& text : numbers) {
            if (SongNumber(text) == 0)
                status = kFailed;
            else
                songs.push_back(text);
        }
        if (songs.empty())
            return status;
        std::string error;
        std::vector<std::string> made;
        if (!directory.empty() && !MakeFolders(directory, &error, &made))
            return Fail(error);
        for (const std::string& text : songs)
            if (!m_commands.DownloadSongAt(SongNumber(text) - 1, directory))
                status = Fail("song " + text + " was not downloaded");
        // Folders this command made and nothing was written to go again;
        // removing a folder that holds anything fails and keeps it.
        for (const std::string& folder : made)
            if (!RemoveEmptyFolder(folder))
                break;
        return status;
    }

    int Remove(const std::string& text, bool yes)
    {
        const int number = SongNumber(text);
        if (number == 0)
            return kFailed;
        if (!yes && !m_ui.AskYesNo(kRemoveWarning))
            return Refused();
        return m_commands.RemoveSongAt(number - 1, false) ? kDone : Fail("song " + text + " was not removed");
    }

    int Rename(const std::string& text, const std::string& name)
    {
        const int number = SongNumber(text);
        if (number == 0)
            return kFailed;
        // Characters the code page lacks are taken as typed, in UTF-8.
        const std::string typed = ArgumentAsTyped(name);
        const bool renamed = typed.empty() ? m_commands.RenameSong(number - 1, name)
                                           : m_commands.StoreSongName(number - 1, ToolNameBytes(typed));
        if (!renamed)
            return Fail("song " + text + " was not renamed");
        const std::string stored = m_link.m_image.Entry(number - 1).name();
        if (typed.empty() || NameAsUtf8(stored) != typed)
            NoteStoredName(name, stored, "");
        return kDone;
    }

    int Move(const std::string& fromText, const std::string& toText)
    {
        const int from = SongNumber(fromText);
        const int to = SongNumber(toText);
        if (from == 0 || to == 0)
            return kFailed;
        if (m_link.m_image.entryCount() > DirectoryImage::kEntrySlots)
            return Fail("the directory claims more than 60 songs; initializing is recommended");
        if (from == to)
            return kDone;
        return m_commands.MoveSong(from - 1, to - 1) ? kDone : Fail("song " + fromText + " was not moved");
    }

    int Undo(bool yes)
    {
        if (m_commands.UndoLastChange(!yes))
            return kDone;
        return m_ui.RefusedWithoutTerminal() ? Refused() : kFailed;
    }

    int Check()
    {
        const std::vector<std::string> findings = CheckDirectory(m_link);
        for (const std::string& finding : findings)
            WriteText(stdout, finding + "\n");
        if (findings.empty())
            std::printf("The directory is sound: %d songs, and their chains agree with the player's memory.\n",
                        Songs());
        return findings.empty() ? kDone : kFailed;
    }

    int Rescue(bool yes)
    {
        if (m_commands.RescueSongs(!yes))
            return kDone;
        return m_ui.RefusedWithoutTerminal() ? Refused() : kFailed;
    }

    int Initialize(bool yes)
    {
        if (!yes && !m_ui.AskYesNo(kInitializeWarning))
            return Refused();
        return m_commands.InitializePlayer(false) ? kDone : Fail("Rio was not initialized");
    }

    DeviceLink& m_link;
    ConsoleUserInterface& m_ui;
    ReloadingList m_list;
    SongCommands m_commands;
};

}

int main(int argc, char** argv)
{
    CliArguments arguments;
    const std::string problem =
        ParseCliArguments(std::vector<std::string>(argv + 1, argv + argc), &arguments);
    if (arguments.help) {
        std::fputs(kCliUsage, stdout);
        return kDone;
    }
    if (!problem.empty()) {
        WriteText(stderr, "mellifon-cli: " + problem + "\n" + kCliUsage);
        return kUsage;
    }

    ConsoleUserInterface ui;
    // Copies of the directory go to the user's data folder; without one,
    // saves rely on the shadow on the player and say so once.
    std::string error;
    std::unique_ptr<CopyFolder> copyFolder = OpenCopyFolder(UserCopyFolderPath(), &error);
    std::unique_ptr<DirectoryCopies> copies;
    if (copyFolder) {
        copies = std::make_unique<DirectoryCopies>(*copyFolder);
        g_deviceLink.AttachDirectoryCopies(copies.get());
    } else {
        g_deviceLink.SetCopyFolderProblem(error);
    }
    PlayerConnection player;
    const int status = player.Open(arguments, g_deviceLink, ui) ? Session(g_deviceLink, ui).Run(arguments) : kFailed;
    return player.Close(g_deviceLink, status);
}
