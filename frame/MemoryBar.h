#pragma once
// The memory selector bar: a combo box that shows the player's one memory.

#include "framework/DialogBar.h"

class CMemoryBar : public CDialogBar {
    DECLARE_MESSAGE_MAP()

public:
    int m_nMemoryIndex = -1;

    bool Create(HWND parent, UINT templateId, DWORD style, UINT id) override;
    void DoDataExchange(CDataExchange* pDX) override;
};
