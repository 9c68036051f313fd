#include "dialogs/ConversionDlg.h"

#include <string>

#include "audio/Conversion.h"
#include "framework/DataExchange.h"
#include "res/resource.h"

BEGIN_MESSAGE_MAP(CConversionDlg, CDialog)
    ON_COMMAND(IDC_BITRATE, OnBitRate)
    ON_COMMAND(IDC_SPEECH, OnSpeech)
    ON_COMMAND(IDC_AS_IS, OnAsIs)
END_MESSAGE_MAP()

CConversionDlg::CConversionDlg(const UploadOptions& options) : CDialog(IDD_CONVERSION), m_options(options) {}

BOOL CConversionDlg::OnInitDialog()
{
    HWND rates = GetDlgItem(IDC_BITRATE);
    for (int kbps = 8; kbps <= 320; kbps += 8) {
        if (!IsMp3BitRate(kbps))
            continue;
        const std::string text = std::to_string(kbps) + " kbps";
        const LRESULT item = ::SendMessageA(rates, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        ::SendMessageA(rates, CB_SETITEMDATA, WPARAM(item), LPARAM(kbps));
    }
    CDialog::OnInitDialog();
    EnableConversionChoices();
    ShowBitRateHint();
    return TRUE;
}

void CConversionDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    if (pDX->m_bSaveAndValidate)
        m_options.kbps = SelectedKbps();
    else
        SelectKbps(m_options.kbps > 0 ? m_options.kbps : kDefaultKbps);
    DDX_Check(pDX, IDC_SPEECH, m_options.speech);
    DDX_Check(pDX, IDC_REENCODE, m_options.reencodePlayable);
    DDX_Check(pDX, IDC_AS_IS, m_options.asIs);
    DDX_Check(pDX, IDC_STRIP_TAGS, m_options.stripTags);
    DDX_Check(pDX, IDC_NAME_FROM_TAGS, m_options.nameFromTags);
    DDX_Check(pDX, IDC_LEVEL, m_options.level);
}

void CConversionDlg::SelectKbps(int kbps)
{
    HWND rates = GetDlgItem(IDC_BITRATE);
    const int count = int(::SendMessageA(rates, CB_GETCOUNT, 0, 0));
    for (int item = 0; item < count; ++item)
        if (::SendMessageA(rates, CB_GETITEMDATA, WPARAM(item), 0) == kbps)
            ::SendMessageA(rates, CB_SETCURSEL, WPARAM(item), 0);
}

int CConversionDlg::SelectedKbps() const
{
    HWND rates = GetDlgItem(IDC_BITRATE);
    const LRESULT item = ::SendMessageA(rates, CB_GETCURSEL, 0, 0);
    const LRESULT kbps = item == CB_ERR ? CB_ERR : ::SendMessageA(rates, CB_GETITEMDATA, WPARAM(item), 0);
    return kbps == CB_ERR ? kDefaultKbps : int(kbps);
}

// Speech is mono at 64 kbps: the rate follows the box, and the user may
// still choose another.
void CConversionDlg::OnSpeech()
{
    if (IsDlgButtonChecked(m_hWnd, IDC_SPEECH) == BST_CHECKED)
        SelectKbps(kSpeechKbps);
    else if (SelectedKbps() == kSpeechKbps)
        SelectKbps(kDefaultKbps);
    ShowBitRateHint();
}

void CConversionDlg::OnBitRate()
{
    ShowBitRateHint();
}

void CConversionDlg::ShowBitRateHint()
{
    const bool mono = IsDlgButtonChecked(m_hWnd, IDC_SPEECH) == BST_CHECKED;
    ::SetDlgItemTextA(m_hWnd, IDC_BITRATE_HINT, BitRateHint(SelectedKbps(), mono).c_str());
}

void CConversionDlg::OnAsIs()
{
    EnableConversionChoices();
}

void CConversionDlg::EnableConversionChoices()
{
    const BOOL converting = IsDlgButtonChecked(m_hWnd, IDC_AS_IS) != BST_CHECKED;
    for (int id : {IDC_BITRATE, IDC_SPEECH, IDC_REENCODE, IDC_STRIP_TAGS, IDC_LEVEL})
        EnableWindow(GetDlgItem(id), converting);
}
