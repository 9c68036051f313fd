// The song list in the window: its columns, its rows from the player, the
// status panes, and what an odd directory on the player gives.

#include <gtest/gtest.h>

#include "SimulatedProgram.h"

#include <commctrl.h>

#include <algorithm>
#include <set>
#include <utility>

#include "framework/SingleDocTemplate.h"
#include "link/DeviceLink.h"
#include "res/resource.h"

namespace {

// A directory of `songs` one-block songs, named "song 1" and on.
std::unique_ptr<DirectoryImage> DirectoryOf(int songs, bool seal = true)
{
    std::vector<std::string> names;
    for (int slot = 0; slot < std::min(songs, 60); ++slot)
        names.push_back("song " + std::to_string(slot + 1));
    return DirectoryNamed(names, songs, seal);
}

std::vector<std::string> Headers(CListCtrl& list)
{
    std::vector<std::string> headers;
    HWND header = list.GetHeaderCtrl();
    int order[8] = {};
    list.GetColumnOrderArray(8, order);
    for (int column : order) {
        char text[64] = {};
        HDITEMA item = {};
        item.mask = HDI_TEXT;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessage(header, HDM_GETITEMA, column, reinterpret_cast<LPARAM>(&item));
        headers.push_back(text);
    }
    return headers;
}

TEST(SongListView, ColumnsRowsAndPanesFromThePlayer)
{
    SimulatedProgram program;
    program.StoreSongs({"first.mp3", "second.mp3", "third.mp3"});
    program.Open();
    CListCtrl& list = program.List();

    EXPECT_EQ(Headers(list), (std::vector<std::string>{"No.", "Name", "Size", "Duration", "Format", "Bitrate",
                                                       "Rate", "Date"}));
    const DWORD style = program.view->GetStyle();
    EXPECT_EQ(style & LVS_TYPEMASK, DWORD(LVS_REPORT));
    EXPECT_TRUE(style & LVS_SINGLESEL);
    EXPECT_TRUE(style & LVS_SHOWSELALWAYS);
    EXPECT_TRUE(style & LVS_EDITLABELS);
    EXPECT_EQ(list.GetColumnWidth(0), 90);
    EXPECT_EQ(list.GetColumnWidth(7), 120);

    EXPECT_EQ(program.RowNames(), (std::vector<std::string>{"first.mp3", "second.mp3", "third.mp3"}));
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(list.GetItemText(row, 1), std::to_string(row + 1));
    EXPECT_EQ(list.GetItemText(0, 2), "1,000");
    EXPECT_EQ(list.GetItemText(0, 4), "MPEG-1 Layer 3");
    EXPECT_EQ(list.GetItemText(0, 5), "128 Kbps");
    EXPECT_EQ(list.GetItemText(0, 6), "44100 Hz");
    EXPECT_EQ(program.Pane(1), "Songs:3");
    EXPECT_EQ(program.Pane(2), "Memory:33,554,432");
    EXPECT_EQ(program.Pane(3), "Free:33,423,360");
    EXPECT_EQ(program.Pane(4), "Used:131,072");
}

TEST(SongListView, AnEmptyPlayerShowsNoRowsAndAllFourPanes)
{
    SimulatedProgram program;
    program.Open();
    EXPECT_EQ(program.List().GetItemCount(), 0);
    EXPECT_EQ(program.Pane(1), "Songs:0");
    EXPECT_EQ(program.Pane(2), "Memory:33,554,432");
    EXPECT_EQ(program.Pane(3), "Free:33,554,432");
    EXPECT_EQ(program.Pane(4), "Used:0");
}

TEST(SongListView, APlayerThatDoesNotAnswerShowsNoFigures)
{
    SimulatedProgram program;
    program.player.Faults().absent = true;
    MessageBoxAnswers answers({IDOK, IDOK});
    program.Open();
    EXPECT_EQ(program.List().GetItemCount(), 0);
    for (int pane = 1; pane <= 4; ++pane)
        EXPECT_EQ(program.Pane(pane).back(), '-') << program.Pane(pane);
}

TEST(SongListView, MoreThanSixtySongsClaimedShowSixtyRows)
{
    SimulatedProgram program;
    program.WriteDirectory(*DirectoryOf(61));
    MessageBoxAnswers answers({IDOK, IDNO});
    program.Open();
    ASSERT_EQ(answers.texts.size(), 2u); // a directory that breaks its rules says so, and offers a rescue
    EXPECT_NE(answers.texts[0].find("It claims 61 songs"), std::string::npos);
    EXPECT_NE(answers.texts[1].find("Rescue the songs now?"), std::string::npos);
    EXPECT_EQ(program.List().GetItemCount(), 60);
    EXPECT_EQ(program.Pane(1), "Songs:61");
    EXPECT_EQ(program.List().GetItemText(59, 1), "60");
}

TEST(SongListView, ABadChecksumIsReportedAndTheEntriesListed)
{
    SimulatedProgram program;
    program.WriteDirectory(*DirectoryOf(2, false));
    MessageBoxAnswers answers({IDOK, IDNO});
    program.Open();
    ASSERT_EQ(answers.texts.size(), 2u);
    EXPECT_EQ(answers.texts[0], "Invalid checksum of directory.\nInitializing is recommended.");
    // Then what is wrong, beside the offer to rescue the songs.
    EXPECT_EQ(answers.texts[1].rfind("What is wrong with the directory on Rio:\n- The header checksum", 0), 0u);
    EXPECT_NE(answers.texts[1].find("Rescue the songs now?"), std::string::npos);
    EXPECT_EQ(answers.captions, std::vector<std::string>(2, "Mellifon"));
    EXPECT_EQ(program.RowNames(), (std::vector<std::string>{"song 1", "song 2"}));
}

TEST(SongListView, AHeaderClickFitsOnlyThatColumn)
{
    SimulatedProgram program;
    program.StoreSongs({"a name much longer than ninety pixels.mp3"});
    program.Open();
    CListCtrl& list = program.List();
    const int fitted = list.GetColumnWidth(0);
    list.SetColumnWidth(0, 40); // as the user may narrow it
    std::vector<int> before;
    for (int column = 0; column < 8; ++column)
        before.push_back(list.GetColumnWidth(column));

    // A real click on the header of the Name column.
    HWND header = list.GetHeaderCtrl();
    RECT item = {};
    SendMessage(header, HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
    const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    SendMessage(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessage(header, WM_LBUTTONUP, 0, at);

    EXPECT_EQ(list.GetColumnWidth(0), fitted);
    for (int column = 1; column < 8; ++column)
        EXPECT_EQ(list.GetColumnWidth(column), before[size_t(column)]) << column;
    EXPECT_EQ(program.RowNames()[0], "a name much longer than ninety pixels.mp3");
}

// The first and one past the last column of dark pixels in a rectangle.
std::pair<int, int> Ink(HDC dc, const RECT& r)
{
    int left = r.right, right = r.left;
    for (int x = r.left; x < r.right; ++x)
        for (int y = r.top; y < r.bottom; ++y)
            if (GetRValue(GetPixel(dc, x, y)) < 100) {
                left = std::min(left, x);
                right = std::max(right, x + 1);
            }
    return {left, right};
}

// The width of the ink of a text drawn whole in the list's font.
int InkWidthOf(CListCtrl& list, const std::string& text)
{
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 200, 30);
    ReleaseDC(nullptr, screen);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(list.SendMessage(WM_GETFONT)));
    RECT all = {0, 0, 200, 30};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    RECT at = {10, 0, 190, 30};
    DrawTextA(dc, text.c_str(), -1, &at, DT_SINGLELINE | DT_VCENTER | DT_NOCLIP);
    const auto ink = Ink(dc, all);
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return ink.second - ink.first;
}

// A column is as wide as its widest text plus the list's margins, and never
// narrower than it starts; a size of seven digits shows whole.
TEST(SongListView, AFillFitsTheColumnsToTheirText)
{
    SimulatedProgram program;
    const std::string name = "A song whose name is longer than the column.mp3";
    program.StoreSongs({name}, 1304000);
    program.Open();
    CListCtrl& list = program.List();
    ASSERT_EQ(list.GetItemText(0, 2), "1,304,000");
    EXPECT_GE(list.GetColumnWidth(0), list.GetStringWidth(name) + 12);
    EXPECT_EQ(list.GetColumnWidth(2), 70);
    EXPECT_EQ(list.GetColumnWidth(7), 120);

    InvalidateRect(list.m_hWnd, nullptr, TRUE);
    list.UpdateWindow();
    RECT cell = {};
    ASSERT_TRUE(list.GetSubItemRect(0, 2, LVIR_BOUNDS, &cell));
    HDC dc = GetDC(list.m_hWnd);
    const auto shown = Ink(dc, cell);
    ReleaseDC(list.m_hWnd, dc);
    EXPECT_EQ(shown.second - shown.first, InkWidthOf(list, "1,304,000"));
    EXPECT_LT(shown.second, cell.right);

    MessageBoxAnswers answers({IDYES});
    program.frame->SendMessage(WM_COMMAND, MAKEWPARAM(ID_INITIALIZE_RIO, 0), 0);
    ASSERT_EQ(list.GetItemCount(), 0);
    const int least[8] = {90, 30, 70, 60, 90, 60, 60, 120};
    for (int column = 0; column < 8; ++column)
        EXPECT_EQ(list.GetColumnWidth(column), least[column]) << column;
}

TEST(SongListView, ANewDocumentFillsAgainAndKeepsTheColumns)
{
    SimulatedProgram program;
    program.StoreSongs({"a.mp3"});
    program.Open();
    program.StoreSongs({"b.mp3"});
    ASSERT_NE(TheTestApp().DocTemplate()->OpenDocumentFile(nullptr), nullptr);
    EXPECT_EQ(program.List().GetColumnCount(), 8);
    EXPECT_EQ(program.RowNames(), (std::vector<std::string>{"a.mp3", "b.mp3"}));
}

// Which windows were told of a colour change.
std::set<HWND>* s_pToldOfColours = nullptr;
LRESULT CALLBACK NoteColourChange(int code, WPARAM wParam, LPARAM lParam)
{
    const auto* sent = reinterpret_cast<CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && sent->message == WM_SYSCOLORCHANGE && s_pToldOfColours)
        s_pToldOfColours->insert(sent->hwnd);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The system tells top-level windows; the controls keep colours of their own
// (the list its background) until they are told too.
TEST(SongListView, AColourSchemeChangeReachesTheListAndTheBars)
{
    SimulatedProgram program;
    program.Open();
    std::set<HWND> told;
    s_pToldOfColours = &told;
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, &NoteColourChange, nullptr, GetCurrentThreadId());
    const int kind = COLOR_WINDOW;
    const COLORREF saved = GetSysColor(kind);
    const COLORREF scheme = saved == RGB(250, 240, 200) ? RGB(200, 240, 250) : RGB(250, 240, 200);
    SetSysColors(1, &kind, &scheme);
    PumpFor(30);
    SetSysColors(1, &kind, &saved);
    UnhookWindowsHookEx(hook);
    s_pToldOfColours = nullptr;

    EXPECT_EQ(told.count(program.frame->m_hWnd), 1u);
    for (HWND child : {program.frame->m_toolBar.m_hWnd, program.frame->m_statusBar.m_hWnd,
                       program.frame->m_reBar.m_hWnd, program.view->m_hWnd})
        EXPECT_EQ(told.count(child), 1u) << ClassNameOf(child);
}

} // namespace

// A selected song is highlighted across its whole row, the right-aligned
// cells the list draws itself among them.
TEST(SongListView, TheSelectionHighlightsTheWholeRow)
{
    SimulatedProgram program;
    program.StoreSongs({"first.mp3", "second.mp3"});
    program.Open();
    CListCtrl& list = program.List();
    EXPECT_TRUE(program.view->SendMessage(LVM_GETEXTENDEDLISTVIEWSTYLE) & LVS_EX_FULLROWSELECT);
    SetFocus(list.m_hWnd);
    list.SetItemState(1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    UpdateWindow(list.m_hWnd);
    RECT size = {};
    ASSERT_TRUE(list.GetSubItemRect(1, 2, LVIR_LABEL, &size));
    HDC dc = GetDC(list.m_hWnd);
    // The cell's left end: before its right-aligned figures.
    const COLORREF shown = GetPixel(dc, size.left + 2, (size.top + size.bottom) / 2);
    ReleaseDC(list.m_hWnd, dc);
    EXPECT_EQ(shown, GetSysColor(COLOR_HIGHLIGHT));
}
