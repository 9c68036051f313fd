#include "dialogs/FillDlg.h"

#include "framework/DataExchange.h"
#include "res/resource.h"

namespace {
const int kOrderButtons[] = {IDC_FILL_RANDOM, IDC_FILL_NEWEST, IDC_FILL_ALBUMS};
}

CFillDlg::CFillDlg(const std::string& source, const FillChoices& choices)
    : CDialog(IDD_FILL), m_source(source), m_choices(choices)
{
}

BOOL CFillDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetDlgItemTextA(m_hWnd, IDC_FILL_SOURCE, m_source.c_str());
    return TRUE;
}

void CFillDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    if (pDX->m_bSaveAndValidate) {
        for (int i = 0; i < 3; ++i)
            if (IsDlgButtonChecked(m_hWnd, kOrderButtons[i]) == BST_CHECKED)
                m_choices.order = FillOrder(i);
    } else {
        CheckRadioButton(m_hWnd, IDC_FILL_RANDOM, IDC_FILL_ALBUMS, kOrderButtons[int(m_choices.order)]);
    }
    DDX_Check(pDX, IDC_FILL_KEEP, m_choices.keep);
}
