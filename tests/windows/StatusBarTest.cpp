// The status bar's progress control, its prompts for menu items and toolbar
// buttons, and the command state that reaches buttons and menu items.

#include <gtest/gtest.h>

#include "WindowTestSupport.h"

#include <commctrl.h>

#include "frame/MainFrame.h"
#include "framework/CmdUI.h"

namespace {

// A frame with handlers for two commands, one of them switched off.
class CommandFrame : public CMainFrame {
    DECLARE_MESSAGE_MAP()

public:
    bool removeEnabled = false;
    int uploads = 0;

protected:
    void OnUpload() { ++uploads; }
    void OnRemove() {}
    void OnUpdateRemove(CCmdUI* ui) { ui->Enable(removeEnabled); }
};

BEGIN_MESSAGE_MAP(CommandFrame, CMainFrame)
    ON_COMMAND(ID_UPLOAD_FILE, OnUpload)
    ON_COMMAND(ID_REMOVE_FILE, OnRemove)
    ON_UPDATE_COMMAND_UI(ID_REMOVE_FILE, OnUpdateRemove)
END_MESSAGE_MAP()

struct StatusBarTest : ::testing::Test {
    void SetUp() override
    {
        TheTestApp().ClearProfile();
        frame = new CommandFrame;
        ASSERT_TRUE(frame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW, nullptr, nullptr));
        SetWindowPos(frame->m_hWnd, nullptr, 0, 0, 700, 400, SWP_NOZORDER);
        frame->ShowWindow(SW_SHOW);
        TheTestApp().m_pMainWnd = frame;
        PumpFor(50);
    }
    void TearDown() override
    {
        frame->SendMessage(WM_CLOSE);
        DropQuitMessage();
    }
    CProgressStatusBar& Bar() { return frame->m_statusBar; }
    RECT ProgressInBar()
    {
        RECT r = Bar().m_progress.GetWindowRect();
        MapWindowPoints(nullptr, Bar().m_hWnd, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    bool MenuItemGrayed(UINT id)
    {
        HMENU file = GetSubMenu(GetMenu(frame->m_hWnd), 0);
        frame->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), 0);
        return (GetMenuState(file, id, MF_BYCOMMAND) & MF_GRAYED) != 0;
    }

    CommandFrame* frame = nullptr;
};

TEST_F(StatusBarTest, ProgressShowsOverPaneZeroAndKeepsItsRange)
{
    EXPECT_FALSE(Bar().m_progress.IsWindowVisible());
    EXPECT_EQ(Bar().m_progress.GetDlgCtrlID(), 2004u);
    Bar().ShowProgress(-1, -1); // never shown: stays hidden
    EXPECT_FALSE(Bar().m_progress.IsWindowVisible());

    Bar().ShowProgress(3, 64);
    EXPECT_TRUE(Bar().m_progress.IsWindowVisible());
    Bar().ShowProgress(5, 0);
    int low, high;
    Bar().m_progress.GetRange(low, high);
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, 64);
    EXPECT_EQ(Bar().m_progress.GetPos(), 5);

    SetWindowPos(frame->m_hWnd, nullptr, 0, 0, 900, 500, SWP_NOZORDER | SWP_NOMOVE);
    PumpFor(20);
    const RECT pane = Bar().GetItemRect(0);
    const RECT control = ProgressInBar();
    EXPECT_EQ(control.left, pane.left);
    EXPECT_EQ(control.top, pane.top);
    EXPECT_EQ(control.right, pane.right);
    EXPECT_EQ(control.bottom, pane.bottom);
    EXPECT_GT(pane.right - pane.left, 500);

    Bar().ShowProgress(-1, -1);
    EXPECT_FALSE(Bar().m_progress.IsWindowVisible());
}

// The size grip is drawn over whatever reaches the bar's right edge.
TEST_F(StatusBarTest, TheLastPaneEndsBeforeTheSizeGrip)
{
    const RECT bar = Bar().GetClientRect();
    const RECT last = Bar().GetItemRect(Bar().GetCount() - 1);
    EXPECT_LE(last.right, bar.right - GetSystemMetrics(SM_CXVSCROLL));
    UINT id = 0, style = 0;
    int width = 0;
    Bar().GetPaneInfo(4, id, style, width);
    EXPECT_GE(last.right - last.left, width);
}

TEST_F(StatusBarTest, PaneStringsShowAtOnce)
{
    Bar().SetPaneString("Songs:7", 1);
    EXPECT_EQ(Bar().GetPaneText(1), "Songs:7");
    char text[64] = {};
    Bar().SendMessage(SB_GETTEXTA, 1, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, "Songs:7");
    // A closing line the message pane cuts short is whole in its tooltip.
    const std::string closing = "Synced: 12 songs on Rio (8 kept, 4 added, 4 removed), 11.3 MB free; 1 not added";
    Bar().SetPaneString(closing, 0);
    char tip[128] = {};
    Bar().SendMessage(SB_GETTIPTEXTA, MAKEWPARAM(0, sizeof tip), reinterpret_cast<LPARAM>(tip));
    EXPECT_EQ(tip, closing);
}

// With large fonts a figure's pane widens to its text; at the usual ones it
// keeps its usual width.
TEST_F(StatusBarTest, AFigurePaneFitsItsTextInAnyFont)
{
    UINT id = 0, style = 0;
    int usual = 0, width = 0;
    Bar().GetPaneInfo(2, id, style, usual);
    Bar().SetPaneString("Memory:33,554,432", 2);
    Bar().GetPaneInfo(2, id, style, width);
    EXPECT_EQ(width, usual);
    HFONT large = CreateFontA(-20, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Tahoma");
    Bar().SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(large), TRUE);
    Bar().SetPaneString("Memory:33,554,432", 2);
    Bar().GetPaneInfo(2, id, style, width);
    EXPECT_GE(width, Bar().TextWidth("Memory:33,554,432"));
    EXPECT_GT(width, usual);
    const RECT pane = Bar().GetItemRect(2);
    EXPECT_GE(pane.right - pane.left, Bar().TextWidth("Memory:33,554,432"));
    Bar().SendMessage(WM_SETFONT, 0, FALSE);
    DeleteObject(large);
}

TEST_F(StatusBarTest, AHighlightedMenuItemShowsItsPromptUntilTheMenuCloses)
{
    HMENU file = GetSubMenu(GetMenu(frame->m_hWnd), 0);
    frame->SendMessage(WM_MENUSELECT, MAKEWPARAM(ID_UPLOAD_FILE, MF_STRING), reinterpret_cast<LPARAM>(file));
    EXPECT_EQ(Bar().GetPaneText(0), "Upload file to Rio");
    frame->SendMessage(WM_MENUSELECT, MAKEWPARAM(ID_APP_EXIT, MF_STRING), reinterpret_cast<LPARAM>(file));
    EXPECT_EQ(Bar().GetPaneText(0), "Quit the application; prompts to save documents");
    frame->SendMessage(WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    EXPECT_EQ(Bar().GetPaneText(0), "Ready");
}

TEST_F(StatusBarTest, ToolbarButtonsShowPromptsAndTooltips)
{
    // The pointer comes to rest on the Upload button, then leaves the bar.
    RECT button = {};
    const int index = int(frame->m_toolBar.SendMessage(TB_COMMANDTOINDEX, ID_UPLOAD_FILE));
    frame->m_toolBar.SendMessage(TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&button));
    frame->m_toolBar.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM((button.left + button.right) / 2, (button.top + button.bottom) / 2));
    EXPECT_EQ(Bar().GetPaneText(0), "Upload file to Rio");
    frame->m_toolBar.SendMessage(WM_MOUSELEAVE);
    frame->OnIdleUpdateCmdUI();
    EXPECT_EQ(Bar().GetPaneText(0), "Ready");

    NMTTDISPINFOA tip = {};
    tip.hdr.hwndFrom = reinterpret_cast<HWND>(frame->m_toolBar.SendMessage(TB_GETTOOLTIPS));
    tip.hdr.idFrom = ID_REMOVE_FILE;
    tip.hdr.code = TTN_GETDISPINFOA;
    ASSERT_NE(tip.hdr.hwndFrom, nullptr);
    frame->SendMessage(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&tip));
    EXPECT_STREQ(tip.lpszText, "Remove file from Rio");
    tip.hdr.idFrom = ID_APP_ABOUT;
    frame->SendMessage(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&tip));
    EXPECT_STREQ(tip.lpszText, "About");
}

TEST_F(StatusBarTest, UpdateHandlersReachToolbarButtonsAndMenuItems)
{
    frame->OnIdleUpdateCmdUI();
    EXPECT_FALSE(frame->m_toolBar.SendMessage(TB_ISBUTTONENABLED, ID_REMOVE_FILE));
    EXPECT_TRUE(frame->m_toolBar.SendMessage(TB_ISBUTTONENABLED, ID_UPLOAD_FILE));
    EXPECT_FALSE(frame->m_toolBar.SendMessage(TB_ISBUTTONENABLED, ID_DOWNLOAD_FILE)); // no handler
    EXPECT_TRUE(MenuItemGrayed(ID_REMOVE_FILE));
    EXPECT_FALSE(MenuItemGrayed(ID_UPLOAD_FILE));
    EXPECT_TRUE(MenuItemGrayed(ID_DOWNLOAD_FILE));
    EXPECT_FALSE(MenuItemGrayed(ID_APP_EXIT)); // the application handles it

    frame->removeEnabled = true;
    frame->OnIdleUpdateCmdUI();
    EXPECT_TRUE(frame->m_toolBar.SendMessage(TB_ISBUTTONENABLED, ID_REMOVE_FILE));
    EXPECT_FALSE(MenuItemGrayed(ID_REMOVE_FILE));

    // A click on a button is the command.
    frame->m_toolBar.SendMessage(TB_PRESSBUTTON, ID_UPLOAD_FILE, TRUE);
    frame->SendMessage(WM_COMMAND, MAKEWPARAM(ID_UPLOAD_FILE, BN_CLICKED),
                       reinterpret_cast<LPARAM>(frame->m_toolBar.m_hWnd));
    EXPECT_EQ(frame->uploads, 1);
}

TEST_F(StatusBarTest, TheStatusBarMenuItemIsCheckedWhileTheBarShows)
{
    HMENU view = GetSubMenu(GetMenu(frame->m_hWnd), 2); // File, Edit, View
    frame->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(view), 2);
    EXPECT_TRUE(GetMenuState(view, ID_VIEW_STATUS_BAR, MF_BYCOMMAND) & MF_CHECKED);
    frame->SendMessage(WM_COMMAND, ID_VIEW_STATUS_BAR);
    frame->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(view), 2);
    EXPECT_FALSE(GetMenuState(view, ID_VIEW_STATUS_BAR, MF_BYCOMMAND) & MF_CHECKED);
}

} // namespace
