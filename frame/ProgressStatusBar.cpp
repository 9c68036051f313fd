#include "frame/ProgressStatusBar.h"

#include "res/resource.h"

BEGIN_MESSAGE_MAP(CProgressStatusBar, CStatusBar)
    ON_WM_SIZE()
END_MESSAGE_MAP()

int CProgressStatusBar::Create(HWND parent, int progressPane)
{
    if (!m_hWnd && !CStatusBar::Create(parent, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, AFX_IDW_STATUS_BAR))
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

void CProgressStatusBar::SetPaneString(const std::string& text, int pane)
{
    if (!m_hWnd)
        return;
    SetPaneText(pane, text, true);
    UpdateWindow();
}
