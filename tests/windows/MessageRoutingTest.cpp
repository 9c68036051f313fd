// Message maps chained to the base class, notifications reflected to the
// control that sent them, and command routing.

#include <gtest/gtest.h>

#include "WindowTestSupport.h"

#include <commctrl.h>

#include "framework/Static.h"
#include "framework/Wnd.h"

namespace {

class BaseWindow : public CWnd {
    DECLARE_MESSAGE_MAP()

public:
    int baseTimers = 0, baseSizes = 0;
    int notifications = 0, commands = 0, clicks = 0;

protected:
    void OnTimer(UINT_PTR) { ++baseTimers; }
    void OnSize(UINT, int, int) { ++baseSizes; }
    bool OnColumnClick(NMHDR*, LRESULT& result)
    {
        ++notifications;
        result = 7;
        return true;
    }
    void OnButtonCommand() { ++commands; }
};

BEGIN_MESSAGE_MAP(BaseWindow, CWnd)
    ON_WM_TIMER()
    ON_WM_SIZE()
    ON_NOTIFY(LVN_COLUMNCLICK, 5, OnColumnClick)
    ON_COMMAND(6, OnButtonCommand)
END_MESSAGE_MAP()

// Takes the timer for itself; everything else goes on to the base map.
class DerivedWindow : public BaseWindow {
    DECLARE_MESSAGE_MAP()

public:
    int derivedTimers = 0;

protected:
    bool OnTimer(UINT_PTR id)
    {
        ++derivedTimers;
        return id == 1; // other timers go on to the base map
    }
};

BEGIN_MESSAGE_MAP(DerivedWindow, BaseWindow)
    ON_WM_TIMER()
END_MESSAGE_MAP()

// A control that handles what it sends to its parent.
class ReflectingStatic : public CStatic {
    DECLARE_MESSAGE_MAP()

public:
    int clicked = 0, notified = 0;
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    ~ReflectingStatic() override { DeleteObject(brush); }

protected:
    void OnClicked() { ++clicked; }
    bool OnReflectedNotify(NMHDR*, LRESULT& result)
    {
        ++notified;
        result = 42;
        return true;
    }
    HBRUSH CtlColor(HDC, UINT kind) { return kind == CTLCOLOR_STATIC ? brush : nullptr; }
};

BEGIN_MESSAGE_MAP(ReflectingStatic, CStatic)
    ON_CONTROL_REFLECT(STN_CLICKED, OnClicked)
    ON_NOTIFY_REFLECT(NM_CLICK, OnReflectedNotify)
    ON_WM_CTLCOLOR_REFLECT(CtlColor)
END_MESSAGE_MAP()

struct Windows : ::testing::Test {
    void SetUp() override
    {
        TheTestApp();
        const char* own = CWnd::RegisterOwnClass(0);
        ASSERT_TRUE(parent.CreateEx(0, own, "parent", WS_OVERLAPPEDWINDOW, RECT{0, 0, 300, 200}, nullptr, 0));
        ASSERT_TRUE(child.CreateEx(0, "STATIC", "child", WS_CHILD | WS_VISIBLE | SS_NOTIFY,
                                   RECT{10, 10, 100, 30}, parent.m_hWnd, 5));
    }
    DerivedWindow parent;
    ReflectingStatic child;
};

TEST_F(Windows, DerivedEntriesComeFirstAndTheBaseMapFollows)
{
    parent.SendMessage(WM_TIMER, 1);
    EXPECT_EQ(parent.derivedTimers, 1);
    EXPECT_EQ(parent.baseTimers, 0);
    parent.SendMessage(WM_TIMER, 2); // declined by the derived handler
    EXPECT_EQ(parent.derivedTimers, 2);
    EXPECT_EQ(parent.baseTimers, 1);
    SetWindowPos(parent.m_hWnd, nullptr, 0, 0, 320, 220, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_GE(parent.baseSizes, 1);
}

TEST_F(Windows, ControlNotificationsReachTheControlBeforeItsParent)
{
    SendMessage(parent.m_hWnd, WM_COMMAND, MAKEWPARAM(5, STN_CLICKED), reinterpret_cast<LPARAM>(child.m_hWnd));
    EXPECT_EQ(child.clicked, 1);
    EXPECT_EQ(parent.commands, 0);

    NMHDR header = {child.m_hWnd, 5, UINT(NM_CLICK)};
    EXPECT_EQ(parent.SendMessage(WM_NOTIFY, 5, reinterpret_cast<LPARAM>(&header)), 42);
    EXPECT_EQ(child.notified, 1);
    EXPECT_EQ(parent.notifications, 0);

    // What the control does not handle goes to the parent's map.
    header.code = UINT(LVN_COLUMNCLICK);
    EXPECT_EQ(parent.SendMessage(WM_NOTIFY, 5, reinterpret_cast<LPARAM>(&header)), 7);
    EXPECT_EQ(parent.notifications, 1);

    HDC dc = GetDC(child.m_hWnd);
    EXPECT_EQ(parent.SendMessage(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(child.m_hWnd)),
              reinterpret_cast<LRESULT>(child.brush));
    ReleaseDC(child.m_hWnd, dc);
}

TEST_F(Windows, ButtonsAndMenusAreCommands)
{
    parent.SendMessage(WM_COMMAND, MAKEWPARAM(6, 0), 0); // a menu item
    EXPECT_EQ(parent.commands, 1);
    parent.SendMessage(WM_COMMAND, MAKEWPARAM(6, 1), 0); // an accelerator
    EXPECT_EQ(parent.commands, 2);
    EXPECT_TRUE(parent.OnCmdMsg(6, nullptr, true));
    EXPECT_FALSE(parent.OnCmdMsg(7, nullptr, true));
}

TEST_F(Windows, TheLinkToTheObjectIsCutWithTheWindow)
{
    HWND hWnd = parent.m_hWnd;
    EXPECT_EQ(CWnd::FromHandlePermanent(hWnd), &parent);
    EXPECT_EQ(CWnd::FromHandlePermanent(child.m_hWnd), &child);
    parent.DestroyWindow();
    EXPECT_EQ(parent.m_hWnd, nullptr);
    EXPECT_EQ(child.m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(hWnd), nullptr);
}

} // namespace
