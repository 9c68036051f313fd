// The transfer dialogs as modal windows: their results, their ticks, who
// may cancel them, and the storage operations running through them.

#include <gtest/gtest.h>

#include "WindowTestSupport.h"
#include "../portable/TestPlayer.h"
#include "frame/MainFrame.h"
#include "dialogs/DownloadDlg.h"
#include "dialogs/SaveDirectoryDlg.h"
#include "dialogs/UploadDlg.h"
#include "dialogs/WindowUserInterface.h"
#include "simulator/FactoryImage.h"

namespace {

// A transfer of `steps` steps that can act on its dialog before each one.
class ScriptedStep : public TransferStep {
public:
    ScriptedStep(TransferKind kind, int steps, bool userMayCancel = true)
        : m_kind(kind), m_nSteps(steps), m_bUserMayCancel(userMayCancel)
    {
    }
    TransferKind Kind() const override { return m_kind; }
    bool UserMayCancel() const override { return m_bUserMayCancel; }
    StepOutcome Step(ProgressBar& bar) override
    {
        dialog = GetActiveWindow();
        if (beforeStep)
            beforeStep(done);
        if (failAt == done)
            return StepOutcome::EndCancel;
        bar.SetPos(done * 100 / m_nSteps);
        return ++done == m_nSteps ? StepOutcome::EndOk : StepOutcome::Continue;
    }
    int done = 0;
    int failAt = -1;
    HWND dialog = nullptr;
    std::function<void(int)> beforeStep;

private:
    TransferKind m_kind;
    int m_nSteps;
    bool m_bUserMayCancel;
};

struct TransferDialogTest : ::testing::Test {
    void SetUp() override
    {
        TheTestApp();
        DropQuitMessage();
    }
};

TEST_F(TransferDialogTest, ADialogEndsWithOkWhenItsStepsComplete)
{
    ScriptedStep step(TransferKind::Upload, 5);
    CTransferDlg dialog(IDD_UPLOAD, step);
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(step.done, 5);
    EXPECT_EQ(dialog.Ticks(), 5);
    EXPECT_EQ(dialog.m_hWnd, nullptr);
}

TEST_F(TransferDialogTest, CancelBetweenStepsEndsItWithCancel)
{
    ScriptedStep step(TransferKind::Upload, 5);
    step.beforeStep = [&](int done) {
        if (done == 2)
            SendMessage(GetDlgItem(step.dialog, IDCANCEL), BM_CLICK, 0, 0);
    };
    CTransferDlg dialog(IDD_UPLOAD, step);
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(step.done, 3); // the step that was running completed
}

TEST_F(TransferDialogTest, EscapeAndTheCloseBoxCancelADownload)
{
    ScriptedStep step(TransferKind::Download, 50);
    step.beforeStep = [&](int done) {
        if (done == 1)
            PostMessage(step.dialog, WM_KEYDOWN, VK_ESCAPE, 0);
    };
    CTransferDlg dialog(IDD_DOWNLOAD, step);
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);

    ScriptedStep closed(TransferKind::Download, 50);
    closed.beforeStep = [&](int done) {
        if (done == 1)
            PostMessage(closed.dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    };
    CTransferDlg second(IDD_DOWNLOAD, closed);
    EXPECT_EQ(second.DoModal(), IDCANCEL);
    EXPECT_LT(closed.done, 50);
}

TEST_F(TransferDialogTest, AFailedStepEndsItWithCancel)
{
    ScriptedStep step(TransferKind::Upload, 5);
    step.failAt = 1;
    CTransferDlg dialog(IDD_UPLOAD, step);
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
}

TEST_F(TransferDialogTest, TheSaveDialogCannotBeCancelledByTheUser)
{
    ScriptedStep step(TransferKind::SaveDirectory, 20, false);
    step.beforeStep = [&](int done) {
        if (done == 3) {
            PostMessage(step.dialog, WM_KEYDOWN, VK_ESCAPE, 0);
            PostMessage(step.dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        }
    };
    CTransferDlg dialog(IDD_SAVE_DIRECTORY, step);
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(step.done, 20);
    EXPECT_EQ(GetDlgItem(step.dialog, IDCANCEL), nullptr);
}

TEST_F(TransferDialogTest, ADialogThatCannotBeCreatedGivesMinusOne)
{
    ScriptedStep step(TransferKind::Upload, 5);
    CTransferDlg dialog(999, step);
    EXPECT_EQ(dialog.DoModal(), -1);
    EXPECT_EQ(step.done, 0);
}

TEST_F(TransferDialogTest, TheAnimationPlaysAndTheProgressMoves)
{
    ScriptedStep step(TransferKind::Upload, 4);
    int seenPosition = -1;
    bool animationThere = false;
    step.beforeStep = [&](int done) {
        if (done == 3) {
            seenPosition = int(SendMessage(GetDlgItem(step.dialog, IDC_PROGRESS), PBM_GETPOS, 0, 0));
            animationThere = ClassNameOf(GetDlgItem(step.dialog, IDC_ANIMATION)) == "SysAnimate32";
        }
    };
    CTransferDlg dialog(IDD_UPLOAD, step);
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(seenPosition, 50);
    EXPECT_TRUE(animationThere);
}

// The storage operations with the real dialogs: a save of block 0 takes its
// 64 ticks of 10 ms.
TEST_F(TransferDialogTest, ARealSaveRunsThroughItsDialogPageByPage)
{
    TestPlayer t;
    MakeFactoryFresh(t.flash);
    WindowUserInterface ui;
    t.link->AttachUserInterface(&ui);
    t.link->InitializeDirectory();
    ASSERT_EQ(t.link->LoadDirectory(), 1);
    t.player.ClearLogs();
    const DWORD start = GetTickCount();
    ASSERT_EQ(t.link->SaveDirectory(), 1);
    EXPECT_GE(GetTickCount() - start, 64u * 10u - 20u);
    int programs = 0;
    for (const auto& op : t.player.Operations())
        programs += op.kind == FlashOperation::Program && op.page < 64;
    EXPECT_EQ(programs, 64); // block 0's pages; the shadow went elsewhere before them
    EXPECT_TRUE(t.player.ProtocolErrors().empty());
}

} // namespace
