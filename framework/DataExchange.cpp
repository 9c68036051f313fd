#include "framework/DataExchange.h"

#include <cstring>
#include <string>

#include "framework/FrameworkIds.h"
#include "framework/Wnd.h"

void DDX_Control(CDataExchange* pDX, int id, CWnd& control)
{
    if (!control.m_hWnd)
        control.SubclassDlgItem(UINT(id), pDX->m_pDlgWnd->m_hWnd);
}

void DDX_CBIndex(CDataExchange* pDX, int id, int& index)
{
    HWND combo = pDX->m_pDlgWnd->GetDlgItem(id);
    if (pDX->m_bSaveAndValidate)
        index = int(SendMessage(combo, CB_GETCURSEL, 0, 0));
    else
        SendMessage(combo, CB_SETCURSEL, WPARAM(index), 0);
}

void DDX_Check(CDataExchange* pDX, int id, bool& checked)
{
    HWND box = pDX->m_pDlgWnd->GetDlgItem(id);
    if (pDX->m_bSaveAndValidate)
        checked = SendMessage(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
    else
        SendMessage(box, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool CWnd::UpdateData(bool saveAndValidate)
{
    CDataExchange dx(this, saveAndValidate);
    DoDataExchange(&dx);
    return true;
}

// Entries: control id (16 bits), message (16 bits), data length (32 bits),
// the data; a control id of 0 ends the list. Nothing is read past the
// resource's end.
void ExecuteDlgInit(HWND dialog, UINT templateId)
{
    HINSTANCE instance = GetModuleHandle(nullptr);
    HRSRC found = FindResourceA(instance, MAKEINTRESOURCE(templateId), MAKEINTRESOURCE(RT_DIALOG_INIT));
    if (!found)
        return;
    const DWORD size = SizeofResource(instance, found);
    const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(instance, found)));
    if (!data)
        return;
    DWORD at = 0;
    while (at + 8 <= size) {
        WORD control, message;
        DWORD length;
        std::memcpy(&control, data + at, 2);
        std::memcpy(&message, data + at + 2, 2);
        std::memcpy(&length, data + at + 4, 4);
        if (control == 0 || length > size - at - 8)
            return;
        std::string text(reinterpret_cast<const char*>(data + at + 8), length);
        SendDlgItemMessageA(dialog, control, message, 0, reinterpret_cast<LPARAM>(text.c_str()));
        at += 8 + length;
    }
}

INT_PTR CALLBACK AttachingDialogProc(HWND hWnd, UINT message, WPARAM, LPARAM lParam)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    auto* wnd = reinterpret_cast<CWnd*>(lParam);
    if (!wnd || !wnd->SubclassWindow(hWnd))
        return TRUE;
    return wnd->OnDialogCreated();
}
