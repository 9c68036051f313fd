#include "app/HyperLink.h"

#include <commctrl.h>
#include <shellapi.h>

#include <vector>

#include "app/LinkText.h"
#include "framework/WinApp.h"

COLORREF CHyperLink::s_crNormal = RGB(0, 0, 255);
COLORREF CHyperLink::s_crEngaged = RGB(0, 128, 128);
COLORREF CHyperLink::s_crVisited = RGB(128, 0, 128);
COLORREF CHyperLink::s_crPointer = RGB(255, 0, 0);
HCURSOR CHyperLink::s_hLinkCursor = nullptr;
LinkShell* CHyperLink::s_pShell = nullptr;

namespace {

class WindowsShell : public LinkShell {
public:
    int ShellOpen(const std::string& target, int showCommand) override
    {
        return int(reinterpret_cast<INT_PTR>(
            ShellExecuteA(nullptr, "open", target.c_str(), nullptr, nullptr, showCommand)));
    }
    int RunCommandLine(const std::string& commandLine, int showCommand) override
    {
        return int(WinExec(commandLine.c_str(), UINT(showCommand)));
    }
};

LinkShell& Shell()
{
    static WindowsShell windows;
    return CHyperLink::s_pShell ? *CHyperLink::s_pShell : windows;
}

constexpr UINT_PTR kToolId = 1;

}

BEGIN_MESSAGE_MAP(CHyperLink, CStatic)
    ON_WM_CTLCOLOR_REFLECT(CtlColor)
    ON_WM_SETCURSOR()
    ON_WM_MOUSEMOVE()
    ON_WM_LBUTTONUP()
    ON_WM_SETFOCUS()
    ON_WM_KILLFOCUS()
    ON_WM_KEYDOWN()
    ON_MESSAGE(WM_NCHITTEST, OnNcHitTest)
    ON_WM_LBUTTONDOWN()
END_MESSAGE_MAP()

CHyperLink::~CHyperLink()
{
    if (m_underlineFont)
        DeleteObject(m_underlineFont);
}

void CHyperLink::PreSubclassWindow()
{
    if (m_sTarget.empty())
        m_sTarget = GetWindowText();
    if (GetWindowText().empty())
        SetWindowText(m_sTarget);

    HFONT font = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
    if (font) {
        LOGFONTA description = {};
        GetObjectA(font, sizeof description, &description);
        description.lfUnderline = (m_nLinkFlags & LinkUnderline) ? TRUE : FALSE;
        m_underlineFont = CreateFontIndirectA(&description);
        if (m_underlineFont)
            SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_underlineFont), TRUE);
        FitToText();
    } else {
        m_nLinkFlags &= ~DWORD(LinkFitText);
    }
    if (!(m_nLinkFlags & LinkNoDefaultCursor))
        LoadLinkCursor();

    const RECT none = {0, 0, 0, 0};
    if (m_tip.CreateEx(0, TOOLTIPS_CLASSA, nullptr, 0, none, m_hWnd, 0)) {
        TOOLINFOA tool = {};
        tool.cbSize = TTTOOLINFOA_V1_SIZE;
        tool.hwnd = m_hWnd;
        tool.uId = kToolId;
        tool.rect = GetClientRect();
        tool.lpszText = m_sTarget.data();
        m_tip.SendMessage(TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }
    CStatic::PreSubclassWindow();
}

void CHyperLink::SetTipText(const std::string& text)
{
    if (!m_tip.m_hWnd)
        return;
    std::string copy = text;
    TOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V1_SIZE;
    tool.hwnd = m_hWnd;
    tool.uId = kToolId;
    tool.lpszText = copy.data();
    m_tip.SendMessage(TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
}

void CHyperLink::SetTarget(const std::string& target)
{
    m_sTarget = target;
    if (!m_hWnd)
        return;
    ShowWindow(SW_HIDE);
    FitToText();
    SetTipText(m_sTarget);
    ShowWindow(SW_SHOW);
}

void CHyperLink::SetLinkText(const std::string& text)
{
    if (!m_hWnd)
        return;
    ShowWindow(SW_HIDE);
    SetWindowText(text);
    FitToText();
    ShowWindow(SW_SHOW);
}

int CHyperLink::ChangeLinkFlags(DWORD remove, DWORD add, BOOL apply)
{
    if (remove & add)
        return 0;
    m_nLinkFlags = add | (m_nLinkFlags & ~remove);
    if (!apply || !m_hWnd)
        return 1;
    if ((remove | add) & LinkUnderline) {
        LOGFONTA description = {};
        GetObjectA(reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)), sizeof description, &description);
        description.lfUnderline = (m_nLinkFlags & LinkUnderline) ? TRUE : FALSE;
        if (HFONT font = CreateFontIndirectA(&description)) {
            ShowWindow(SW_HIDE);
            SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
            if (m_underlineFont)
                DeleteObject(m_underlineFont);
            m_underlineFont = font;
            FitToText();
            ShowWindow(SW_SHOW);
        }
    }
    if (add & LinkFitText)
        FitToText();
    if (remove & LinkPointerColour)
        Invalidate();
    return 1;
}

// The window shrinks or grows to the text, keeping its left and top edges
// (or its centre, or its right edge, as the text is aligned).
void CHyperLink::FitToText()
{
    if (!(m_nLinkFlags & LinkFitText) || !m_hWnd)
        return;
    RECT window = GetWindowRect();
    if (HWND parent = GetParent())
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&window), 2);
    const RECT client = GetClientRect();

    const std::string text = GetWindowText();
    HDC dc = GetDC(m_hWnd);
    HGDIOBJ old = m_underlineFont ? SelectObject(dc, m_underlineFont) : nullptr;
    SIZE extent = {0, 0};
    GetTextExtentPoint32A(dc, text.c_str(), int(text.size()), &extent);
    if (old)
        SelectObject(dc, old);
    ReleaseDC(m_hWnd, dc);

    const DWORD style = GetStyle();
    if (style & SS_CENTERIMAGE) {
        const int shrink = ((window.bottom - window.top) - extent.cy) / 2;
        window.top += shrink;
        window.bottom -= shrink;
    } else {
        window.bottom = window.top + extent.cy;
    }
    const DWORD alignment = style & SS_TYPEMASK;
    if (alignment == SS_CENTER) {
        const int shrink = ((window.right - window.left) - extent.cx) / 2;
        window.left += shrink;
        window.right -= shrink;
    } else if (alignment == SS_RIGHT) {
        window.left = window.right - extent.cx;
    } else {
        window.right = window.left + extent.cx;
    }
    const RECT before = GetWindowRect();
    const int frameWidth = (before.right - before.left) - client.right;
    const int frameHeight = (before.bottom - before.top) - client.bottom;
    ::MoveWindow(m_hWnd, window.left, window.top, extent.cx + frameWidth, extent.cy + frameHeight, TRUE);
}

void CHyperLink::LoadLinkCursor()
{
    if (s_hLinkCursor)
        return;
    char directory[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryA(directory, sizeof directory);
    if (length == 0 || length >= sizeof directory)
        return;
    const std::string path = std::string(directory) + "\\winhlp32.exe";
    HMODULE module = LoadLibraryA(path.c_str());
    if (!module)
        return;
    if (HCURSOR cursor = LoadCursorA(module, MAKEINTRESOURCEA(106)))
        s_hLinkCursor = reinterpret_cast<HCURSOR>(CopyIcon(reinterpret_cast<HICON>(cursor)));
    FreeLibrary(module);
}

void CHyperLink::OpenTarget()
{
    const int result = LaunchTarget(m_sTarget, SW_SHOW);
    if (result > 32) {
        m_bWasVisited = TRUE;
        Invalidate();
        return;
    }
    MessageBeep(MB_ICONEXCLAMATION);
    ShowLaunchError(result);
}

int CHyperLink::LaunchTarget(const std::string& target, int showCommand)
{
    const int result = Shell().ShellOpen(target, showCommand);
    if (result > 32)
        return result;
    std::string fileType;
    if (ReadClassesValue(HKEY_CLASSES_ROOT, ".htm", fileType) != ERROR_SUCCESS)
        return result;
    std::string registered;
    if (ReadClassesValue(HKEY_CLASSES_ROOT, fileType + "\\shell\\open\\command", registered) != ERROR_SUCCESS)
        return result;
    const auto commandLine = CommandLineForTarget(registered, target);
    if (!commandLine)
        return result;
    return Shell().RunCommandLine(*commandLine, showCommand);
}

// A default value that would not fit its room counts as missing.
long CHyperLink::ReadClassesValue(HKEY root, const std::string& keyName, std::string& value)
{
    HKEY key = nullptr;
    const LONG opened = RegOpenKeyExA(root, keyName.c_str(), 0, KEY_QUERY_VALUE, &key);
    if (opened != ERROR_SUCCESS)
        return opened;
    char buffer[kRegistryValueRoom] = {};
    DWORD size = sizeof buffer - 1;
    DWORD type = 0;
    const LONG read = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS)
        return read;
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return ERROR_INVALID_DATA;
    buffer[size < sizeof buffer ? size : sizeof buffer - 1] = '\0';
    value = buffer;
    return ERROR_SUCCESS;
}

void CHyperLink::ShowLaunchError(int code)
{
    AfxMessageBox(LaunchErrorText(code), MB_OK | MB_ICONEXCLAMATION);
}

COLORREF CHyperLink::TextColour() const
{
    if (m_bPointerOver && (m_nLinkFlags & LinkPointerColour))
        return s_crPointer;
    if (m_bEngaged && !(m_nLinkFlags & LinkNoEngagedColour))
        return s_crEngaged;
    return m_bWasVisited ? s_crVisited : s_crNormal;
}

HBRUSH CHyperLink::CtlColor(HDC dc, UINT)
{
    SetTextColor(dc, TextColour());
    SetBkMode(dc, TRANSPARENT);
    return static_cast<HBRUSH>(GetStockObject(HOLLOW_BRUSH));
}

bool CHyperLink::OnSetCursor(HWND, UINT, UINT)
{
    if (!s_hLinkCursor)
        return false;
    SetCursor(s_hLinkCursor);
    return true;
}

// While the pointer is over the link, the link holds the capture, so it
// learns when the pointer leaves.
void CHyperLink::OnMouseMove(UINT, POINT point)
{
    if (!m_bPointerOver) {
        m_bPointerOver = TRUE;
        Invalidate();
        SetCapture(m_hWnd);
        return;
    }
    const RECT client = GetClientRect();
    if (!PtInRect(&client, point)) {
        m_bPointerOver = FALSE;
        ReleaseCapture();
        Invalidate();
    }
}

bool CHyperLink::OnLButtonUp(UINT, POINT)
{
    if (m_bEngaged && !(m_nLinkFlags & LinkOpenOnPress))
        OpenTarget();
    return false;
}

void CHyperLink::OnSetFocus(HWND)
{
    m_bEngaged = TRUE;
    Invalidate();
}

// The capture goes with the pointer-over state, or later moves anywhere
// would still come to the link.
void CHyperLink::OnKillFocus(HWND)
{
    if (m_bPointerOver && GetCapture() == m_hWnd)
        ReleaseCapture();
    m_bPointerOver = FALSE;
    m_bEngaged = FALSE;
    Invalidate();
}

bool CHyperLink::OnKeyDown(UINT key, UINT, UINT)
{
    if (key != VK_SPACE)
        return false;
    OpenTarget();
    return true;
}

LRESULT CHyperLink::OnNcHitTest(WPARAM, LPARAM)
{
    return HTCLIENT;
}

void CHyperLink::OnLButtonDown(UINT, POINT)
{
    if (m_nLinkFlags & LinkFocusOnClick)
        SetFocus(m_hWnd);
    if (m_nLinkFlags & LinkOpenOnPress)
        OpenTarget();
    m_bEngaged = TRUE;
}

BOOL CHyperLink::PreTranslateMessage(MSG* msg)
{
    if (m_tip.m_hWnd)
        m_tip.SendMessage(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg));
    return CStatic::PreTranslateMessage(msg);
}
