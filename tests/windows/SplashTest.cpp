// The splash picture: shown centred above everything, gone after its time,
// at a click or key on it, or when the first fill of the list is done.

#include <gtest/gtest.h>

#include "SimulatedProgram.h"

#include <vector>

#include "frame/SplashWindow.h"
#include "res/resource.h"

namespace {

CSplashWindow* ShowSplash(UINT milliseconds)
{
    g_pSplash = new CSplashWindow(IDB_SPLASH, milliseconds);
    EXPECT_EQ(g_pSplash->ShowSplash(), 1);
    return g_pSplash;
}

TEST(Splash, ItIsCentredAboveEverythingWithNoTaskbarEntry)
{
    CSplashWindow* splash = ShowSplash(5000);
    HWND hWnd = splash->m_hWnd;
    const RECT r = splash->GetWindowRect();
    EXPECT_EQ(r.right - r.left, 300);
    EXPECT_EQ(r.bottom - r.top, 160);
    RECT work = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_LE(std::abs((r.left + r.right) - (work.left + work.right)), 1);
    EXPECT_TRUE(GetWindowLongPtrA(hWnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
    HWND owner = GetWindow(hWnd, GW_OWNER);
    ASSERT_NE(owner, nullptr);
    EXPECT_FALSE(IsWindowVisible(owner));
    CloseSplashIfAny();
    EXPECT_FALSE(IsWindow(hWnd));
    EXPECT_FALSE(IsWindow(owner));
}

TEST(Splash, ItsTimerClosesIt)
{
    const DWORD start = GetTickCount();
    HWND hWnd = ShowSplash(150)->m_hWnd;
    EXPECT_TRUE(PumpUntil([] { return g_pSplash == nullptr; }, 3000));
    EXPECT_GE(GetTickCount() - start, 140u);
    EXPECT_FALSE(IsWindow(hWnd));
}

TEST(Splash, AClickOrAKeyOnItClosesItAndGoesNoFurther)
{
    for (UINT message : {UINT(WM_LBUTTONDOWN), UINT(WM_RBUTTONDOWN), UINT(WM_KEYDOWN)}) {
        HWND hWnd = ShowSplash(5000)->m_hWnd;
        MSG other = {GetDesktopWindow(), message, 0, 0, 0, {0, 0}};
        EXPECT_FALSE(TheTestApp().PreTranslateMessage(&other)); // not aimed at the splash
        MSG click = {hWnd, message, 0, MAKELPARAM(10, 10), 0, {0, 0}};
        EXPECT_TRUE(TheTestApp().PreTranslateMessage(&click)); // taken: not dispatched
        EXPECT_EQ(g_pSplash, nullptr);
        EXPECT_FALSE(IsWindow(hWnd));
    }
}

// The windows that DestroyWindow is called for, in order.
struct DestroyLog {
    DestroyLog()
    {
        s_pLog = this;
        hook = SetWindowsHookExA(WH_CBT, &Hook, nullptr, GetCurrentThreadId());
    }
    ~DestroyLog()
    {
        UnhookWindowsHookEx(hook);
        s_pLog = nullptr;
    }
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        if (code == HCBT_DESTROYWND && s_pLog)
            s_pLog->windows.push_back(reinterpret_cast<HWND>(wParam));
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static inline DestroyLog* s_pLog = nullptr;
    HHOOK hook;
    std::vector<HWND> windows;
};

TEST(Splash, HoweverItEndsItsWindowGoesFirstThenItsOwnerEachOnce)
{
    enum Way { kKey, kTimer, kDeleted };
    for (Way way : {kKey, kTimer, kDeleted}) {
        SCOPED_TRACE(way);
        HWND hWnd = ShowSplash(way == kTimer ? 50 : 5000)->m_hWnd;
        HWND owner = GetWindow(hWnd, GW_OWNER);
        DestroyLog log;
        if (way == kKey) {
            MSG key = {hWnd, WM_KEYDOWN, VK_SPACE, 0, 0, {0, 0}};
            EXPECT_TRUE(TheTestApp().PreTranslateMessage(&key));
        } else if (way == kTimer) {
            EXPECT_TRUE(PumpUntil([] { return g_pSplash == nullptr; }, 3000));
        } else {
            CloseSplashIfAny();
        }
        std::vector<HWND> ours; // Wine also takes down windows of its own then
        for (HWND w : log.windows)
            if (w == hWnd || w == owner)
                ours.push_back(w);
        EXPECT_EQ(ours, (std::vector<HWND>{hWnd, owner}));
        EXPECT_FALSE(IsWindow(owner));
    }
}

TEST(Splash, ThePaintContextGetsItsOwnPaletteBack)
{
    CSplashWindow* splash = ShowSplash(5000);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP target = CreateCompatibleBitmap(screen, 300, 160);
    ReleaseDC(nullptr, screen);
    HGDIOBJ oldTarget = SelectObject(dc, target);
    HGDIOBJ before = GetCurrentObject(dc, OBJ_PAL);
    splash->DrawPicture(dc, 300, 160, true);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PAL), before);

    HDC picture = CreateCompatibleDC(dc);
    HGDIOBJ oldPicture = SelectObject(picture, splash->m_picture);
    for (POINT p : {POINT{10, 10}, POINT{150, 80}, POINT{290, 150}})
        EXPECT_EQ(GetPixel(dc, p.x, p.y), GetPixel(picture, p.x, p.y)) << p.x;
    SelectObject(picture, oldPicture);
    DeleteDC(picture);
    SelectObject(dc, oldTarget);
    DeleteObject(target);
    DeleteDC(dc);
    CloseSplashIfAny();
}

TEST(Splash, TheFirstFillOfTheListClosesIt)
{
    SimulatedProgram program;
    HWND hWnd = ShowSplash(60000)->m_hWnd;
    program.Open();
    EXPECT_EQ(g_pSplash, nullptr);
    EXPECT_FALSE(IsWindow(hWnd));
}

TEST(Splash, ThePicturesOwnColoursMakeItsPalette)
{
    HBITMAP bitmap = nullptr;
    HPALETTE palette = nullptr;
    ASSERT_EQ(CSplashWindow::LoadSplashBitmap(IDB_SPLASH, bitmap, palette), 1);
    ASSERT_NE(palette, nullptr);
    PALETTEENTRY entries[256] = {};
    EXPECT_EQ(GetPaletteEntries(palette, 0, 256, entries), 256u);
    DIBSECTION section = {};
    GetObject(bitmap, sizeof section, &section);
    EXPECT_EQ(section.dsBm.bmWidth, 300);
    EXPECT_EQ(section.dsBm.bmHeight, 160);
    EXPECT_EQ(section.dsBmih.biBitCount, 8);
    DeleteObject(palette);
    DeleteObject(bitmap);
    EXPECT_EQ(CSplashWindow::LoadSplashBitmap(999, bitmap, palette), 0);
}

} // namespace
