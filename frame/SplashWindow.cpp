#include "frame/SplashWindow.h"

#include <vector>

CSplashWindow* g_pSplash = nullptr;

void CloseSplashIfAny()
{
    if (g_pSplash) {
        delete g_pSplash;
        g_pSplash = nullptr;
    }
}

BEGIN_MESSAGE_MAP(CSplashWindow, CWnd)
    ON_WM_PAINT()
    ON_WM_TIMER()
END_MESSAGE_MAP()

CSplashWindow::CSplashWindow(UINT bitmapId, UINT duration) : m_nBitmapId(bitmapId), m_nDuration(duration) {}

// Whoever deletes the splash takes its windows down in the same order as
// closing does: the splash window, then its owner.
CSplashWindow::~CSplashWindow()
{
    if (g_pSplash == this)
        g_pSplash = nullptr;
    m_bDeleting = true;
    DestroyWindow();
    m_hiddenOwner.DestroyWindow(); // also when the splash window was never made
    if (m_picturePalette)
        DeleteObject(m_picturePalette);
    if (m_picture)
        DeleteObject(m_picture);
}

int CSplashWindow::LoadSplashBitmap(UINT id, HBITMAP& bitmap, HPALETTE& palette)
{
    bitmap = static_cast<HBITMAP>(
        LoadImageA(GetModuleHandle(nullptr), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!bitmap)
        return 0;
    DIBSECTION section = {};
    GetObject(bitmap, sizeof section, &section);
    const WORD bits = section.dsBmih.biBitCount;
    const DWORD colours = section.dsBmih.biClrUsed ? section.dsBmih.biClrUsed : (bits <= 8 ? 1u << bits : 0u);

    HDC screen = GetDC(nullptr);
    if (colours > 0 && colours <= 256) {
        HDC memory = CreateCompatibleDC(screen);
        HGDIOBJ old = SelectObject(memory, bitmap);
        std::vector<RGBQUAD> table(colours);
        const UINT read = GetDIBColorTable(memory, 0, colours, table.data());
        SelectObject(memory, old);
        DeleteDC(memory);
        std::vector<BYTE> storage(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * colours);
        auto* logical = reinterpret_cast<LOGPALETTE*>(storage.data());
        logical->palVersion = 0x300;
        logical->palNumEntries = WORD(read);
        for (UINT i = 0; i < read; ++i)
            logical->palPalEntry[i] = {table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0};
        palette = CreatePalette(logical);
    } else {
        palette = CreateHalftonePalette(screen);
    }
    ReleaseDC(nullptr, screen);
    return 1;
}

int CSplashWindow::ShowSplash()
{
    if (!LoadSplashBitmap(m_nBitmapId, m_picture, m_picturePalette))
        return 0;
    BITMAP info = {};
    GetObject(m_picture, sizeof info, &info);
    const RECT size = {0, 0, info.bmWidth, info.bmHeight};
    const char* className = RegisterOwnClass(CS_SAVEBITS);
    m_hiddenOwner.CreateEx(WS_EX_TOPMOST, className, "", WS_POPUP, size, nullptr, 0);
    if (!CreateEx(WS_EX_TOPMOST, className, "", WS_POPUP, size, m_hiddenOwner.m_hWnd, 0))
        return 0;
    // Centred on the work area: the owner is hidden, so the screen is the reference.
    RECT work = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    SetWindowPos(m_hWnd, nullptr, work.left + (work.right - work.left - info.bmWidth) / 2,
                 work.top + (work.bottom - work.top - info.bmHeight) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ShowWindow(SW_SHOW);
    UpdateWindow();
    m_nTimer = SetTimer(1, m_nDuration);
    return 1;
}

// The splash window goes first, while its owner still stands, so that no
// window is destroyed twice and the owner's object is never freed while
// Windows still destroys its window. The object deletes itself after its
// window's last message (PostNcDestroy), which may come only once the timer
// message that closes it has returned.
void CSplashWindow::CloseSplash()
{
    if (m_nTimer)
        KillTimer(m_nTimer);
    if (g_pSplash == this)
        g_pSplash = nullptr;
    if (!m_hWnd) {
        delete this; // never had a window
        return;
    }
    m_bClosing = true;
    DestroyWindow();
}

void CSplashWindow::PostNcDestroy()
{
    m_hiddenOwner.DestroyWindow();
    if (m_bClosing && !m_bDeleting)
        delete this;
}

void CSplashWindow::DrawPicture(HDC dc, int width, int height, bool paletteDisplay) const
{
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, m_picture);
    HPALETTE oldPalette = nullptr;
    if (paletteDisplay && m_picturePalette) {
        oldPalette = SelectPalette(dc, m_picturePalette, FALSE);
        RealizePalette(dc);
    }
    BitBlt(dc, 0, 0, width, height, memory, 0, 0, SRCCOPY);
    // The context goes back to the system with its own palette, and ours can be deleted.
    if (oldPalette)
        SelectPalette(dc, oldPalette, TRUE);
    SelectObject(memory, old);
    DeleteDC(memory);
}

void CSplashWindow::OnPaint()
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(m_hWnd, &paint);
    const RECT client = GetClientRect();
    DrawPicture(dc, client.right, client.bottom, (GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) != 0);
    EndPaint(m_hWnd, &paint);
}

bool CSplashWindow::OnTimer(UINT_PTR id)
{
    if (id != m_nTimer)
        return false;
    CloseSplash();
    return true;
}

// A key or a button on the picture closes it, and does nothing else.
BOOL CSplashWindow::PreTranslateMessage(MSG* msg)
{
    if (msg->hwnd != m_hWnd)
        return FALSE;
    switch (msg->message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        CloseSplash();
        return TRUE;
    default:
        return FALSE;
    }
}
