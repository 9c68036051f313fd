#pragma once
// What the storage operations and song commands need from whoever shows them:
// messages, questions, the stepped transfer dialogs, the status-bar progress,
// the wait cursor and the text of song names. The window program implements
// it with real windows, the command-line tool on the terminal, tests with a
// script.

#include <string>

class SongNameText;

// The progress bar of a transfer dialog, range 0 to 100.
class ProgressBar {
public:
    virtual ~ProgressBar() = default;
    virtual void SetPos(int position) = 0;
};

enum class TransferKind { SaveDirectory, Upload, Download, Rescue, Convert };

enum class StepOutcome { Continue, EndOk, EndCancel };

// One transfer cut into steps; a dialog runs one step per timer tick.
class TransferStep {
public:
    virtual ~TransferStep() = default;
    virtual TransferKind Kind() const = 0;
    virtual StepOutcome Step(ProgressBar& bar) = 0;
    // Whether the user may end the transfer between steps.
    virtual bool UserMayCancel() const { return true; }
    // True while a step would do nothing at all (only the user can end it then).
    virtual bool Stalled() const { return false; }
    // What the progress says of this transfer ("Converting 3 of 20: song.flac");
    // empty for the kind's usual text.
    virtual std::string Title() const { return std::string(); }
};

// Milliseconds between the steps of each kind of transfer.
int TransferPeriodMs(TransferKind kind);

// What running a transfer gives back.
constexpr int kTransferOk = 1;
constexpr int kTransferCancel = 2;
constexpr int kTransferNotCreated = -1;

class UserInterface {
public:
    virtual ~UserInterface() = default;
    // The application message box: OK button, caption "Mellifon".
    virtual void ShowMessage(const std::string& text) = 0;
    // The words of a library behind the message just shown ("FFmpeg: ..."),
    // for those who ask for them: the tool's --verbose, the closing note of
    // the window's batches. Nothing by default.
    virtual void ShowDetail(const std::string&) {}
    // Yes/No, caption "Mellifon"; true only for Yes.
    virtual bool AskYesNo(const std::string& text) = 0;
    // The same, for a choice the user should make only on purpose: No is
    // the default button.
    virtual bool AskYesNoDefaultNo(const std::string& text) { return AskYesNo(text); }
    // Runs the transfer's dialog modally: kTransferOk, kTransferCancel or kTransferNotCreated.
    virtual int RunTransfer(TransferStep& step) = 0;
    // The status bar's progress control; position -1 hides it. Nothing when
    // there is no status bar.
    virtual void ShowProgress(int position, int range) = 0;
    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;
    // How this front end shows stored names and stores the names it is
    // given: by default the tool's rules with UTF-8 text.
    virtual const SongNameText& Names() const;
};

// The wait cursor for the life of a scope, on every path out of it.
class WaitCursor {
public:
    explicit WaitCursor(UserInterface& ui) : m_ui(ui) { m_ui.BeginWaitCursor(); }
    ~WaitCursor() { m_ui.EndWaitCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    UserInterface& m_ui;
};
