#pragma once
// Data exchange: binding dialog controls to member objects and values, in
// either direction.

#include <windows.h>

class CWnd;

class CDataExchange {
public:
    CDataExchange(CWnd* dialog, bool saveAndValidate) : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}
    CWnd* m_pDlgWnd;
    bool m_bSaveAndValidate;
};

// Attaches control `id` of the dialog to `control` (once).
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);
// A combo box's zero-based selection.
void DDX_CBIndex(CDataExchange* pDX, int id, int& index);
// Whether a check box is checked.
void DDX_Check(CDataExchange* pDX, int id, bool& checked);

// Runs the dialog-init data of a template: messages for its controls, such
// as the strings of a combo box.
void ExecuteDlgInit(HWND dialog, UINT templateId);

// The dialog procedure of every window made from a template: it attaches the
// object at WM_INITDIALOG and lets the message map handle everything after.
INT_PTR CALLBACK AttachingDialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
