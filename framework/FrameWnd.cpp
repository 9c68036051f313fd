#include "framework/FrameWnd.h"

#include <commctrl.h>

#include <cstdio>

#include "framework/CmdUI.h"
#include "framework/ControlBar.h"
#include "framework/Document.h"
#include "framework/FrameworkIds.h"
#include "framework/ResourceText.h"
#include "framework/SingleDocTemplate.h"
#include "framework/StatusBar.h"
#include "framework/ToolBar.h"
#include "framework/View.h"
#include "framework/WinApp.h"

namespace {
constexpr UINT kNoPrompt = ~0u; // an empty pane 0, as over a popup menu

bool IsEditWithFocus(HWND hWnd)
{
    char name[16] = {};
    return hWnd && hWnd == GetFocus() && GetClassNameA(hWnd, name, sizeof name) && _stricmp(name, "Edit") == 0;
}
}

BEGIN_MESSAGE_MAP(CFrameWnd, CWnd)
    ON_WM_CREATE()
    ON_WM_SIZE()
    ON_WM_CLOSE()
    ON_WM_SETFOCUS()
    ON_MESSAGE(WM_INITMENUPOPUP, OnInitMenuPopup)
    ON_MESSAGE(WM_MENUSELECT, OnMenuSelect)
    ON_COMMAND(ID_VIEW_STATUS_BAR, OnViewStatusBar)
    ON_UPDATE_COMMAND_UI(ID_VIEW_STATUS_BAR, OnUpdateViewStatusBar)
END_MESSAGE_MAP()

bool CFrameWnd::LoadFrame(UINT idResource, DWORD style, HWND parent, CCreateContext* context)
{
    HINSTANCE instance = GetModuleHandle(nullptr);
    m_strTitle = ResourceStringField(idResource, 0);
    m_hMenuDefault = LoadMenu(instance, MAKEINTRESOURCE(idResource));
    m_hAccelTable = LoadAccelerators(instance, MAKEINTRESOURCE(idResource));
    HICON icon = LoadIcon(instance, MAKEINTRESOURCE(idResource));
    const char* className = RegisterOwnClass(CS_DBLCLKS, LoadCursor(nullptr, IDC_ARROW),
                                             reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1), icon);
    if (!className)
        return false;
    m_bAddToTitle = (style & FWS_ADDTOTITLE) != 0;
    // The bars and the view cover the whole client area: erasing under them
    // would only leave them blank until they repaint.
    style = (style & ~FWS_ADDTOTITLE) | WS_CLIPCHILDREN;

    // A window destroyed while it is being created leaves its object to us.
    m_pCreateContext = context;
    m_bCreating = true;
    const RECT place = {CW_USEDEFAULT, CW_USEDEFAULT, 0, 0};
    const bool created = CreateEx(0, className, m_strTitle.c_str(), style, place, parent,
                                  reinterpret_cast<UINT_PTR>(m_hMenuDefault));
    m_bCreating = false;
    m_pCreateContext = nullptr;
    return created && m_hWnd;
}

int CFrameWnd::OnCreate(LPCREATESTRUCT cs)
{
    return OnCreateClient(cs, m_pCreateContext) ? 0 : -1;
}

bool CFrameWnd::OnCreateClient(LPCREATESTRUCT, CCreateContext* context)
{
    if (!context || !context->m_newView)
        return true;
    CView* view = context->m_newView();
    view->m_pDocument = context->m_pCurrentDoc;
    if (!view->Create(m_hWnd, AFX_IDW_PANE_FIRST)) {
        delete view;
        return false;
    }
    if (context->m_pCurrentDoc)
        context->m_pCurrentDoc->AddView(view);
    SetActiveView(view);
    return true;
}

void CFrameWnd::InitialUpdateFrame(CDocument* document, bool makeVisible)
{
    if (document)
        for (CView* view : std::vector<CView*>(document->m_viewList))
            view->OnInitialUpdate();
    OnUpdateFrameTitle(true);
    RecalcLayout();
    if (makeVisible)
        ActivateFrame();
}

void CFrameWnd::ActivateFrame(int showCommand)
{
    ShowWindow(showCommand == -1 ? SW_SHOW : showCommand);
    BringWindowToTop(m_hWnd);
    // Shown, the view takes the focus the frame got on the way.
    if (m_pViewActive && m_pViewActive->m_hWnd && ::IsWindowVisible(m_pViewActive->m_hWnd) && ::GetFocus() == m_hWnd)
        ::SetFocus(m_pViewActive->m_hWnd);
}

void CFrameWnd::OnUpdateFrameTitle(bool addToTitle)
{
    if (!m_bAddToTitle || !addToTitle)
        return;
    CDocument* document = m_pViewActive ? m_pViewActive->GetDocument() : nullptr;
    SetWindowText(document ? document->m_strTitle + " - " + m_strTitle : m_strTitle);
}

CControlBar* CFrameWnd::GetControlBar(UINT id) const
{
    for (CControlBar* bar : m_controlBars)
        if (bar->m_hWnd && bar->GetDlgCtrlID() == id)
            return bar;
    return nullptr;
}

void CFrameWnd::ShowControlBar(CControlBar* bar, bool show)
{
    bar->ShowWindow(show ? SW_SHOW : SW_HIDE);
    RecalcLayout();
}

void CFrameWnd::RecalcLayout()
{
    if (!m_hWnd || IsIconic(m_hWnd))
        return;
    const RECT client = GetClientRect();
    const int width = client.right;
    int top = 0;
    int bottom = client.bottom;
    for (CControlBar* bar : m_controlBars) {
        if (!bar->m_hWnd || bar->GetParent() != m_hWnd || !bar->IsWindowVisible())
            continue;
        const int height = bar->LayoutHeight(width);
        if (bar->GetBarStyle() & CBRS_ALIGN_TOP) {
            ::MoveWindow(bar->m_hWnd, 0, top, width, height, TRUE);
            top += height;
        } else if (bar->GetBarStyle() & CBRS_ALIGN_BOTTOM) {
            bottom -= height;
            ::MoveWindow(bar->m_hWnd, 0, bottom, width, height, TRUE);
        }
    }
    if (m_pViewActive && m_pViewActive->m_hWnd)
        ::MoveWindow(m_pViewActive->m_hWnd, 0, top, width, bottom > top ? bottom - top : 0, TRUE);
}

void CFrameWnd::OnSize(UINT type, int, int)
{
    if (type != SIZE_MINIMIZED)
        RecalcLayout();
}

void CFrameWnd::OnClose()
{
    DestroyWindow();
}

void CFrameWnd::PostNcDestroy()
{
    if (m_bCreating)
        return;
    if (m_pTemplate)
        m_pTemplate->FrameDestroyed();
    if (CWinApp* app = AfxGetApp(); app && app->m_pMainWnd == this) {
        app->m_pMainWnd = nullptr;
        PostQuitMessage(0);
    }
    delete this;
}

bool CFrameWnd::OnCmdMsg(UINT id, CCmdUI* pUpdate, bool probeOnly)
{
    if (m_pViewActive && m_pViewActive->OnCmdMsg(id, pUpdate, probeOnly))
        return true;
    if (CWnd::OnCmdMsg(id, pUpdate, probeOnly))
        return true;
    CWinApp* app = AfxGetApp();
    return app && app->OnCmdMsg(id, pUpdate, probeOnly);
}

// The focus the frame gets (at start-up, when it is activated again, when a
// dialog closes) goes on to its view, where the keys work.
bool CFrameWnd::OnSetFocus(HWND)
{
    if (!m_pViewActive || !m_pViewActive->m_hWnd || !::IsWindowVisible(m_pViewActive->m_hWnd))
        return false;
    ::SetFocus(m_pViewActive->m_hWnd);
    return true;
}

// An edit control with the focus (a name being edited in the list) has its
// keys first: the clipboard and undo keys are its own, not commands.
BOOL CFrameWnd::PreTranslateMessage(MSG* msg)
{
    if (msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST || !m_hAccelTable)
        return FALSE;
    if (IsEditWithFocus(msg->hwnd))
        return FALSE;
    return TranslateAccelerator(m_hWnd, m_hAccelTable, msg);
}

// Tooltips of toolbar buttons: the text after the line break of the
// command's string, while the bar asks for tooltips.
bool CFrameWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (header->code == TTN_GETDISPINFOA || header->code == TTN_GETDISPINFOW) {
        bool wanted = false;
        for (CControlBar* bar : m_controlBars)
            if (auto* toolBar = dynamic_cast<CToolBar*>(bar); toolBar && toolBar->m_hWnd &&
                                                                reinterpret_cast<HWND>(toolBar->SendMessage(TB_GETTOOLTIPS)) ==
                                                                    header->hwndFrom)
                wanted = (bar->GetBarStyle() & CBRS_TOOLTIPS) != 0;
        const std::string tip = wanted ? ResourceStringField(UINT(header->idFrom), 1) : std::string();
        if (header->code == TTN_GETDISPINFOA) {
            auto* info = reinterpret_cast<NMTTDISPINFOA*>(lParam);
            snprintf(info->szText, sizeof info->szText, "%s", tip.c_str());
            info->lpszText = info->szText;
        } else {
            auto* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
            const int n = MultiByteToWideChar(CP_ACP, 0, tip.c_str(), -1, info->szText,
                                              int(sizeof info->szText / sizeof info->szText[0]));
            if (n == 0)
                info->szText[0] = 0;
            info->szText[sizeof info->szText / sizeof info->szText[0] - 1] = 0;
            info->lpszText = info->szText;
        }
        result = 0;
        return true;
    }
    return CWnd::OnNotify(wParam, lParam, result);
}

// Every command item of a menu that opens gets its state from the handlers;
// an item nobody handles is greyed.
LRESULT CFrameWnd::OnInitMenuPopup(WPARAM wParam, LPARAM lParam)
{
    if (HIWORD(lParam))
        return Default();
    HMENU menu = reinterpret_cast<HMENU>(wParam);
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        const UINT id = GetMenuItemID(menu, i);
        if (id == 0 || id == UINT(-1))
            continue;
        CCmdUI ui;
        ui.m_nID = id;
        ui.m_hMenu = menu;
        ui.m_nIndex = UINT(i);
        ui.DoUpdate(this, true);
    }
    return 0;
}

LRESULT CFrameWnd::OnMenuSelect(WPARAM wParam, LPARAM lParam)
{
    const UINT item = LOWORD(wParam);
    const UINT flags = HIWORD(wParam);
    if (flags == 0xFFFF && lParam == 0)
        m_nIDTracking = 0; // the menu closed
    else if (flags & (MF_SEPARATOR | MF_POPUP | MF_SYSMENU))
        m_nIDTracking = kNoPrompt;
    else
        m_nIDTracking = item;
    ShowPrompt(m_nIDTracking);
    return 0;
}

void CFrameWnd::SetMessageText(UINT id)
{
    ShowPrompt(id);
}

void CFrameWnd::SetMessageText(const std::string& text)
{
    if (CStatusBar* bar = StatusBar())
        bar->SetPaneText(0, text);
    m_nIDLastMessage = kNoPrompt;
}

void CFrameWnd::SetFlyByCommand(UINT id)
{
    m_nIDTracking = id;
    ShowPrompt(id);
}

void CFrameWnd::SetIdleText(const std::string& text)
{
    m_sIdleText = text;
    m_nIDTracking = 0;
    ShowPrompt(0);
}

// A command from a menu or a key begins: the last one's closing line has
// been read.
bool CFrameWnd::OnCommand(WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (lParam == 0 && LOWORD(wParam) != 0)
        m_sIdleText.clear();
    return CWnd::OnCommand(wParam, lParam, result);
}

void CFrameWnd::ShowPrompt(UINT id)
{
    std::string text;
    if (id == 0)
        text = m_sIdleText.empty() ? LoadResourceString(AFX_IDS_IDLEMESSAGE) : m_sIdleText;
    else if (id != kNoPrompt)
        text = ResourceStringField(id, 0);
    if (CStatusBar* bar = StatusBar())
        bar->SetPaneText(0, text);
    m_nIDLastMessage = id;
}

void CFrameWnd::OnIdleUpdateCmdUI()
{
    for (CControlBar* bar : m_controlBars)
        if (bar->m_hWnd)
            bar->OnUpdateCmdUI(this, true);
    if (m_nIDTracking != m_nIDLastMessage)
        ShowPrompt(m_nIDTracking);
}

CStatusBar* CFrameWnd::StatusBar() const
{
    return dynamic_cast<CStatusBar*>(GetControlBar(AFX_IDW_STATUS_BAR));
}

void CFrameWnd::OnViewStatusBar()
{
    if (CControlBar* bar = GetControlBar(ID_VIEW_STATUS_BAR))
        ShowControlBar(bar, !bar->IsWindowVisible());
}

void CFrameWnd::OnUpdateViewStatusBar(CCmdUI* pCmdUI)
{
    CControlBar* bar = GetControlBar(ID_VIEW_STATUS_BAR);
    pCmdUI->Enable(bar != nullptr);
    pCmdUI->SetCheck(bar && bar->IsWindowVisible());
}
