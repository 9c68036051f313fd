#pragma once
// A frame: the top-level window with its menu, accelerators, icon and title
// from one resource id, its control bars laid out around the view, command
// routing (view, document, frame, application), command enable state for
// menu items and toolbar buttons, and the status-bar prompts.

#include <string>
#include <vector>

#include "framework/Wnd.h"

class CControlBar;
class CDocument;
class CSingleDocTemplate;
class CStatusBar;
class CView;
struct CCreateContext;

constexpr DWORD FWS_ADDTOTITLE = 0x00008000;

class CFrameWnd : public CWnd {
    DECLARE_MESSAGE_MAP()

public:
    // Menu, accelerators, icon and the title (the first field of the string)
    // of one resource id; the view from the context.
    virtual bool LoadFrame(UINT idResource, DWORD style, HWND parent, CCreateContext* context);
    virtual bool OnCreateClient(LPCREATESTRUCT cs, CCreateContext* context);
    virtual void OnUpdateFrameTitle(bool addToTitle);
    void InitialUpdateFrame(CDocument* document, bool makeVisible);
    virtual void ActivateFrame(int showCommand = -1);

    CView* GetActiveView() const { return m_pViewActive; }
    void SetActiveView(CView* view) { m_pViewActive = view; }

    void AddControlBar(CControlBar* bar) { m_controlBars.push_back(bar); }
    CControlBar* GetControlBar(UINT id) const;
    void ShowControlBar(CControlBar* bar, bool show);
    // Places the top bars, the bottom bars and the view; the one place that
    // moves them.
    virtual void RecalcLayout();

    // Pane 0 of the status bar: a command's prompt, or the idle text for id 0.
    void SetMessageText(UINT id);
    void SetMessageText(const std::string& text);
    // What pane 0 says while no menu item is chosen: the closing line of the
    // last command, kept through menus until the next command begins; the
    // idle text ("Ready") when empty.
    void SetIdleText(const std::string& text);
    // The pointer rests on a toolbar button (or left it, with id 0).
    void SetFlyByCommand(UINT id);
    void OnIdleUpdateCmdUI();

    bool OnCmdMsg(UINT id, CCmdUI* pUpdate, bool probeOnly = false) override;
    BOOL PreTranslateMessage(MSG* msg) override;
    bool OnNotify(WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool OnCommand(WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool OnSetFocus(HWND losing);
    void PostNcDestroy() override;

    std::string m_strTitle;
    HMENU m_hMenuDefault = nullptr;
    HACCEL m_hAccelTable = nullptr;
    CSingleDocTemplate* m_pTemplate = nullptr;

protected:
    int OnCreate(LPCREATESTRUCT cs);
    void OnSize(UINT type, int cx, int cy);
    void OnClose();
    LRESULT OnInitMenuPopup(WPARAM wParam, LPARAM lParam);
    LRESULT OnMenuSelect(WPARAM wParam, LPARAM lParam);
    void OnViewStatusBar();
    void OnUpdateViewStatusBar(CCmdUI* pCmdUI);

private:
    void ShowPrompt(UINT id);
    CStatusBar* StatusBar() const;

    CView* m_pViewActive = nullptr;
    std::vector<CControlBar*> m_controlBars;
    CCreateContext* m_pCreateContext = nullptr;
    bool m_bCreating = false;
    bool m_bAddToTitle = false;
    UINT m_nIDTracking = 0;    // what pane 0 should show: a command, or 0 for idle
    UINT m_nIDLastMessage = ~0u; // what it shows
    std::string m_sIdleText;
};
