// The window's sync and its uploads of folders and playlists, on the
// simulated player: the plan in a dialog before anything is written, the
// list afterwards in the list's order; a dropped folder and playlist in
// their order; a file already on the player asked about once.

#include <gtest/gtest.h>

#include "SimulatedProgram.h"

#include <algorithm>
#include <functional>

#include "../portable/TestFiles.h"
#include "commands/PlanText.h"
#include "dialogs/FillDlg.h"
#include "dialogs/SyncDlg.h"
#include "res/resource.h"

namespace {

// Syncs with the list, the dialog answered by `act`; false when no dialog opened.
bool SyncThroughDialog(SimulatedProgram& program, const std::string& list, std::function<void(CSyncDlg&)> act)
{
    return ModalHand<CSyncDlg>::Act([&] { program.view->SyncWith(list); }, std::move(act));
}

std::string Text(CSyncDlg& dialog, int id)
{
    char text[1024] = {};
    GetWindowTextA(dialog.GetDlgItem(id), text, sizeof text);
    return text;
}

std::vector<std::string> Lines(CSyncDlg& dialog)
{
    HWND list = dialog.GetDlgItem(IDC_SYNC_LINES);
    std::vector<std::string> lines;
    const int count = int(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        std::string line(size_t(SendMessageA(list, LB_GETTEXTLEN, WPARAM(i), 0)), '\0');
        SendMessageA(list, LB_GETTEXT, WPARAM(i), reinterpret_cast<LPARAM>(line.data()));
        lines.push_back(line);
    }
    return lines;
}

void Press(CSyncDlg& dialog, int id)
{
    PostMessage(dialog.m_hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(dialog.GetDlgItem(id)));
}

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

std::string TextFile(SimulatedProgram& program, const std::string& name, const std::string& text)
{
    const std::string path = program.folder + "\\" + name;
    WriteFile(path, std::vector<uint8_t>(text.begin(), text.end()));
    return path;
}

// An ID3v2.3 tag holding the track number, then MPEG audio frames.
std::string TrackFile(SimulatedProgram& program, const std::string& name, const std::string& track, size_t frames)
{
    std::vector<uint8_t> bytes = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, uint8_t(11 + track.size())};
    const uint8_t size = uint8_t(track.size() + 1);
    bytes.insert(bytes.end(), {'T', 'R', 'C', 'K', 0, 0, 0, size, 0, 0, 0});
    bytes.insert(bytes.end(), track.begin(), track.end());
    const std::vector<uint8_t> audio = Mp3Frames(frames);
    bytes.insert(bytes.end(), audio.begin(), audio.end());
    const std::string path = program.folder + "\\" + name;
    WriteFile(path, bytes);
    return path;
}

TEST(SyncWindow, ThePlanIsShownFirstAndTheSyncLeavesTheListsOrder)
{
    SimulatedProgram program;
    program.Open();
    const std::string a = program.Mp3File("a.mp3", 70), b = program.Mp3File("b.mp3", 71),
                      c = program.Mp3File("c.mp3", 72);
    program.Mp3File("d.mp3", 73);
    {
        MessageBoxAnswers none({});
        program.Drop({a, b, c});
        EXPECT_TRUE(none.texts.empty());
    }
    ASSERT_EQ(program.RowNames(), (std::vector<std::string>{"a.mp3", "b.mp3", "c.mp3"}));
    program.Saves();

    // A list that names a file that is not there is refused whole.
    const std::string broken = TextFile(program, "broken.m3u", "a.mp3\r\nlost.mp3\r\n");
    {
        MessageBoxAnswers answers({IDOK});
        EXPECT_FALSE(SyncThroughDialog(program, broken, [](CSyncDlg&) {}));
        ASSERT_EQ(answers.texts.size(), 1u);
        EXPECT_EQ(answers.texts[0].rfind("The list names what cannot be read, so nothing was changed:\n", 0), 0u);
        EXPECT_TRUE(Has(answers.texts[0], "lost.mp3")) << answers.texts[0];
    }
    // So is a list of nothing, whose plan would remove every song.
    const std::string empty = program.folder + "\\empty";
    CreateDirectoryA(empty.c_str(), nullptr);
    {
        MessageBoxAnswers answers({IDOK});
        EXPECT_FALSE(SyncThroughDialog(program, empty, [](CSyncDlg&) {}));
        ASSERT_EQ(answers.texts.size(), 1u);
        EXPECT_TRUE(Has(answers.texts[0], "holds no songs")) << answers.texts[0];
    }

    const std::string list = TextFile(program, "list.m3u8", "#EXTM3U\r\n#EXTINF:1,D\r\nd.mp3\r\nc.mp3\r\na.mp3\r\n");
    const auto planShown = [&](CSyncDlg& dialog) {
        // c and a change places: both are moved, as the user sees it.
        EXPECT_EQ(Text(dialog, IDC_SYNC_HEADING), "Sync: keep 0, move 2, add 1, remove 1");
        const std::vector<std::string> lines = Lines(dialog);
        ASSERT_EQ(lines.size(), 5u) << ::testing::PrintToString(lines);
        EXPECT_EQ(lines[0].rfind(" 1. add    d.mp3", 0), 0u) << lines[0];
        EXPECT_EQ(lines[1], " 2. move   \"c.mp3\" (from 3 to 2)");
        EXPECT_EQ(lines[2], " 3. move   \"a.mp3\" (from 1 to 3)");
        EXPECT_EQ(lines[3], "    remove \"b.mp3\" (now 2, 0.0 MB)");
        EXPECT_EQ(lines[4], kPlayingTimeNote);
        EXPECT_EQ(Text(dialog, IDC_SYNC_MEMORY).rfind("Afterwards: 3 songs, ", 0), 0u);
        EXPECT_TRUE(Has(Text(dialog, IDC_SYNC_MEMORY), "One undo afterwards")) << Text(dialog, IDC_SYNC_MEMORY);
        EXPECT_EQ(Text(dialog, IDOK), "&Sync");
        EXPECT_EQ(program.Saves(), 0) << "written before Sync";
        SaveWindowShot(dialog.m_hWnd, "sync-plan");
    };
    EXPECT_TRUE(SyncThroughDialog(program, list, [&](CSyncDlg& dialog) {
        planShown(dialog);
        Press(dialog, IDCANCEL);
    }));
    EXPECT_EQ(program.Saves(), 0);
    EXPECT_EQ(program.NamesOnPlayer(), (std::vector<std::string>{"a.mp3", "b.mp3", "c.mp3"}));

    {
        MessageBoxAnswers none({});
        EXPECT_TRUE(SyncThroughDialog(program, list, [&](CSyncDlg& dialog) {
            planShown(dialog);
            Press(dialog, IDOK);
        }));
        EXPECT_TRUE(none.texts.empty()) << none.texts[0];
    }
    EXPECT_EQ(program.Saves(), 1);
    const std::vector<std::string> synced = {"d.mp3", "c.mp3", "a.mp3"};
    EXPECT_EQ(program.RowNames(), synced);
    EXPECT_EQ(program.NamesOnPlayer(), synced);
    EXPECT_EQ(program.Pane(0).rfind("Synced: 3 songs on Rio (2 kept, 1 added, 1 removed), ", 0), 0u)
        << program.Pane(0);
    SaveWindowShot(program.frame->m_hWnd, "main-window");

    // Nothing left to change: said, and nothing written.
    {
        MessageBoxAnswers answers({IDOK});
        EXPECT_FALSE(SyncThroughDialog(program, list, [](CSyncDlg&) {}));
        EXPECT_EQ(answers.texts, std::vector<std::string>{"Rio holds the list already."});
        EXPECT_EQ(program.Saves(), 0);
    }

    // An XSPF list, as other players save it, reads the same way.
    const std::string xspf = TextFile(program, "list.xspf",
                                      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<playlist version=\"1\" "
                                      "xmlns=\"http://xspf.org/ns/0/\"><trackList><track><location>a.mp3</location>"
                                      "</track><track><location>d.mp3</location></track></trackList></playlist>\r\n");
    MessageBoxAnswers none({});
    EXPECT_TRUE(SyncThroughDialog(program, xspf, [](CSyncDlg& dialog) { Press(dialog, IDOK); }));
    EXPECT_EQ(program.NamesOnPlayer(), (std::vector<std::string>{"a.mp3", "d.mp3"}));
}

// On a 1 MiB player of 32 blocks: a list of 12, 25 and 1 blocks.
TEST(SyncWindow, AListThatDoesNotFitOffersItsHead)
{
    SimulatedProgram program(32);
    program.Open();
    program.Mp3File("big.mp3", 942);
    program.Mp3File("huge.mp3", 1964);
    program.Mp3File("small.mp3", 70);
    const std::string list = TextFile(program, "list.m3u", "big.mp3\r\nhuge.mp3\r\nsmall.mp3\r\n");
    MessageBoxAnswers none({});
    EXPECT_TRUE(SyncThroughDialog(program, list, [](CSyncDlg& dialog) {
        EXPECT_EQ(Text(dialog, IDC_SYNC_HEADING),
                  "The list does not fit: Rio can hold the head of it that does.\nSync: keep 0, move 0, add 1, remove 0");
        const std::vector<std::string> lines = Lines(dialog);
        EXPECT_TRUE(std::find(lines.begin(), lines.end(), "  huge.mp3 (0.8 MB)") != lines.end())
            << ::testing::PrintToString(lines);
        EXPECT_EQ(Text(dialog, IDOK), "Sync the &head that fits");
        Press(dialog, IDOK);
    }));
    EXPECT_TRUE(none.texts.empty()) << none.texts[0];
    EXPECT_EQ(program.NamesOnPlayer(), std::vector<std::string>{"big.mp3"});
}

// A folder of an album, its tracks out of name order, with a cover; then a
// playlist naming a song twice and one not there.
TEST(DroppedLists, AFolderAndAPlaylistLandInTheirOrderWhatWasLeftOutSaidOnce)
{
    SimulatedProgram program;
    program.Open();
    const std::string album = program.folder + "\\album";
    CreateDirectoryA(album.c_str(), nullptr);
    TrackFile(program, "album\\01 Intro.mp3", "3", 20);
    TrackFile(program, "album\\02 Song.mp3", "1/12", 21);
    TrackFile(program, "album\\10 End.mp3", "2", 22);
    TextFile(program, "album\\cover.jpg", "not a song");
    {
        MessageBoxAnswers answers({IDOK});
        program.Drop({album});
        ASSERT_EQ(answers.texts.size(), 1u);
        EXPECT_EQ(answers.texts[0].rfind(album + "\\cover.jpg: left out, ", 0), 0u) << answers.texts[0];
        EXPECT_TRUE(Has(answers.texts[0], "\n\nStored 3 of 3 songs, ")) << answers.texts[0];
    }
    EXPECT_EQ(program.NamesOnPlayer(), (std::vector<std::string>{"02 Song.mp3", "10 End.mp3", "01 Intro.mp3"}));

    program.Mp3File("x.mp3", 80);
    program.Mp3File("y.mp3", 81);
    const std::string list = TextFile(program, "mix.m3u", "y.mp3\r\nx.mp3\r\ngone.mp3\r\n");
    MessageBoxAnswers answers({IDOK});
    program.Drop({list});
    ASSERT_EQ(answers.texts.size(), 1u);
    EXPECT_EQ(answers.texts[0].rfind("gone.mp3: ", 0), 0u) << answers.texts[0];
    EXPECT_EQ(program.RowNames(),
              (std::vector<std::string>{"02 Song.mp3", "10 End.mp3", "01 Intro.mp3", "y.mp3", "x.mp3"}));
}

TEST(DroppedLists, FilesAlreadyOnThePlayerAreAskedAboutOnce)
{
    SimulatedProgram program;
    program.Open();
    const std::string a = program.Mp3File("a.mp3", 70), b = program.Mp3File("b.mp3", 71);
    {
        MessageBoxAnswers none({});
        program.Drop({a, b});
    }
    const std::string copy = program.Mp3File("a copy.mp3", 70), c = program.Mp3File("c.mp3", 72);
    {
        MessageBoxAnswers answers({IDNO});
        program.Drop({a, copy, b, c});
        ASSERT_EQ(answers.texts.size(), 1u);
        EXPECT_EQ(answers.texts[0], "These files hold songs that are stored already:\n"
                                    "  a.mp3: the same as \"a.mp3\" on the player\n"
                                    "  a copy.mp3: the same as \"a.mp3\" on the player\n"
                                    "  b.mp3: the same as \"b.mp3\" on the player\n"
                                    "\nStore them again? (No leaves them out.)");
    }
    EXPECT_EQ(program.NamesOnPlayer(), (std::vector<std::string>{"a.mp3", "b.mp3", "c.mp3"}));
    EXPECT_TRUE(Has(program.Pane(0), "; 3 were on the player already")) << program.Pane(0);

    MessageBoxAnswers answers({IDYES});
    program.Drop({b});
    EXPECT_EQ(answers.texts.size(), 1u);
    EXPECT_EQ(program.NamesOnPlayer(), (std::vector<std::string>{"a.mp3", "b.mp3", "c.mp3", "b.mp3"}));
}

} // namespace

// A fill: its choices, then the sync's plan dialog as a fill's, then a
// player of 32 blocks full of the library's songs; the choices as chosen.
TEST(FillWindow, TheChoicesThenThePlanThenAPlayerFullOfTheLibrarysSongs)
{
    SimulatedProgram program(32);
    program.Open();
    const std::string library = program.folder + "\\library";
    CreateDirectoryA(library.c_str(), nullptr);
    std::vector<std::string> songs;
    for (int i = 1; i <= 6; ++i) {
        songs.push_back("song" + std::to_string(i) + ".mp3");
        program.Mp3File("library\\" + songs.back(), size_t(700 + i));
    }
    FillChoices choices;
    EXPECT_TRUE(ModalHand<CFillDlg>::Act(
        [&] {
            CFillDlg dialog(library, FillChoices());
            EXPECT_EQ(dialog.DoModal(), IDOK);
            choices = dialog.m_choices;
        },
        [](CFillDlg& dialog) {
            SaveWindowShot(dialog.m_hWnd, "fill-choices");
            EXPECT_EQ(IsDlgButtonChecked(dialog.m_hWnd, IDC_FILL_RANDOM), UINT(BST_CHECKED));
            CheckRadioButton(dialog.m_hWnd, IDC_FILL_RANDOM, IDC_FILL_ALBUMS, IDC_FILL_NEWEST);
            CheckDlgButton(dialog.m_hWnd, IDC_FILL_KEEP, BST_CHECKED);
            PostMessage(dialog.m_hWnd, WM_COMMAND, IDOK, 0);
        }));
    EXPECT_EQ(choices.order, FillOrder::Newest);
    EXPECT_TRUE(choices.keep);

    MessageBoxAnswers none({});
    EXPECT_TRUE(ModalHand<CSyncDlg>::Act([&] { program.view->FillFrom(library, FillChoices()); }, [&](CSyncDlg& dialog) {
        EXPECT_EQ(Text(dialog, IDC_SYNC_HEADING).rfind("Fill: 3 songs chosen from 6 files; ", 0), 0u)
            << Text(dialog, IDC_SYNC_HEADING);
        EXPECT_EQ(Text(dialog, IDOK), "&Fill");
        EXPECT_EQ(program.Saves(), 0) << "written before Fill";
        SaveWindowShot(dialog.m_hWnd, "fill-plan");
        Press(dialog, IDOK);
    }));
    EXPECT_TRUE(none.texts.empty()) << none.texts[0];
    const std::vector<std::string> onPlayer = program.NamesOnPlayer();
    ASSERT_EQ(onPlayer.size(), 3u);
    for (const std::string& name : onPlayer)
        EXPECT_NE(std::find(songs.begin(), songs.end(), name), songs.end()) << name;
}
