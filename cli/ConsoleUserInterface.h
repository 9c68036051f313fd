#pragma once
// The storage operations on a terminal: their message texts on standard
// error as they stand, questions answered y or n on the terminal, transfers
// run step after step with no pause, progress as a bar when standard error
// is a terminal.

#include <string>

#include "storage/UserInterface.h"

class ConsoleUserInterface : public UserInterface {
public:
    ConsoleUserInterface();

    void ShowMessage(const std::string& text) override;
    // Under its message, with --verbose only.
    void ShowDetail(const std::string& text) override;
    void SetVerbose(bool verbose) { m_bVerbose = verbose; }
    bool AskYesNo(const std::string& text) override;
    int RunTransfer(TransferStep& step) override;
    void ShowProgress(int position, int range) override;
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    // The tool's names in its own text: UTF-8 on Linux, the code page on Windows.
    const SongNameText& Names() const override;

    // True when a question was refused because nobody could answer it.
    bool RefusedWithoutTerminal() const { return m_bRefused; }

private:
    void DrawBar(const std::string& label, int percent);
    void ClearBar();

    bool m_bBars;
    bool m_bBarShown = false;
    bool m_bRefused = false;
    bool m_bVerbose = false;
};
