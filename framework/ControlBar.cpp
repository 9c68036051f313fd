#include "framework/ControlBar.h"

#include "framework/FrameWnd.h"

BEGIN_MESSAGE_MAP(CControlBar, CWnd)
END_MESSAGE_MAP()

int CControlBar::LayoutHeight(int)
{
    const RECT r = GetWindowRect();
    return r.bottom - r.top;
}

void CControlBar::OnUpdateCmdUI(CFrameWnd*, bool) {}

DWORD CControlBar::TakeBarStyle(DWORD style, HWND parent)
{
    m_dwStyle = style & kBarStyleMask;
    m_pFrame = dynamic_cast<CFrameWnd*>(CWnd::FromHandlePermanent(parent));
    if (m_pFrame)
        m_pFrame->AddControlBar(this);
    return style & ~kBarStyleMask;
}
