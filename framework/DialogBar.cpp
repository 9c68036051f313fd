#include "framework/DialogBar.h"

#include "framework/DataExchange.h"

BEGIN_MESSAGE_MAP(CDialogBar, CControlBar)
END_MESSAGE_MAP()

bool CDialogBar::Create(HWND parent, UINT templateId, DWORD style, UINT id)
{
    TakeBarStyle(style, parent);
    m_nTemplate = templateId;
    HWND hWnd = CreateDialogParamA(GetModuleHandle(nullptr), MAKEINTRESOURCE(templateId), parent,
                                   &AttachingDialogProc, reinterpret_cast<LPARAM>(this));
    if (!hWnd || m_hWnd != hWnd)
        return false;
    SetWindowLongPtrA(m_hWnd, GWLP_ID, LONG_PTR(id));
    return true;
}

BOOL CDialogBar::OnDialogCreated()
{
    ExecuteDlgInit(m_hWnd, m_nTemplate);
    return FALSE;
}
