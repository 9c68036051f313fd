#pragma once
// The program's one top-level window: the rebar with the memory selector
// bar and the toolbar, the status bar, the song list as its client, and its
// placement kept in the profile between runs.

#include "frame/MemoryBar.h"
#include "frame/ProgressStatusBar.h"
#include "framework/FrameWnd.h"
#include "framework/ReBar.h"
#include "framework/ToolBar.h"
#include "res/resource.h"

class CMainFrame : public CFrameWnd {
    DECLARE_MESSAGE_MAP()

public:
    ~CMainFrame() override;

    // The caption the frame paints itself: fonts, state, and one cached
    // bitmap per state for the caption rectangle they were built for.
    HFONT m_versionFont = nullptr;
    HFONT m_nameFont = nullptr;
    BOOL m_bCaptionActive = FALSE;
    RECT m_rcCaption = {0, 0, 0, 0};
    HBITMAP m_captionBitmaps[2] = {nullptr, nullptr}; // inactive, active

    CProgressStatusBar m_statusBar;
    CToolBar m_toolBar;
    CReBar m_reBar;
    CMemoryBar m_memoryBar;

    // The resources the bars are made from (one id for all in the program).
    UINT m_nMemoryBarTemplate = IDR_MAINFRAME;
    UINT m_nToolBarResource = IDR_MAINFRAME;

    bool PreCreateWindow(CREATESTRUCT& cs) override;
    bool OnCreateClient(LPCREATESTRUCT cs, CCreateContext* context) override;
    // The window text stays the frame's title; no document name is shown.
    void OnUpdateFrameTitle(bool) override {}

    static bool LoadWindowPlacement(WINDOWPLACEMENT& placement);
    void SaveWindowPlacement();

    // The caption rectangle in window coordinates.
    RECT GetCaptionRect() const;
    // The cached caption of a state, built when needed.
    HBITMAP BuildCaptionBitmap(BOOL active);
    void PaintCaption(BOOL active);
    void CreateCaptionFonts();
    static void FillStrip(HDC dc, int x, int y, int width, int height, COLORREF colour);
    static const char* VersionText() { return "   version 1.012"; }

    // The caption's messages, replaceable by a derived frame.
    virtual LRESULT OnNcPaint(WPARAM region, LPARAM);
    virtual LRESULT OnNcActivate(WPARAM active, LPARAM);
    virtual LRESULT OnSysColorChange(WPARAM, LPARAM);
    virtual LRESULT OnSetText(WPARAM, LPARAM text);

protected:
    int OnCreate(LPCREATESTRUCT cs);
    void OnClose();
    // The caption's handling, then the bars and the list: the system tells
    // top-level windows only, and the controls keep colours of their own.
    LRESULT OnSysColorChangeMessage(WPARAM wParam, LPARAM lParam);

private:
    void ForgetCaption();
    void DeleteCaptionFonts();
    // Default processing with WS_VISIBLE taken away, so the system paints no caption.
    LRESULT DefaultWithoutPainting(UINT message, WPARAM wParam, LPARAM lParam);
};

// The main window's status bar, or null while there is no main window.
CProgressStatusBar* GetMainStatusBar();
