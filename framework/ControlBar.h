#pragma once
// What the frame lays out around its view: bars at the top or bottom, each
// with a bar style of CBRS_* bits, and the command state of their buttons.

#include "framework/Wnd.h"

class CFrameWnd;

// Bar styles, kept in the low word next to the window style bits.
constexpr DWORD CBRS_ALIGN_TOP = 0x1000;
constexpr DWORD CBRS_ALIGN_BOTTOM = 0x4000;
constexpr DWORD CBRS_BORDER_TOP = 0x0200;
constexpr DWORD CBRS_BORDER_BOTTOM = 0x0800;
constexpr DWORD CBRS_TOOLTIPS = 0x0010;
constexpr DWORD CBRS_FLYBY = 0x0020;
constexpr DWORD CBRS_TOP = CBRS_ALIGN_TOP | CBRS_BORDER_BOTTOM;
constexpr DWORD CBRS_BOTTOM = CBRS_ALIGN_BOTTOM | CBRS_BORDER_TOP;
constexpr DWORD kBarStyleMask = 0xFFFF;

class CControlBar : public CWnd {
    DECLARE_MESSAGE_MAP()

public:
    DWORD GetBarStyle() const { return m_dwStyle; }
    void SetBarStyle(DWORD style) { m_dwStyle = style; }

    // The height the bar takes at the given frame width, after sizing itself.
    virtual int LayoutHeight(int width);
    // Sets the enable state of the bar's buttons from the frame's handlers.
    virtual void OnUpdateCmdUI(CFrameWnd* target, bool disableIfNoHandler);

protected:
    // Splits a style into the bar style it keeps and the window style it
    // creates with, and tells the frame about the new bar.
    DWORD TakeBarStyle(DWORD style, HWND parent);

    DWORD m_dwStyle = 0;
    CFrameWnd* m_pFrame = nullptr; // the frame that lays the bar out
};
