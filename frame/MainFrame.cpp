#include "frame/MainFrame.h"

#include "frame/PlacementText.h"
#include "framework/WinApp.h"

namespace {
const char* const kPlacementSection = "WindowsPos";
const char* const kPlacementEntry = "Main";

const UINT kIndicators[] = {ID_SEPARATOR, ID_PANE_SONGS, ID_PANE_MEMORY, ID_PANE_FREE, ID_PANE_USED};

struct PaneSetup {
    UINT id;
    UINT style;
    int width;
};
const PaneSetup kPanes[] = {{ID_SEPARATOR, SBPS_STRETCH, 0},
                            {ID_PANE_SONGS, SBPS_NORMAL, 50},
                            {ID_PANE_MEMORY, SBPS_NORMAL, 100},
                            {ID_PANE_FREE, SBPS_NORMAL, 85},
                            {ID_PANE_USED, SBPS_NORMAL, 85}};
}

BEGIN_MESSAGE_MAP(CMainFrame, CFrameWnd)
    ON_WM_CREATE()
    ON_WM_CLOSE()
    ON_MESSAGE(WM_NCPAINT, OnNcPaint)
    ON_MESSAGE(WM_NCACTIVATE, OnNcActivate)
    ON_MESSAGE(WM_SYSCOLORCHANGE, OnSysColorChangeMessage)
    ON_MESSAGE(WM_SETTEXT, OnSetText)
END_MESSAGE_MAP()

CMainFrame::~CMainFrame()
{
    ForgetCaption();
    DeleteCaptionFonts();
}

int CMainFrame::OnCreate(LPCREATESTRUCT cs)
{
    if (CFrameWnd::OnCreate(cs) == -1)
        return -1;
    if (!m_memoryBar.Create(m_hWnd, m_nMemoryBarTemplate, CBRS_ALIGN_TOP, AFX_IDW_DIALOGBAR))
        return -1;
    if (!m_toolBar.CreateEx(m_hWnd, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_ALIGN_TOP, RECT{0, 0, 0, 0},
                            AFX_IDW_TOOLBAR) ||
        !m_toolBar.LoadToolBar(m_nToolBarResource))
        return -1;
    if (!m_reBar.Create(m_hWnd, RBS_BANDBORDERS,
                        WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | CBRS_TOP, AFX_IDW_REBAR))
        return -1;
    if (!m_reBar.AddBar(&m_memoryBar, nullptr, nullptr, RBBS_GRIPPERALWAYS | RBBS_FIXEDBMP) ||
        !m_reBar.AddBar(&m_toolBar, nullptr, nullptr, RBBS_GRIPPERALWAYS | RBBS_FIXEDBMP))
        return -1;

    // Without a status bar the frame still works: the panes are simply not there.
    if (m_statusBar.Create(m_hWnd, 0))
        m_statusBar.SetIndicators(kIndicators, 5);
    for (int i = 0; i < 5; ++i)
        m_statusBar.SetPaneInfo(i, kPanes[i].id, kPanes[i].style, kPanes[i].width);

    m_toolBar.SetBarStyle(m_toolBar.GetBarStyle() | CBRS_TOOLTIPS | CBRS_FLYBY);
    return 0;
}

bool CMainFrame::OnCreateClient(LPCREATESTRUCT cs, CCreateContext* context)
{
    return CFrameWnd::OnCreateClient(cs, context);
}

bool CMainFrame::LoadWindowPlacement(WINDOWPLACEMENT& placement)
{
    CWinApp* app = AfxGetApp();
    if (!app)
        return false;
    const std::string text = app->GetProfileString(kPlacementSection, kPlacementEntry);
    PlacementNumbers n;
    if (text.empty() || !ParsePlacementText(text, &n))
        return false;
    placement.length = sizeof(WINDOWPLACEMENT);
    placement.flags = n.flags;
    placement.showCmd = n.showCommand;
    placement.ptMinPosition = {n.minX, n.minY};
    placement.ptMaxPosition = {n.maxX, n.maxY};
    placement.rcNormalPosition = {n.left, n.top, n.right, n.bottom};
    return true;
}

// A window saved maximized opens at its normal rectangle; only that
// rectangle is applied.
bool CMainFrame::PreCreateWindow(CREATESTRUCT& cs)
{
    WINDOWPLACEMENT placement = {};
    if (LoadWindowPlacement(placement)) {
        const RECT& r = placement.rcNormalPosition;
        cs.x = r.left;
        cs.y = r.top;
        cs.cx = r.right - r.left;
        cs.cy = r.bottom - r.top;
    }
    return CFrameWnd::PreCreateWindow(cs);
}

void CMainFrame::SaveWindowPlacement()
{
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof(WINDOWPLACEMENT);
    CWinApp* app = AfxGetApp();
    if (!app || !GetWindowPlacement(m_hWnd, &placement) || placement.showCmd == SW_SHOWMINIMIZED)
        return;
    if (IsZoomed(m_hWnd))
        placement.flags = WPF_RESTORETOMAXIMIZED;
    PlacementNumbers n;
    n.flags = placement.flags;
    n.showCommand = placement.showCmd;
    n.minX = placement.ptMinPosition.x;
    n.minY = placement.ptMinPosition.y;
    n.maxX = placement.ptMaxPosition.x;
    n.maxY = placement.ptMaxPosition.y;
    n.left = placement.rcNormalPosition.left;
    n.top = placement.rcNormalPosition.top;
    n.right = placement.rcNormalPosition.right;
    n.bottom = placement.rcNormalPosition.bottom;
    app->WriteProfileString(kPlacementSection, kPlacementEntry, FormatPlacementText(n).c_str());
}

void CMainFrame::OnClose()
{
    SaveWindowPlacement();
    CFrameWnd::OnClose();
}

CProgressStatusBar* GetMainStatusBar()
{
    CWinApp* app = AfxGetApp();
    auto* frame = app ? dynamic_cast<CMainFrame*>(app->m_pMainWnd) : nullptr;
    return frame && frame->m_hWnd ? &frame->m_statusBar : nullptr;
}
