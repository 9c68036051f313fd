#pragma once
// A bar that is a child dialog made from a template.

#include "framework/ControlBar.h"

class CDialogBar : public CControlBar {
    DECLARE_MESSAGE_MAP()

public:
    virtual bool Create(HWND parent, UINT templateId, DWORD style, UINT id);
    BOOL OnDialogCreated() override;

private:
    UINT m_nTemplate = 0;
};
