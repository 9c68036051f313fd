#include "dialogs/TransferDlg.h"

#include "framework/DataExchange.h"
#include "res/resource.h"

namespace {
class DialogProgress : public ProgressBar {
public:
    explicit DialogProgress(CProgressCtrl& control) : m_control(control) {}
    void SetPos(int position) override { m_control.SetPos(position); }

private:
    CProgressCtrl& m_control;
};
}

BEGIN_MESSAGE_MAP(CTransferDlg, CDialog)
    ON_WM_TIMER()
END_MESSAGE_MAP()

void CTransferDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_ANIMATION, m_animation);
    DDX_Control(pDX, IDC_PROGRESS, m_progress);
}

BOOL CTransferDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    // "Converting 3 of 20: song.flac" in place of the dialog's usual text,
    // the file's name on a line of its own (no file name holds a colon).
    std::string title = m_step.Title();
    const size_t place = title.find(": ");
    if (place != std::string::npos)
        title.replace(place, 2, ":\n");
    if (!title.empty())
        SetDlgItemTextA(m_hWnd, IDC_TRANSFER_TEXT, title.c_str());
    m_animation.Open(IDR_TRANSFER_CLIP);
    m_animation.Play(0, UINT(-1), UINT(-1));
    SetTimer(1, UINT(TransferPeriodMs(m_step.Kind())));
    return TRUE;
}

// A step may show a message box, whose own loop keeps delivering this
// dialog's timer: such ticks are dropped rather than starting a second step
// inside the first.
void CTransferDlg::OnTimer(UINT_PTR)
{
    if (m_bInStep)
        return;
    m_bInStep = true;
    ++m_nTicks;
    DialogProgress bar(m_progress);
    const StepOutcome outcome = m_step.Step(bar);
    m_bInStep = false;
    if (outcome == StepOutcome::EndOk)
        CDialog::OnOK();
    else if (outcome == StepOutcome::EndCancel)
        EndDialog(IDCANCEL);
}

// The Cancel button, Esc and the close box.
void CTransferDlg::OnCancel()
{
    if (m_step.UserMayCancel())
        CDialog::OnCancel();
}
