// The main window's own caption, read back pixel by pixel from the cached
// bitmaps: the gradient strips, the yellow name, the version's colour, the
// rebuilds after a text or colour change.

#include <gtest/gtest.h>

#include "WindowTestSupport.h"

#include <vector>

#include "frame/CaptionGradient.h"
#include "frame/MainFrame.h"

namespace {

struct Pixels {
    int width = 0, height = 0;
    std::vector<COLORREF> colours;
    COLORREF At(int x, int y) const { return colours[size_t(y) * size_t(width) + size_t(x)]; }
    // How many pixels of a colour lie in columns [left, right).
    int Count(COLORREF c, int left, int right) const
    {
        int n = 0;
        for (int y = 0; y < height; ++y)
            for (int x = left; x < right && x < width; ++x)
                n += At(x, y) == c;
        return n;
    }
};

Pixels Read(HBITMAP bitmap)
{
    BITMAP info = {};
    GetObject(bitmap, sizeof info, &info);
    Pixels p;
    p.width = info.bmWidth;
    p.height = info.bmHeight;
    BITMAPINFO request = {};
    request.bmiHeader.biSize = sizeof request.bmiHeader;
    request.bmiHeader.biWidth = p.width;
    request.bmiHeader.biHeight = -p.height;
    request.bmiHeader.biPlanes = 1;
    request.bmiHeader.biBitCount = 32;
    std::vector<DWORD> raw(size_t(p.width) * size_t(p.height));
    HDC dc = GetDC(nullptr);
    GetDIBits(dc, bitmap, 0, UINT(p.height), raw.data(), &request, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    for (DWORD v : raw)
        p.colours.push_back(RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF));
    return p;
}

constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

struct CaptionTest : ::testing::Test {
    void SetUp() override
    {
        TheTestApp().ClearProfile();
        for (int i = 0; i < 4; ++i)
            saved[i] = GetSysColor(kinds[i]);
        SetColours(RGB(10, 36, 106), RGB(0, 0, 0));
        frame = new CMainFrame;
        ASSERT_TRUE(frame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW, nullptr, nullptr));
        frame->ShowWindow(SW_SHOW);
        TheTestApp().m_pMainWnd = frame;
        SetFocus(frame->m_hWnd);
        frame->SendMessage(WM_NCACTIVATE, TRUE);
    }
    void TearDown() override
    {
        SetSysColors(4, kinds, saved);
        frame->SendMessage(WM_CLOSE);
        DropQuitMessage();
    }
    void SetColours(COLORREF active, COLORREF text)
    {
        const COLORREF values[4] = {active, text, RGB(128, 128, 128), RGB(192, 192, 192)};
        SetSysColors(4, kinds, values);
        PumpFor(20);
    }
    void SetCaptionWidth(int captionWidth)
    {
        const int border = GetSystemMetrics(SM_CXFRAME);
        SetWindowPos(frame->m_hWnd, nullptr, 0, 0, captionWidth + 2 * border, 300, SWP_NOMOVE | SWP_NOZORDER);
    }
    int TextLeft() const { return GetSystemMetrics(SM_CXSIZE) + 2; }
    // The text ends before the buttons: close, maximize, minimize.
    int TextRight(const Pixels& p) const
    {
        const int cx = GetSystemMetrics(SM_CXSIZE);
        return p.width - cx - cx - (cx - 2) - 2;
    }

    const int kinds[4] = {COLOR_ACTIVECAPTION, COLOR_CAPTIONTEXT, COLOR_INACTIVECAPTION, COLOR_INACTIVECAPTIONTEXT};
    COLORREF saved[4] = {};
    CMainFrame* frame = nullptr;
};

TEST_F(CaptionTest, ANarrowCaptionIsAGradientOfOnePixelStrips)
{
    SetCaptionWidth(150);
    const Pixels p = Read(frame->BuildCaptionBitmap(TRUE));
    ASSERT_EQ(p.width, 150);
    const auto strips = CaptionGradient(150, {10, 36, 106});
    for (const CaptionStrip& strip : strips) {
        for (int x = strip.x; x < strip.x + strip.width; ++x)
            ASSERT_EQ(p.At(x, 0), RGB(strip.colour.red, strip.colour.green, strip.colour.blue)) << x;
        if (strip.x < 125) {
            EXPECT_EQ(strip.width, 1) << strip.x;
        }
    }
    EXPECT_EQ(p.At(149, 0), RGB(10, 36, 106));
}

TEST_F(CaptionTest, TheNameIsYellowInBothStatesAndTheVersionWhiteOnDarkText)
{
    SetCaptionWidth(600);
    const Pixels active = Read(frame->BuildCaptionBitmap(TRUE));
    const Pixels inactive = Read(frame->BuildCaptionBitmap(FALSE));
    EXPECT_GT(active.Count(kYellow, TextLeft(), TextRight(active)), 20);
    EXPECT_GT(inactive.Count(kYellow, TextLeft(), TextRight(inactive)), 20);
    // The caption text colour is black: the version goes white.
    EXPECT_GT(active.Count(kWhite, TextLeft(), TextRight(active)), 10);
    EXPECT_GT(inactive.Count(RGB(192, 192, 192), TextLeft(), TextRight(inactive)), 10);
    // The gradient's own colour fills the inactive caption.
    EXPECT_EQ(inactive.At(0, 0), RGB(128, 128, 128));
}

TEST_F(CaptionTest, ALightCaptionTextColourIsKeptForTheVersion)
{
    SetColours(RGB(10, 36, 106), RGB(0, 255, 0)); // lightness 120
    SetCaptionWidth(600);
    frame->SendMessage(WM_NCPAINT, 0, 0);
    const Pixels p = Read(frame->BuildCaptionBitmap(TRUE));
    EXPECT_GT(p.Count(RGB(0, 255, 0), TextLeft(), TextRight(p)), 10);
    EXPECT_EQ(p.Count(kWhite, TextLeft(), TextRight(p)), 0);
}

TEST_F(CaptionTest, ANameThatFillsTheCaptionLeavesTheVersionOut)
{
    SetCaptionWidth(125);
    const Pixels p = Read(frame->BuildCaptionBitmap(TRUE));
    ASSERT_GT(TextRight(p), TextLeft());
    EXPECT_GT(p.Count(kYellow, TextLeft(), TextRight(p)), 5);
    EXPECT_EQ(p.Count(kWhite, TextLeft(), TextRight(p)), 0);
}

TEST_F(CaptionTest, ANewWindowTextRepaintsTheSameCaption)
{
    SetCaptionWidth(600);
    frame->SendMessage(WM_NCPAINT, 0, 0);
    const Pixels before = Read(frame->BuildCaptionBitmap(TRUE));
    frame->SetWindowText("Something else entirely");
    EXPECT_EQ(frame->GetWindowText(), "Something else entirely");
    EXPECT_FALSE(IsRectEmpty(&frame->m_rcCaption)); // rebuilt and painted at once
    const Pixels after = Read(frame->BuildCaptionBitmap(TRUE));
    EXPECT_EQ(before.colours, after.colours);
}

TEST_F(CaptionTest, AColourChangeRebuildsFontsAndBitmaps)
{
    SetCaptionWidth(300);
    frame->SendMessage(WM_NCPAINT, 0, 0);
    ASSERT_NE(frame->m_versionFont, nullptr);
    frame->SendMessage(WM_SYSCOLORCHANGE);
    EXPECT_EQ(frame->m_versionFont, nullptr);
    EXPECT_EQ(frame->m_nameFont, nullptr);
    EXPECT_TRUE(IsRectEmpty(&frame->m_rcCaption));

    // The system tells every window and repaints: the next caption has the new colour.
    SetColours(RGB(100, 0, 0), RGB(0, 0, 0));
    PumpFor(50);
    frame->SendMessage(WM_NCPAINT, 0, 0);
    EXPECT_NE(frame->m_versionFont, nullptr);
    const Pixels p = Read(frame->BuildCaptionBitmap(TRUE));
    EXPECT_EQ(p.At(p.width - 1, 0), RGB(100, 0, 0));
}

TEST_F(CaptionTest, ActivationSwitchesTheCaption)
{
    frame->SendMessage(WM_NCACTIVATE, FALSE);
    EXPECT_FALSE(frame->m_bCaptionActive);
    frame->SendMessage(WM_NCACTIVATE, TRUE);
    EXPECT_TRUE(frame->m_bCaptionActive);
    // A disabled window (under a modal dialog) shows the inactive caption.
    EnableWindow(frame->m_hWnd, FALSE);
    frame->SendMessage(WM_NCACTIVATE, TRUE);
    EXPECT_FALSE(frame->m_bCaptionActive);
    EnableWindow(frame->m_hWnd, TRUE);
}

} // namespace
