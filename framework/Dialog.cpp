#include "framework/Dialog.h"

#include <algorithm>

#include "framework/DataExchange.h"
#include "framework/WinApp.h"

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, OnOKCommand)
    ON_COMMAND(IDCANCEL, OnCancelCommand)
END_MESSAGE_MAP()

BOOL CDialog::OnDialogCreated()
{
    ExecuteDlgInit(m_hWnd, m_nIDTemplate);
    return OnInitDialog();
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(false);
    return TRUE;
}

void CDialog::OnOK()
{
    if (UpdateData(true))
        EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::EndDialog(INT_PTR result)
{
    m_nModalResult = result;
    m_bEnded = true;
}

BOOL CDialog::PreTranslateMessage(MSG* msg)
{
    return m_hWnd && IsDialogMessageA(m_hWnd, msg);
}

// Over the middle of the owner, or of the screen's work area, kept on the screen.
void CDialog::CenterOver(HWND owner)
{
    RECT area = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    RECT around = area;
    if (owner && ::IsWindowVisible(owner) && !IsIconic(owner))
        ::GetWindowRect(owner, &around);
    const RECT r = GetWindowRect();
    const int width = r.right - r.left, height = r.bottom - r.top;
    int x = (around.left + around.right - width) / 2;
    int y = (around.top + around.bottom - height) / 2;
    x = std::max<int>(area.left, std::min<int>(x, area.right - width));
    y = std::max<int>(area.top, std::min<int>(y, area.bottom - height));
    SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CDialog::DoModal()
{
    CWinApp* app = AfxGetApp();
    HWND owner = m_hWndParent;
    if (!owner && app && app->m_pMainWnd)
        owner = app->m_pMainWnd->m_hWnd;
    if (owner && !IsWindow(owner))
        owner = nullptr;
    if (owner)
        owner = GetAncestor(owner, GA_ROOT);

    m_bEnded = false;
    m_nModalResult = -1;
    HWND hWnd = CreateDialogParamA(GetModuleHandle(nullptr), MAKEINTRESOURCE(m_nIDTemplate), owner,
                                   &AttachingDialogProc, reinterpret_cast<LPARAM>(this));
    if (!hWnd || m_hWnd != hWnd) {
        if (hWnd)
            ::DestroyWindow(hWnd);
        return -1;
    }
    const bool disableOwner = owner && IsWindowEnabled(owner);
    if (disableOwner)
        EnableWindow(owner, FALSE);
    if (!(GetStyle() & DS_CENTER))
        CenterOver(owner);
    if (!m_bEnded)
        ShowWindow(SW_SHOW);

    while (!m_bEnded) {
        MSG msg;
        if (!GetMessage(&msg, nullptr, 0, 0)) {
            PostQuitMessage(int(msg.wParam)); // the outer loop ends too
            m_nModalResult = IDCANCEL;
            break;
        }
        const bool taken = app ? app->PreTranslateMessage(&msg) : PreTranslateMessage(&msg);
        if (!taken) {
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
    }

    // Give activation back before the dialog goes, so the owner is not left behind other programs.
    if (disableOwner)
        EnableWindow(owner, TRUE);
    if (owner)
        SetActiveWindow(owner);
    ::DestroyWindow(hWnd);
    return m_nModalResult;
}
