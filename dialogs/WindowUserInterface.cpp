#include "dialogs/WindowUserInterface.h"

#include "frame/MainFrame.h"
#include "dialogs/ConvertDlg.h"
#include "dialogs/DownloadDlg.h"
#include "dialogs/RescueDlg.h"
#include "dialogs/SaveDirectoryDlg.h"
#include "dialogs/UploadDlg.h"
#include "framework/WinApp.h"
#include "format/CodePageSongNames.h"

const SongNameText& WindowUserInterface::Names() const
{
    static const WindowSongNames s_names;
    return s_names;
}

void WindowUserInterface::ShowMessage(const std::string& text)
{
    AfxMessageBox(text, MB_OK);
}

bool WindowUserInterface::AskYesNo(const std::string& text)
{
    return AfxMessageBox(text, MB_YESNO) == IDYES;
}

bool WindowUserInterface::AskYesNoDefaultNo(const std::string& text)
{
    return AfxMessageBox(text, MB_YESNO | MB_DEFBUTTON2) == IDYES;
}

namespace {

// The dialog of each kind of transfer, run modally; -1 when it cannot be made.
INT_PTR RunDialog(TransferStep& step)
{
    switch (step.Kind()) {
    case TransferKind::SaveDirectory:
        return CSaveDirectoryDlg(step).DoModal();
    case TransferKind::Upload:
        return CUploadDlg(step).DoModal();
    case TransferKind::Download:
        return CDownloadDlg(step).DoModal();
    case TransferKind::Rescue:
        return CRescueDlg(step).DoModal();
    case TransferKind::Convert:
        return CConvertDlg(step).DoModal();
    }
    return -1;
}

}

int WindowUserInterface::RunTransfer(TransferStep& step)
{
    const INT_PTR result = RunDialog(step);
    if (result == IDOK)
        return kTransferOk;
    return result == -1 ? kTransferNotCreated : kTransferCancel;
}

void WindowUserInterface::ShowProgress(int position, int range)
{
    if (CProgressStatusBar* bar = GetMainStatusBar())
        bar->ShowProgress(position, range);
}

void WindowUserInterface::BeginWaitCursor()
{
    HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    if (m_nWaitDepth++ == 0)
        m_hRestoreCursor = previous;
}

void WindowUserInterface::EndWaitCursor()
{
    if (m_nWaitDepth > 0 && --m_nWaitDepth == 0)
        SetCursor(m_hRestoreCursor ? m_hRestoreCursor : LoadCursor(nullptr, IDC_ARROW));
}
