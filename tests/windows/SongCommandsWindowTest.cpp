// The song commands in the window, driven by real messages: files dropped
// as the shell drops them, labels edited in place, rows dragged with the
// mouse, the File commands with their confirmations.

#include <gtest/gtest.h>

#include "SimulatedProgram.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>
#include <filesystem>

#include "link/DeviceLink.h"
#include "res/resource.h"
#include "format/SongName.h"

namespace {

std::string Joined(const std::vector<std::string>& names)
{
    std::string all;
    for (const auto& n : names)
        all += n;
    return all;
}

void Command(SimulatedProgram& program, UINT id)
{
    program.frame->SendMessage(WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

void Select(SimulatedProgram& program, int row)
{
    program.List().SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

bool ButtonEnabled(SimulatedProgram& program, UINT id)
{
    program.frame->OnIdleUpdateCmdUI();
    return program.frame->m_toolBar.SendMessage(TB_ISBUTTONENABLED, id) != 0;
}

// Every file is examined first; one that fails is named at the end and the
// others are stored, in the order dropped.
TEST(Drops, AFileThatFailsIsNamedAndTheOthersAreStoredInOrder)
{
    SimulatedProgram program;
    program.Open();
    const std::vector<std::string> paths = {program.Mp3File("b.mp3", 96), program.TempFile("four", 4),
                                            program.Mp3File("a.mp3", 3)};
    MessageBoxAnswers answers({IDOK});
    program.Drop(paths);
    ASSERT_EQ(answers.texts.size(), 1u);
    EXPECT_EQ(answers.texts[0].rfind("four: ", 0), 0u) << answers.texts[0];
    EXPECT_NE(answers.texts[0].find("\n\nStored 2 of 3 songs, "), std::string::npos) << answers.texts[0];
    EXPECT_EQ(program.Saves(), 2);
    EXPECT_EQ(program.NamesOnPlayer(), (std::vector<std::string>{"b.mp3", "a.mp3"}));
    EXPECT_EQ(program.RowNames(), (std::vector<std::string>{"b.mp3", "a.mp3"}));
    EXPECT_EQ(program.Pane(1), "Songs:2");
}

TEST(Drops, AFailingDropAloneLeavesTheImageAsItWas)
{
    SimulatedProgram program;
    program.WriteDirectory(*DirectoryNamed({"A"}));
    program.Open();
    const auto before = std::make_unique<DirectoryImage>(g_deviceLink.m_image);
    MessageBoxAnswers answers({IDOK});
    program.Drop({program.folder + "\\missing.mp3"});
    ASSERT_EQ(answers.texts.size(), 1u); // the user is told, where this once failed without a word
    EXPECT_EQ(answers.texts[0].rfind("missing.mp3: ", 0), 0u) << answers.texts[0];
    EXPECT_EQ(std::memcmp(before->Bytes(), g_deviceLink.m_image.Bytes(), DirectoryImage::kSize), 0);
    EXPECT_EQ(program.Saves(), 0);
}

TEST(Drops, AFullPlayerRefusesAndSaysSo)
{
    std::vector<std::string> sixty;
    for (int i = 0; i < 60; ++i)
        sixty.push_back("song " + std::to_string(i));
    SimulatedProgram program;
    program.WriteDirectory(*DirectoryNamed(sixty));
    program.Open();
    const auto before = std::make_unique<DirectoryImage>(g_deviceLink.m_image);
    MessageBoxAnswers answers({IDOK});
    program.Drop({program.Mp3File("more.mp3", 3)});
    EXPECT_EQ(answers.texts, std::vector<std::string>{"This file does not fit on the player:\n  more.mp3 (0.0 MB)\n"
                                                      "1 song more than the 60 a player holds.\n\nNothing was stored."});
    EXPECT_EQ(std::memcmp(before->Bytes(), g_deviceLink.m_image.Bytes(), DirectoryImage::kSize), 0);
    EXPECT_EQ(program.Saves(), 0);
}

struct Editing : ::testing::Test {
    void SetUp() override
    {
        program.WriteDirectory(*DirectoryNamed({"A", "B"}));
        program.Open();
    }
    HWND Edit(int row) { return program.List().EditLabel(row); }
    SimulatedProgram program;
};

TEST_F(Editing, ALongNameIsStoredCutAndShownWhole)
{
    const std::string typed(150, 'n');
    HWND edit = Edit(0);
    ASSERT_NE(edit, nullptr);
    SetWindowTextA(edit, typed.c_str());
    SendMessage(edit, WM_KEYDOWN, VK_RETURN, 0);
    PumpFor(20);
    EXPECT_EQ(program.RowNames()[0], typed);
    EXPECT_EQ(program.Saves(), 1);
    EXPECT_EQ(program.NamesOnPlayer()[0], std::string(99, 'n'));
    Command(program, ID_REFRESH_DIRECTORY);
    EXPECT_EQ(program.RowNames()[0], std::string(99, 'n'));
}

// A key as the message loop gets it, with a modifier held down.
void PressWith(UINT modifier, HWND hWnd, UINT key)
{
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[modifier] = 0x80;
    SetKeyboardState(keys);
    const LPARAM scan = LPARAM(MapVirtualKeyA(key, MAPVK_VK_TO_VSC)) << 16;
    if (modifier == VK_MENU)
        PostMessage(hWnd, WM_SYSKEYDOWN, key, 1 | scan | (1 << 29));
    else
        PostMessage(hWnd, WM_KEYDOWN, key, 1 | scan);
    PumpFor(20);
    keys[modifier] = 0;
    SetKeyboardState(keys);
}

void PutOnClipboard(const char* text)
{
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, strlen(text) + 1);
    std::memcpy(GlobalLock(memory), text, strlen(text) + 1);
    GlobalUnlock(memory);
    SetClipboardData(CF_TEXT, memory);
    CloseClipboard();
}

std::string TextOf(HWND hWnd)
{
    char text[256] = {};
    GetWindowTextA(hWnd, text, sizeof text);
    return text;
}

TEST_F(Editing, TheClipboardKeysWorkInTheNameAndAreCommandsElsewhere)
{
    HWND edit = Edit(0);
    ASSERT_NE(edit, nullptr);
    ASSERT_EQ(GetFocus(), edit);
    PutOnClipboard("pasted");
    SendMessage(edit, EM_SETSEL, 0, -1);
    PressWith(VK_CONTROL, edit, 'V');
    EXPECT_EQ(TextOf(edit), "pasted");
    SendMessage(edit, EM_SETSEL, 0, 3);
    PressWith(VK_SHIFT, edit, VK_DELETE);
    EXPECT_EQ(TextOf(edit), "ted");
    PressWith(VK_CONTROL, edit, 'Z');
    EXPECT_EQ(TextOf(edit), "pasted");
    SendMessage(edit, WM_KEYDOWN, VK_RETURN, 0);
    PumpFor(20);
    EXPECT_EQ(program.NamesOnPlayer()[0], "pasted");

    // On the list itself the same keys are still the frame's accelerators.
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    MSG onList = {program.view->m_hWnd, WM_KEYDOWN, 'V', 1, 0, {0, 0}};
    EXPECT_TRUE(TheTestApp().PreTranslateMessage(&onList));
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
}

// The window writes its code page (1252 under Wine here); the tool reads it.
// A name it shows with characters its code page lacks keeps its bytes
// through an edit that changes nothing.
TEST(EditingNames, TheWindowWritesItsCodePageAndKeepsWhatItCannotShow)
{
    SimulatedProgram program;
    const Utf8SongNames tool;
    const std::string nihon = "\xE6\x97\xA5\xE6\x9C\xAC";
    program.WriteDirectory(*DirectoryNamed({tool.Stored("Caf\xC3\xA9"), tool.Stored(nihon)}));
    program.Open();
    ASSERT_EQ(GetACP(), 1252u);
    EXPECT_EQ(program.RowNames(), (std::vector<std::string>{"Caf\xE9", "??"}));

    HWND edit = program.List().EditLabel(1);
    ASSERT_NE(edit, nullptr);
    SendMessage(edit, WM_KEYDOWN, VK_RETURN, 0);
    PumpFor(20);
    edit = program.List().EditLabel(0);
    ASSERT_NE(edit, nullptr);
    SetWindowTextA(edit, "Se\xF1or");
    SendMessage(edit, WM_KEYDOWN, VK_RETURN, 0);
    PumpFor(20);
    const std::vector<std::string> stored = program.NamesOnPlayer();
    EXPECT_EQ(stored, (std::vector<std::string>{"Se\xF1or", nihon}));
    EXPECT_EQ(tool.Shown(stored[0]), "Se\xC3\xB1or");
}

TEST_F(Editing, EmptyOrCancelledEditsAreRefused)
{
    HWND edit = Edit(1);
    ASSERT_NE(edit, nullptr);
    SetWindowTextA(edit, "");
    SendMessage(edit, WM_KEYDOWN, VK_RETURN, 0);
    PumpFor(20);
    edit = Edit(1);
    SetWindowTextA(edit, "typed, then cancelled");
    SendMessage(edit, WM_KEYDOWN, VK_ESCAPE, 0);
    PumpFor(20);
    EXPECT_EQ(program.RowNames()[1], "B");
    EXPECT_EQ(program.Saves(), 0);
    EXPECT_EQ(program.NamesOnPlayer()[1], "B");
}

// Drags with the mouse: press on a row, move past the drag distance, move to
// the target, release there.
struct Dragging : ::testing::Test {
    void Open(const std::vector<std::string>& names)
    {
        program.WriteDirectory(*DirectoryNamed(names));
        program.Open();
    }
    POINT RowPoint(int row)
    {
        RECT r = {};
        program.List().GetItemRect(row, &r, LVIR_BOUNDS);
        return POINT{r.left + 40, r.top + 1};
    }
    POINT BelowTheRows()
    {
        RECT r = {};
        program.List().GetItemRect(program.List().GetItemCount() - 1, &r, LVIR_BOUNDS);
        return POINT{r.left + 40, r.bottom + 30};
    }
    void StartDrag(POINT from, POINT to)
    {
        HWND list = program.view->m_hWnd;
        SendMessage(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.x, from.y));
        SendMessage(list, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(from.x + 20, from.y + 20));
        ASSERT_TRUE(program.view->m_bDragActive) << "the list did not start a drag";
        SendMessage(list, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(to.x, to.y));
    }
    void Drag(POINT from, POINT to)
    {
        StartDrag(from, to);
        SendMessage(program.view->m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(to.x, to.y));
        PumpFor(20);
    }
    void Drag(int row, POINT to) { Drag(RowPoint(row), to); }
    SimulatedProgram program;
};

TEST_F(Dragging, TheFiveSongTable)
{
    struct Case {
        int dragged;
        int ontoRow; // -1: below the last row
        const char* order;
    };
    const Case cases[] = {{0, 3, "BCADE"}, {4, 1, "EABCD"}, {3, 0, "DABCE"}, {2, 2, "ACBDE"},
                          {2, 3, "ABCDE"}, {1, -1, "ACDEB"}, {0, 0, "ABCDE"}};
    Open({"A", "B", "C", "D", "E"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.order);
        program.WriteDirectory(*DirectoryNamed({"A", "B", "C", "D", "E"}));
        Command(program, ID_REFRESH_DIRECTORY);
        program.Saves();
        Drag(c.dragged, c.ontoRow < 0 ? BelowTheRows() : RowPoint(c.ontoRow));
        const bool moved = std::string(c.order) != "ABCDE";
        EXPECT_EQ(program.Saves(), moved ? 1 : 0);
        EXPECT_EQ(Joined(program.RowNames()), c.order);
        EXPECT_EQ(Joined(program.NamesOnPlayer()), c.order);
    }
}

TEST_F(Dragging, AReleaseOverTheHeaderOrOutsideChangesNothing)
{
    Open({"A", "B", "C"});
    RECT header = {};
    GetWindowRect(program.List().GetHeaderCtrl(), &header);
    POINT onHeader = {header.left + 50, (header.top + header.bottom) / 2};
    ScreenToClient(program.view->m_hWnd, &onHeader);
    Drag(0, onHeader);
    const RECT frame = program.frame->GetWindowRect();
    POINT outside = {frame.right + 40, frame.top + 100};
    ScreenToClient(program.view->m_hWnd, &outside);
    Drag(0, outside);
    EXPECT_EQ(program.Saves(), 0);
    EXPECT_EQ(Joined(program.RowNames()), "ABC");
    EXPECT_FALSE(program.view->m_bDragActive);
}

// The columns are wider than a narrow window, and a header click widens
// one more: scrolled right, the middle of the names lies off to the left.
TEST_F(Dragging, ScrolledSidewaysTheSongLandsOnTheRowDroppedOn)
{
    Open({"A", "B", "C", "D", "E"});
    SetWindowPos(program.frame->m_hWnd, nullptr, 0, 0, 420, 500, SWP_NOMOVE | SWP_NOZORDER);
    program.List().SetColumnWidth(0, 300);
    program.List().SendMessage(LVM_SCROLL, 200, 0);
    RECT name = {};
    program.List().GetItemRect(0, &name, LVIR_LABEL);
    ASSERT_LT((name.left + name.right) / 2, 0);
    ASSERT_GT(name.right, 30);
    const auto at = [&](int row) { return POINT{name.right - 10, RowPoint(row).y}; };
    Drag(at(0), at(3));
    EXPECT_EQ(program.Saves(), 1);
    EXPECT_EQ(Joined(program.RowNames()), "BCADE");
    EXPECT_EQ(Joined(program.NamesOnPlayer()), "BCADE");
}

TEST_F(Dragging, ADragGivenUpEndsThereAndMovesNothing)
{
    Open({"A", "B", "C"});
    HWND list = program.view->m_hWnd;
    const POINT to = RowPoint(2);
    enum Way { kEscape, kCancelMode, kCaptureLost };
    for (Way way : {kEscape, kCancelMode, kCaptureLost}) {
        SCOPED_TRACE(way);
        StartDrag(RowPoint(0), to);
        if (way == kEscape)
            SendMessage(list, WM_KEYDOWN, VK_ESCAPE, 0);
        else if (way == kCancelMode)
            SendMessage(list, WM_CANCELMODE, 0, 0);
        else
            SetCapture(program.frame->m_hWnd); // a pop-up or another program takes the mouse
        EXPECT_FALSE(program.view->m_bDragActive);
        EXPECT_NE(GetCapture(), list);
        ReleaseCapture();
        SendMessage(list, WM_LBUTTONUP, 0, MAKELPARAM(to.x, to.y));
        PumpFor(20);
    }
    EXPECT_EQ(program.Saves(), 0);
    EXPECT_EQ(Joined(program.RowNames()), "ABC");
}

TEST(FileCommands, RemoveAndDownloadNeedASelectedRow)
{
    SimulatedProgram program;
    program.WriteDirectory(*DirectoryNamed({"A", "B"}));
    program.Open();
    EXPECT_FALSE(ButtonEnabled(program, ID_REMOVE_FILE));
    EXPECT_FALSE(ButtonEnabled(program, ID_DOWNLOAD_FILE));
    EXPECT_TRUE(ButtonEnabled(program, ID_REFRESH_DIRECTORY));
    EXPECT_TRUE(ButtonEnabled(program, ID_INITIALIZE_RIO));
    EXPECT_TRUE(ButtonEnabled(program, ID_UPLOAD_FILE));
    Select(program, 1);
    EXPECT_TRUE(ButtonEnabled(program, ID_REMOVE_FILE));
    EXPECT_TRUE(ButtonEnabled(program, ID_DOWNLOAD_FILE));
}

TEST(FileCommands, ConfirmationsAnsweredNoChangeNothing)
{
    SimulatedProgram program;
    program.WriteDirectory(*DirectoryNamed({"A", "B"}));
    program.Open();
    Select(program, 0);
    MessageBoxAnswers answers({IDNO, IDNO});
    Command(program, ID_REMOVE_FILE);
    Command(program, ID_INITIALIZE_RIO);
    ASSERT_EQ(answers.texts.size(), 2u);
    EXPECT_EQ(answers.texts[0], "WARNING! You are going to remove\nselected song from Rio memory.\n"
                                "Are you sure you want to proceed?");
    EXPECT_EQ(answers.texts[1], "WARNING! You are going to format Rio memory.\nAll songs on Rio will be erased.\n"
                                "Are you sure you want to proceed?");
    EXPECT_EQ(answers.captions[0], "Mellifon");
    EXPECT_EQ(program.Saves(), 0);
    EXPECT_EQ(Joined(program.NamesOnPlayer()), "AB");
}

// Without a mouse: Delete removes the selected song after the menu's
// question, F2 edits its name, Ctrl+Up and Ctrl+Down move it a place.
TEST(FileCommands, TheKeysOfAFileListWorkOnTheSelectedSong)
{
    SimulatedProgram program;
    program.StoreSongs({"a.mp3", "b.mp3", "c.mp3"}, 40000);
    program.Open();
    const HWND list = program.view->m_hWnd;
    const auto press = [&](UINT key, bool control) {
        BYTE state[256] = {};
        GetKeyboardState(state);
        state[VK_CONTROL] = control ? 0x80 : 0;
        SetKeyboardState(state);
        SendMessage(list, WM_KEYDOWN, key, 0);
        state[VK_CONTROL] = 0;
        SetKeyboardState(state);
    };
    // The frame's focus goes to the list, a row with it: the keys work at once.
    SetFocus(nullptr);
    SetFocus(program.frame->m_hWnd);
    EXPECT_EQ(GetFocus(), list);
    EXPECT_EQ(program.List().GetNextItem(-1, LVNI_FOCUSED), 0);
    Select(program, 0);
    program.Saves();
    press(VK_DOWN, true);
    EXPECT_EQ(program.NamesOnPlayer(), (std::vector<std::string>{"b.mp3", "a.mp3", "c.mp3"}));
    EXPECT_EQ(program.List().GetNextItem(-1, LVNI_SELECTED), 1);
    press(VK_UP, true);
    press(VK_UP, true); // at the top already: nothing moves
    EXPECT_EQ(program.NamesOnPlayer(), (std::vector<std::string>{"a.mp3", "b.mp3", "c.mp3"}));
    EXPECT_EQ(program.Saves(), 2);

    press(VK_F2, false);
    EXPECT_NE(ListView_GetEditControl(list), nullptr);
    SendMessage(ListView_GetEditControl(list), WM_KEYDOWN, VK_ESCAPE, 0);
    PumpFor(20);

    {
        MessageBoxAnswers answers({IDNO});
        press(VK_DELETE, false);
        ASSERT_EQ(answers.texts.size(), 1u);
    }
    EXPECT_EQ(program.NamesOnPlayer().size(), 3u);
    MessageBoxAnswers answers({IDYES});
    press(VK_DELETE, false);
    EXPECT_EQ(program.NamesOnPlayer(), (std::vector<std::string>{"b.mp3", "c.mp3"}));
}

TEST(FileCommands, RemoveInitializeAndDownloadWhenConfirmed)
{
    SimulatedProgram program;
    program.StoreSongs({"first.mp3", "second.mp3"}, 40000);
    program.Open();

    // Where the Save As box said: the status bar tells where the song went,
    // and the folder is remembered for the next box.
    const std::string target = program.folder + "\\kept\\second.mp3";
    std::filesystem::create_directories(program.folder + "\\kept");
    Select(program, 1);
    program.view->DownloadTo(target);
    EXPECT_EQ(std::filesystem::file_size(target), 40000u);
    EXPECT_EQ(program.Pane(0), "Downloaded to " + target);
    EXPECT_EQ(TheTestApp().GetProfileString("Settings", "DownloadFolder"), program.folder + "\\kept");
    {
        // Never over a file unasked: the question names the folder; No keeps
        // the file and writes the song beside it.
        std::filesystem::resize_file(target, 10);
        MessageBoxAnswers answers({IDNO});
        program.view->DownloadTo(target);
        ASSERT_GE(answers.texts.size(), 1u);
        EXPECT_NE(answers.texts[0].find("exists already. Replace it?"), std::string::npos) << answers.texts[0];
        EXPECT_NE(answers.texts[0].find(program.folder + "\\kept"), std::string::npos) << answers.texts[0];
        EXPECT_EQ(std::filesystem::file_size(target), 10u);
        EXPECT_EQ(std::filesystem::file_size(program.folder + "\\kept\\second (2).mp3"), 40000u);
        EXPECT_EQ(program.Pane(0), "Downloaded to " + program.folder + "\\kept\\second (2).mp3");
    }

    MessageBoxAnswers answers({IDYES, IDYES});
    Select(program, 0);
    Command(program, ID_REMOVE_FILE);
    EXPECT_EQ(program.RowNames(), std::vector<std::string>{"second.mp3"});
    EXPECT_EQ(program.NamesOnPlayer(), std::vector<std::string>{"second.mp3"});
    Command(program, ID_INITIALIZE_RIO);
    EXPECT_TRUE(program.RowNames().empty());
    EXPECT_EQ(program.Pane(3), "Free:33,554,432");
}

} // namespace
