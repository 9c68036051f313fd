#include "frame/ProgressStatusBar.h"

#include "res/resource.h"

BEGIN_MESSAGE_MAP(CProgressStatusBar, CStatusBar)
    ON_WM_SIZE()
END_MESSAGE_MAP()

int CProgressStatusBar::Create(HWND parent, int progressPane)
{
    if (!m_hWnd && !CStatusBar::Create(parent, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, AFX_IDW_STATUS_BAR, SBARS_TOOLTIPS))
        return 0;
    if (m_progress.m_hWnd)
        m_progress.DestroyWindow();
    m_nProgressPane = progressPane;
    const RECT initial = {100, 2, 120, 14};
    if (!m_progress.Create(WS_CHILD, initial, m_hWnd, IDC_STATUS_PROGRESS))
        return 0;
    PlaceProgress();
    return 1;
}

void CProgressStatusBar::PlaceProgress()
{
    if (!m_progress.m_hWnd || m_nProgressPane == -1)
        return;
    m_progress.MoveWindow(GetItemRect(m_nProgressPane), TRUE);
}

void CProgressStatusBar::OnSize(UINT type, int cx, int cy)
{
    CStatusBar::OnSize(type, cx, cy);
    PlaceProgress();
}

void CProgressStatusBar::ShowProgress(int position, int range)
{
    if (!m_hWnd || !m_progress.m_hWnd)
        return;
    if (position == -1) {
        m_progress.ShowWindow(SW_HIDE);
        return;
    }
    if (range > 0)
        m_progress.SetRange(0, short(range));
    m_progress.ShowWindow(SW_SHOW);
    m_progress.SetPos(position);
}

// The text's width in the bar's font, with the room the bar draws around it.
int CProgressStatusBar::TextWidth(const std::string& text)
{
    constexpr int kInnerMargin = 3;
    HDC dc = GetDC(m_hWnd);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)));
    SIZE extent = {};
    GetTextExtentPoint32A(dc, text.c_str(), int(text.size()), &extent);
    SelectObject(dc, old);
    ReleaseDC(m_hWnd, dc);
    return extent.cx + kInnerMargin;
}

void CProgressStatusBar::SetPaneString(const std::string& text, int pane)
{
    if (!m_hWnd)
        return;
    // A figure's pane has its usual width at the usual fonts; with larger
    // ones (120 dots an inch) it widens to its text rather than cut it.
    if (pane > 0) {
        UINT id = 0, style = 0;
        int width = 0;
        GetPaneInfo(pane, id, style, width);
        const int needed = TextWidth(text);
        if (needed > width)
            SetPaneInfo(pane, id, style, needed);
    }
    SetPaneText(pane, text, true);
    // A message pane's line that the pane cuts short shows whole in its
    // tooltip (the bar shows a pane's tip only when its text is cut).
    if (pane == 0)
        SendMessage(SB_SETTIPTEXTA, 0, reinterpret_cast<LPARAM>(text.c_str()));
    UpdateWindow();
}
