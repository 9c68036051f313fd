// The main window's own caption: a gradient, the icon, the caption buttons,
// the program name in yellow and the version, drawn once per state into a
// bitmap and then only copied.

#include <cstring>
#include <string>

#include "frame/CaptionGradient.h"
#include "frame/MainFrame.h"

namespace {

const char* const kProgramName = "Mellifon";
constexpr COLORREF kNameColour = RGB(255, 255, 0);
constexpr UINT kTextLayout = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS;

CaptionColour ToCaptionColour(COLORREF c)
{
    return {GetRValue(c), GetGValue(c), GetBValue(c)};
}

void DrawCaptionButton(HDC dc, int x, int cxSize, int cySize, UINT kind)
{
    RECT r = {x, 2, x + cxSize - 2, cySize - 2};
    DrawFrameControl(dc, &r, DFC_CAPTION, kind);
}

}

RECT CMainFrame::GetCaptionRect() const
{
    const bool thick = (GetStyle() & WS_THICKFRAME) != 0;
    const int borderX = GetSystemMetrics(thick ? SM_CXFRAME : SM_CXDLGFRAME);
    const int borderY = GetSystemMetrics(thick ? SM_CYFRAME : SM_CYDLGFRAME);
    const RECT window = GetWindowRect();
    const int width = window.right - window.left;
    RECT caption;
    caption.left = borderX;
    caption.right = width - borderX;
    caption.top = borderY;
    caption.bottom = caption.top + GetSystemMetrics(SM_CYCAPTION) - GetSystemMetrics(SM_CYBORDER);
    return caption;
}

void CMainFrame::FillStrip(HDC dc, int x, int y, int width, int height, COLORREF colour)
{
    HBRUSH brush = CreateSolidBrush(colour);
    HGDIOBJ old = SelectObject(dc, brush);
    PatBlt(dc, x, y, width, height, PATCOPY);
    SelectObject(dc, old);
    DeleteObject(brush);
}

void CMainFrame::ForgetCaption()
{
    for (HBITMAP& bitmap : m_captionBitmaps) {
        if (bitmap)
            DeleteObject(bitmap);
        bitmap = nullptr;
    }
    SetRectEmpty(&m_rcCaption);
}

void CMainFrame::DeleteCaptionFonts()
{
    if (m_versionFont)
        DeleteObject(m_versionFont);
    if (m_nameFont)
        DeleteObject(m_nameFont);
    m_versionFont = m_nameFont = nullptr;
}

void CMainFrame::CreateCaptionFonts()
{
    DeleteCaptionFonts();
    NONCLIENTMETRICSA metrics = {};
    metrics.cbSize = 340; // without the padded border of later systems
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0);
    m_versionFont = CreateFontIndirectA(&metrics.lfCaptionFont);

    // A 12-point face, read back for its name, then bold at the caption's height.
    HDC screen = GetDC(nullptr);
    LOGFONTA request = {};
    request.lfHeight = -MulDiv(12, GetDeviceCaps(screen, LOGPIXELSY), 72);
    ReleaseDC(nullptr, screen);
    strcpy(request.lfFaceName, "Book Antiqua");
    HFONT probe = CreateFontIndirectA(&request);
    LOGFONTA readBack = {};
    GetObjectA(probe, sizeof readBack, &readBack);
    DeleteObject(probe);
    LOGFONTA name = {};
    memcpy(name.lfFaceName, readBack.lfFaceName, sizeof name.lfFaceName);
    name.lfWeight = FW_BOLD;
    name.lfHeight = metrics.lfCaptionFont.lfHeight;
    name.lfCharSet = DEFAULT_CHARSET;
    m_nameFont = CreateFontIndirectA(&name);
}

HBITMAP CMainFrame::BuildCaptionBitmap(BOOL active)
{
    const RECT caption = GetCaptionRect();
    if (!EqualRect(&caption, &m_rcCaption)) {
        ForgetCaption();
        m_rcCaption = caption;
    }
    HBITMAP& cached = m_captionBitmaps[active ? 1 : 0];
    if (cached)
        return cached;

    const int w = caption.right - caption.left;
    const int h = caption.bottom - caption.top;
    const int cxSize = GetSystemMetrics(SM_CXSIZE);
    const int cySize = GetSystemMetrics(SM_CYSIZE);
    HDC windowDc = GetWindowDC(m_hWnd);
    HDC dc = CreateCompatibleDC(windowDc);
    cached = CreateCompatibleBitmap(windowDc, w, h);
    ReleaseDC(m_hWnd, windowDc);
    HGDIOBJ oldBitmap = SelectObject(dc, cached);

    if (!active) {
        FillStrip(dc, 0, 0, w, h, GetSysColor(COLOR_INACTIVECAPTION));
    } else {
        for (const CaptionStrip& strip : CaptionGradient(w, ToCaptionColour(GetSysColor(COLOR_ACTIVECAPTION))))
            FillStrip(dc, strip.x, 0, strip.width, h, RGB(strip.colour.red, strip.colour.green, strip.colour.blue));
    }

    if (HICON icon = reinterpret_cast<HICON>(GetClassLongPtrA(m_hWnd, GCLP_HICONSM)))
        DrawIconEx(dc, 2, 1, icon, cxSize - 2, cySize - 2, 0, nullptr, DI_NORMAL);

    const DWORD style = GetStyle();
    int buttonX = w - cxSize;
    DrawCaptionButton(dc, buttonX, cxSize, cySize, DFCS_CAPTIONCLOSE);
    if (style & WS_MAXIMIZEBOX) {
        buttonX -= cxSize;
        DrawCaptionButton(dc, buttonX, cxSize, cySize, IsZoomed(m_hWnd) ? DFCS_CAPTIONRESTORE : DFCS_CAPTIONMAX);
    }
    if (style & WS_MINIMIZEBOX) {
        buttonX -= cxSize - 2;
        DrawCaptionButton(dc, buttonX, cxSize, cySize, DFCS_CAPTIONMIN);
    }

    if (!m_versionFont)
        CreateCaptionFonts();
    RECT text = {cxSize + 2, 0, buttonX - 2, h};
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ oldFont = SelectObject(dc, m_nameFont);
    SetTextColor(dc, kNameColour);
    DrawTextA(dc, kProgramName, -1, &text, kTextLayout);
    SIZE nameSize = {0, 0};
    GetTextExtentPoint32A(dc, kProgramName, int(strlen(kProgramName)), &nameSize);
    text.left += nameSize.cx;
    if (text.right > text.left) {
        COLORREF colour = GetSysColor(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT);
        if (active && CaptionLightness(ToCaptionColour(colour)) < 90)
            colour = RGB(255, 255, 255);
        SelectObject(dc, m_versionFont);
        SetTextColor(dc, colour);
        DrawTextA(dc, VersionText(), -1, &text, kTextLayout);
    }

    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteDC(dc);
    return cached;
}

void CMainFrame::PaintCaption(BOOL active)
{
    if (IsIconic(m_hWnd))
        return;
    HBITMAP bitmap = BuildCaptionBitmap(active);
    HDC windowDc = GetWindowDC(m_hWnd);
    HDC dc = CreateCompatibleDC(windowDc);
    HGDIOBJ old = SelectObject(dc, bitmap);
    BitBlt(windowDc, m_rcCaption.left, m_rcCaption.top, m_rcCaption.right - m_rcCaption.left,
           m_rcCaption.bottom - m_rcCaption.top, dc, 0, 0, SRCCOPY);
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(m_hWnd, windowDc);
}

LRESULT CMainFrame::DefaultWithoutPainting(UINT message, WPARAM wParam, LPARAM lParam)
{
    const DWORD style = GetStyle();
    if (style & WS_VISIBLE)
        SetWindowLongPtrA(m_hWnd, GWL_STYLE, LONG_PTR(style & ~WS_VISIBLE));
    const LRESULT result = DefWindowProc(message, wParam, lParam);
    if (style & WS_VISIBLE)
        SetWindowLongPtrA(m_hWnd, GWL_STYLE, LONG_PTR(style));
    return result;
}

// The system paints borders and menu, everything but the caption; then the
// cached caption goes on top.
LRESULT CMainFrame::OnNcPaint(WPARAM region, LPARAM lParam)
{
    const RECT window = GetWindowRect();
    RECT caption = GetCaptionRect();
    OffsetRect(&caption, window.left, window.top);
    HRGN update = reinterpret_cast<HRGN>(region);
    if (region > 1 && !RectInRegion(update, &caption))
        return DefWindowProc(WM_NCPAINT, region, lParam);

    HRGN rest = CreateRectRgnIndirect(&window);
    if (region > 1)
        CombineRgn(rest, update, nullptr, RGN_COPY);
    HRGN captionRegion = CreateRectRgnIndirect(&caption);
    CombineRgn(rest, rest, captionRegion, RGN_DIFF);
    DefWindowProc(WM_NCPAINT, reinterpret_cast<WPARAM>(rest), lParam);
    DeleteObject(captionRegion);
    DeleteObject(rest);
    PaintCaption(m_bCaptionActive);
    return 0;
}

LRESULT CMainFrame::OnNcActivate(WPARAM active, LPARAM)
{
    BOOL state = active ? TRUE : FALSE;
    if (!IsWindowEnabled(m_hWnd))
        state = FALSE;
    if (state == m_bCaptionActive)
        return TRUE;
    DefaultWithoutPainting(WM_NCACTIVATE, WPARAM(state), 0);
    m_bCaptionActive = state;
    SendMessage(WM_NCPAINT, 0, 0);
    return TRUE;
}

LRESULT CMainFrame::OnSysColorChange(WPARAM, LPARAM)
{
    DeleteCaptionFonts();
    SetRectEmpty(&m_rcCaption);
    return 0;
}

namespace {
BOOL CALLBACK PassSysColorChange(HWND child, LPARAM message)
{
    const auto* m = reinterpret_cast<const MSG*>(message);
    SendMessage(child, WM_SYSCOLORCHANGE, m->wParam, m->lParam);
    return TRUE;
}
}

LRESULT CMainFrame::OnSysColorChangeMessage(WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = OnSysColorChange(wParam, lParam);
    MSG message = {m_hWnd, WM_SYSCOLORCHANGE, wParam, lParam, 0, {0, 0}};
    EnumChildWindows(m_hWnd, &PassSysColorChange, reinterpret_cast<LPARAM>(&message));
    return result;
}

// The caption always reads "Mellifon" and the version, whatever the text.
LRESULT CMainFrame::OnSetText(WPARAM wParam, LPARAM text)
{
    const LRESULT result = DefaultWithoutPainting(WM_SETTEXT, wParam, text);
    SetRectEmpty(&m_rcCaption);
    SendMessage(WM_NCPAINT, 0, 0);
    PaintCaption(m_bCaptionActive);
    return result;
}
