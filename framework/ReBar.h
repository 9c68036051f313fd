#pragma once
// A rebar: other bars as its bands.

#include "framework/ControlBar.h"

#include <commctrl.h>
#include "framework/FrameworkIds.h"

class CReBar : public CControlBar {
    DECLARE_MESSAGE_MAP()

public:
    bool Create(HWND parent, DWORD ctrlStyle = RBS_BANDBORDERS,
                DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | CBRS_TOP,
                UINT id = AFX_IDW_REBAR);
    // Adds a band holding the bar, sized to it.
    bool AddBar(CWnd* bar, const char* text = nullptr, HBITMAP background = nullptr,
                DWORD bandStyle = RBBS_GRIPPERALWAYS | RBBS_FIXEDBMP);
    int GetBandCount() const { return int(SendMessage(RB_GETBANDCOUNT)); }

    int LayoutHeight(int width) override;
};
