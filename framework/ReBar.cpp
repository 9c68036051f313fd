#include "framework/ReBar.h"

#include <commctrl.h>

#include <string>

#include "framework/ToolBar.h"

BEGIN_MESSAGE_MAP(CReBar, CControlBar)
END_MESSAGE_MAP()

bool CReBar::Create(HWND parent, DWORD ctrlStyle, DWORD style, UINT id)
{
    const DWORD windowStyle =
        TakeBarStyle(style, parent) | ctrlStyle | CCS_NODIVIDER | CCS_NOPARENTALIGN | RBS_VARHEIGHT;
    const RECT none = {0, 0, 0, 0};
    if (!CreateEx(0, REBARCLASSNAMEA, "", windowStyle, none, parent, id))
        return false;
    REBARINFO info = {};
    info.cbSize = sizeof info;
    SendMessage(RB_SETBARINFO, 0, reinterpret_cast<LPARAM>(&info));
    return true;
}

bool CReBar::AddBar(CWnd* bar, const char* text, HBITMAP background, DWORD bandStyle)
{
    if (!bar || !bar->m_hWnd)
        return false;
    SIZE size = {0, 0};
    if (auto* toolBar = dynamic_cast<CToolBar*>(bar)) {
        size = toolBar->GetButtonsSize();
    } else {
        const RECT r = bar->GetWindowRect();
        size = {r.right - r.left, r.bottom - r.top};
    }
    std::string label = text ? text : "";
    REBARBANDINFOA band = {};
    band.cbSize = sizeof band;
    band.fMask = RBBIM_STYLE | RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_SIZE;
    band.fStyle = bandStyle;
    band.hwndChild = bar->m_hWnd;
    band.cxMinChild = UINT(size.cx);
    band.cyMinChild = UINT(size.cy);
    band.cx = UINT(size.cx + 16);
    if (text) {
        band.fMask |= RBBIM_TEXT;
        band.lpText = label.data();
    }
    if (background) {
        band.fMask |= RBBIM_BACKGROUND;
        band.hbmBack = background;
    }
    return SendMessage(RB_INSERTBANDA, WPARAM(-1), reinterpret_cast<LPARAM>(&band)) != 0;
}

// The bands wrap by the width they get, so the height is read after the
// width is set.
int CReBar::LayoutHeight(int width)
{
    const RECT r = GetWindowRect();
    SetWindowPos(m_hWnd, nullptr, 0, 0, width, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // Earlier bands keep their own width; the last one takes the rest of the row.
    if (const int bands = GetBandCount())
        SendMessage(RB_MAXIMIZEBAND, WPARAM(bands - 1), FALSE);
    return int(SendMessage(RB_GETBARHEIGHT));
}
