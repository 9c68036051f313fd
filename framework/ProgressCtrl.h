#pragma once
// A progress bar.

#include "framework/Wnd.h"

#include <commctrl.h>

class CProgressCtrl : public CWnd {
    DECLARE_MESSAGE_MAP()

public:
    bool Create(DWORD style, const RECT& rect, HWND parent, UINT id)
    {
        return CreateEx(0, PROGRESS_CLASSA, "", style, rect, parent, id);
    }
    // Both ends are 16-bit.
    void SetRange(short lower, short upper) const { SendMessage(PBM_SETRANGE, 0, MAKELPARAM(lower, upper)); }
    void GetRange(int& lower, int& upper) const
    {
        PBRANGE range = {};
        SendMessage(PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
        lower = range.iLow;
        upper = range.iHigh;
    }
    int SetPos(int position) const { return int(SendMessage(PBM_SETPOS, WPARAM(position))); }
    int GetPos() const { return int(SendMessage(PBM_GETPOS)); }
};
