#include "dialogs/SyncDlg.h"

#include <algorithm>

#include "res/resource.h"

CSyncDlg::CSyncDlg(const SyncPlanPage& page, bool fits) : CDialog(IDD_SYNC), m_page(page), m_bFits(fits) {}

BOOL CSyncDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetDlgItemTextA(m_hWnd, IDC_SYNC_HEADING, m_page.heading.c_str());
    SetDlgItemTextA(m_hWnd, IDC_SYNC_MEMORY, m_page.memory.c_str());
    if (m_bFill) {
        ::SetWindowTextA(m_hWnd, "Fill Rio");
        SetDlgItemTextA(m_hWnd, IDOK, "&Fill");
    } else if (!m_bFits) {
        SetDlgItemTextA(m_hWnd, IDOK, "Sync the &head that fits");
    }
    HWND lines = GetDlgItem(IDC_SYNC_LINES);
    for (const std::string& line : m_page.lines)
        ::SendMessageA(lines, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    SetLinesExtent();
    return TRUE;
}

void CSyncDlg::SetLinesExtent()
{
    HWND lines = GetDlgItem(IDC_SYNC_LINES);
    HDC dc = GetDC(lines);
    if (!dc)
        return;
    HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(lines, WM_GETFONT, 0, 0)));
    int widest = 0;
    for (const std::string& line : m_page.lines) {
        SIZE size = {};
        if (GetTextExtentPoint32A(dc, line.c_str(), int(line.size()), &size))
            widest = std::max(widest, int(size.cx));
    }
    SelectObject(dc, previous);
    ReleaseDC(lines, dc);
    // The list's own margin on either side of a line.
    ::SendMessageA(lines, LB_SETHORIZONTALEXTENT, WPARAM(widest + 8), 0);
}
