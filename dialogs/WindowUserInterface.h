#pragma once
// The storage operations' user interface in the window program: the
// application message box, the transfer dialogs, the main window's status
// bar progress and the wait cursor.

#include <windows.h>

#include "storage/UserInterface.h"

class WindowUserInterface : public UserInterface {
public:
    void ShowMessage(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;
    bool AskYesNoDefaultNo(const std::string& text) override;
    int RunTransfer(TransferStep& step) override;
    void ShowProgress(int position, int range) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    // Names in the system's code page (format/CodePageSongNames.h).
    const SongNameText& Names() const override;

private:
    int m_nWaitDepth = 0;
    HCURSOR m_hRestoreCursor = nullptr;
};
