// The main frame built from the program's resources: its bars, panes and
// menu, the placement it keeps, and what a failed creation step does.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "WindowTestSupport.h"

#include <commctrl.h>

#include "frame/MainFrame.h"
#include "frame/PlacementText.h"

namespace {

struct MainFrameTest : ::testing::Test {
    void SetUp() override { TheTestApp().ClearProfile(); }
    void TearDown() override
    {
        if (frame)
            Close();
    }

    CMainFrame* Make(UINT memoryBarTemplate = IDR_MAINFRAME, UINT toolBarResource = IDR_MAINFRAME)
    {
        auto* f = new CMainFrame;
        f->m_nMemoryBarTemplate = memoryBarTemplate;
        f->m_nToolBarResource = toolBarResource;
        if (!f->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW, nullptr, nullptr)) {
            EXPECT_EQ(f->m_hWnd, nullptr);
            delete f;
            return nullptr;
        }
        f->ShowWindow(SW_SHOW);
        f->RecalcLayout();
        TheTestApp().m_pMainWnd = f;
        frame = f;
        return f;
    }
    void Close()
    {
        frame->SendMessage(WM_CLOSE);
        frame = nullptr;
        DropQuitMessage();
    }
    std::string Saved() { return TheTestApp().GetProfileString("WindowsPos", "Main"); }

    CMainFrame* frame = nullptr;
};

TEST_F(MainFrameTest, BarsBandsAndPanesAreMadeAsTheFrameDescribes)
{
    CMainFrame* f = Make();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->GetWindowText(), "Quorl");

    EXPECT_EQ(f->m_toolBar.GetDlgCtrlID(), 59392u);
    EXPECT_EQ(f->m_statusBar.GetDlgCtrlID(), 59393u);
    EXPECT_EQ(f->m_reBar.GetDlgCtrlID(), 59396u);
    EXPECT_EQ(f->m_memoryBar.GetDlgCtrlID(), 59397u);

    ASSERT_EQ(f->m_reBar.GetBandCount(), 2);
    const HWND expected[] = {f->m_memoryBar.m_hWnd, f->m_toolBar.m_hWnd};
    for (int band = 0; band < 2; ++band) {
        REBARBANDINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = RBBIM_CHILD | RBBIM_STYLE;
        ASSERT_TRUE(f->m_reBar.SendMessage(RB_GETBANDINFOA, band, reinterpret_cast<LPARAM>(&info)));
        EXPECT_EQ(info.hwndChild, expected[band]) << band;
        EXPECT_TRUE(info.fStyle & RBBS_GRIPPERALWAYS);
    }

    HWND combo = f->m_memoryBar.GetDlgItem(IDC_MEMORY_COMBO);
    EXPECT_EQ(SendMessage(combo, CB_GETCOUNT, 0, 0), 1);
    EXPECT_EQ(SendMessage(combo, CB_GETCURSEL, 0, 0), 0);
    char text[64] = {};
    GetWindowTextA(combo, text, sizeof text);
    EXPECT_STREQ(text, "Internal memory");
    EXPECT_EQ(f->m_memoryBar.m_nMemoryIndex, 0);

    const UINT buttons[] = {32774, 32776, 32777, 32775, 32778, 57664};
    ASSERT_EQ(f->m_toolBar.GetCount(), 6);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(f->m_toolBar.GetItemID(i), buttons[i]);
    EXPECT_TRUE(f->m_toolBar.GetBarStyle() & CBRS_TOOLTIPS);
    EXPECT_TRUE(f->m_toolBar.GetBarStyle() & CBRS_FLYBY);

    struct Pane {
        UINT id, style;
        int width;
    };
    const Pane panes[] = {{0, SBPS_STRETCH, 0}, {200, SBPS_NORMAL, 50}, {201, SBPS_NORMAL, 100},
                          {202, SBPS_NORMAL, 85}, {203, SBPS_NORMAL, 85}};
    ASSERT_EQ(f->m_statusBar.GetCount(), 5);
    for (int i = 0; i < 5; ++i) {
        UINT id, style;
        int width;
        f->m_statusBar.GetPaneInfo(i, id, style, width);
        EXPECT_EQ(id, panes[i].id) << i;
        EXPECT_EQ(style, panes[i].style) << i;
        if (i > 0) {
            EXPECT_EQ(width, panes[i].width) << i;
        }
    }
    // The stretching pane takes what the others leave.
    const RECT bar = f->m_statusBar.GetClientRect();
    const RECT first = f->m_statusBar.GetItemRect(0);
    EXPECT_GT(first.right - first.left, bar.right - 50 - 100 - 85 - 85 - 60);
}

// A menu that names a key the program ignores says something untrue: every
// "Ctrl+K" after a menu item's tab runs that item's command, but Exit's
// Ctrl+X, which stays Cut's.
TEST_F(MainFrameTest, EveryKeyTheMenuNamesRunsItsCommand)
{
    CMainFrame* f = Make();
    ASSERT_NE(f, nullptr);
    std::vector<ACCEL> keys(size_t(CopyAcceleratorTable(f->m_hAccelTable, nullptr, 0)));
    CopyAcceleratorTable(f->m_hAccelTable, keys.data(), int(keys.size()));
    const HMENU bar = ::GetMenu(f->m_hWnd);
    int named = 0;
    for (int top = 0; top < GetMenuItemCount(bar); ++top) {
        const HMENU menu = GetSubMenu(bar, top);
        for (int item = 0; menu && item < GetMenuItemCount(menu); ++item) {
            char text[128] = {};
            GetMenuStringA(menu, UINT(item), text, sizeof text, MF_BYPOSITION);
            const std::string label = text;
            const size_t ctrl = label.find("\tCtrl+");
            const UINT id = GetMenuItemID(menu, item);
            if (ctrl == std::string::npos || label.size() != ctrl + 7 || id == ID_APP_EXIT)
                continue;
            ++named;
            const WORD key = WORD(label.back());
            const bool bound = std::any_of(keys.begin(), keys.end(), [&](const ACCEL& a) {
                return a.key == key && a.cmd == id && (a.fVirt & FCONTROL) && !(a.fVirt & (FSHIFT | FALT));
            });
            EXPECT_TRUE(bound) << label;
        }
    }
    EXPECT_EQ(named, 5); // Upload, Download, Initialize, Remove, Undo
}

TEST_F(MainFrameTest, TheLayoutPutsTheRebarOnTopAndTheStatusBarBelow)
{
    CMainFrame* f = Make();
    ASSERT_NE(f, nullptr);
    const RECT client = f->GetClientRect();
    RECT rebar = f->m_reBar.GetWindowRect(), status = f->m_statusBar.GetWindowRect();
    MapWindowPoints(nullptr, f->m_hWnd, reinterpret_cast<POINT*>(&rebar), 2);
    MapWindowPoints(nullptr, f->m_hWnd, reinterpret_cast<POINT*>(&status), 2);
    EXPECT_EQ(rebar.top, 0);
    EXPECT_EQ(rebar.right - rebar.left, client.right);
    EXPECT_GE(rebar.bottom - rebar.top, 21);
    EXPECT_EQ(status.bottom, client.bottom);

    // Hiding the status bar through its menu command gives its room back.
    f->SendMessage(WM_COMMAND, ID_VIEW_STATUS_BAR);
    EXPECT_FALSE(f->m_statusBar.IsWindowVisible());
    f->SendMessage(WM_COMMAND, ID_VIEW_STATUS_BAR);
    EXPECT_TRUE(f->m_statusBar.IsWindowVisible());
}

TEST_F(MainFrameTest, AFailingCreationStepFailsTheWindow)
{
    EXPECT_EQ(Make(999, IDR_MAINFRAME), nullptr); // no memory bar template
    EXPECT_EQ(Make(IDR_MAINFRAME, 999), nullptr); // no toolbar resource
    ASSERT_NE(Make(), nullptr);
}

TEST_F(MainFrameTest, AMaximizedWindowIsSavedAndOpensAtItsNormalRectangle)
{
    CMainFrame* f = Make();
    ASSERT_NE(f, nullptr);
    SetWindowPos(f->m_hWnd, nullptr, 40, 50, 500, 300, SWP_NOZORDER);
    f->ShowWindow(SW_MAXIMIZE);
    Close();

    PlacementNumbers saved;
    ASSERT_TRUE(ParsePlacementText(Saved(), &saved)) << Saved();
    EXPECT_EQ(saved.flags, 2u);
    EXPECT_EQ(saved.showCommand, 3u);
    EXPECT_EQ(saved.left, 40);
    EXPECT_EQ(saved.top, 50);
    EXPECT_EQ(saved.right, 540);
    EXPECT_EQ(saved.bottom, 350);

    f = Make();
    ASSERT_NE(f, nullptr);
    EXPECT_FALSE(IsZoomed(f->m_hWnd));
    const RECT r = f->GetWindowRect();
    EXPECT_EQ(r.left, 40);
    EXPECT_EQ(r.top, 50);
    EXPECT_EQ(r.right, 540);
    EXPECT_EQ(r.bottom, 350);
}

TEST_F(MainFrameTest, AMinimizedWindowSavesNothing)
{
    CMainFrame* f = Make();
    ASSERT_NE(f, nullptr);
    f->ShowWindow(SW_MINIMIZE);
    Close();
    EXPECT_EQ(Saved(), "");

    TheTestApp().WriteProfileString("WindowsPos", "Main", "0,1,-1,-1,-1,-1,10,20,310,220");
    f = Make();
    f->ShowWindow(SW_MINIMIZE);
    Close();
    EXPECT_EQ(Saved(), "0,1,-1,-1,-1,-1,10,20,310,220");
}

TEST_F(MainFrameTest, AMalformedPlacementLeavesTheDefaultPosition)
{
    WINDOWPLACEMENT placement = {};
    for (const char* text : {"", "1,2,3", "0,1,-1,-1,-1,-1,10,20,310,x", "a,1,-1,-1,-1,-1,10,20,310,220"}) {
        TheTestApp().WriteProfileString("WindowsPos", "Main", text);
        EXPECT_FALSE(CMainFrame::LoadWindowPlacement(placement)) << text;
    }
    TheTestApp().WriteProfileString("WindowsPos", "Main", "0,1,-1,-1,-1,-1,10,20,310,x");
    CMainFrame* f = Make();
    ASSERT_NE(f, nullptr);
    const RECT r = f->GetWindowRect();
    EXPECT_FALSE(r.left == 10 && r.top == 20);

    TheTestApp().WriteProfileString("WindowsPos", "Main", "0,1,-1,-1,-1,-1,10,20,310,220");
    ASSERT_TRUE(CMainFrame::LoadWindowPlacement(placement));
    EXPECT_EQ(placement.length, 44u);
    EXPECT_EQ(placement.rcNormalPosition.bottom, 220);
}

} // namespace
