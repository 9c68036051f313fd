#pragma once
// A static text or picture control.

#include "framework/Wnd.h"

class CStatic : public CWnd {
    DECLARE_MESSAGE_MAP()
};
