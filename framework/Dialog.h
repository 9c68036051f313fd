#pragma once
// A modal dialog from a template, run by a modal loop of our own: the owner
// is disabled, messages go through pre-translation (IsDialogMessage for the
// dialog's keys) before they are dispatched, and ending the dialog takes
// effect when the handler that ended it returns.

#include "framework/Wnd.h"

class CDialog : public CWnd {
    DECLARE_MESSAGE_MAP()

public:
    explicit CDialog(UINT templateId, HWND parent = nullptr) : m_nIDTemplate(templateId), m_hWndParent(parent) {}

    // IDOK, IDCANCEL or what EndDialog was given; -1 when the dialog cannot be created.
    virtual INT_PTR DoModal();
    void EndDialog(INT_PTR result);

    // Dialog-init data and data exchange into the controls.
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();

    BOOL OnDialogCreated() override;
    BOOL PreTranslateMessage(MSG* msg) override;

    UINT m_nIDTemplate;
    HWND m_hWndParent;

protected:
    void OnOKCommand() { OnOK(); }
    void OnCancelCommand() { OnCancel(); }

private:
    void CenterOver(HWND owner);

    bool m_bEnded = false;
    INT_PTR m_nModalResult = -1;
};
