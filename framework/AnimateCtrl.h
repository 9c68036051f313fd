#pragma once
// An animation control playing a clip resource of the program.

#include "framework/Wnd.h"

#include <commctrl.h>

class CAnimateCtrl : public CWnd {
    DECLARE_MESSAGE_MAP()

public:
    bool Open(UINT clipId) const
    {
        return SendMessage(ACM_OPENA, reinterpret_cast<WPARAM>(GetModuleHandle(nullptr)),
                           reinterpret_cast<LPARAM>(MAKEINTRESOURCEA(clipId))) != 0;
    }
    // Frames first to last (-1: the last frame), repeat times (-1: without end).
    bool Play(UINT first, UINT last, UINT repeat) const
    {
        return SendMessage(ACM_PLAY, WPARAM(repeat), MAKELPARAM(first, last)) != 0;
    }
    bool Stop() const { return SendMessage(ACM_STOP) != 0; }
    bool Close() const { return SendMessage(ACM_OPENA, 0, 0) != 0; }
};
