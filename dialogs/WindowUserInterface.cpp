#include "dialogs/WindowUserInterface.h"

#include "app/MainFrame.h"
#include "dialogs/DownloadDlg.h"
#include "dialogs/RescueDlg.h"
#include "dialogs/SaveDirectoryDlg.h"
#include "dialogs/UploadDlg.h"
#include "framework/WinApp.h"
#include "storage/format/CodePageSongNames.h"

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

int WindowUserInterface::RunTransfer(TransferStep& step)
{
    INT_PTR result = -1;
    switch (step.Kind()) {
    case TransferKind::SaveDirectory: {
        CSaveDirectoryDlg dialog(static_cast<SaveDirectoryStep&>(step));
        result = dialog.DoModal();
        break;
    }
    case TransferKind::Upload: {
        CUploadDlg dialog(static_cast<UploadStep&>(step));
        result = dialog.DoModal();
        break;
    }
    case TransferKind::Download: {
        CDownloadDlg dialog(static_cast<DownloadStep&>(step));
        result = dialog.DoModal();
        break;
    }
    case TransferKind::Rescue: {
        CRescueDlg dialog(static_cast<RescueStep&>(step));
        result = dialog.DoModal();
        break;
    }
    case TransferKind::Convert:
        break; // the window converts nothing yet: its builds have no FFmpeg
    }
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
