#pragma once
// A user interface for tests: it notes every message and progress call,
// answers questions from a script, and runs transfers step after step like a
// dialog whose timer never waits. It can press Cancel after a number of
// steps, or fail to create the dialog.

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "storage/UserInterface.h"

class ScriptedUi : public UserInterface {
public:
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    bool AskYesNo(const std::string& text) override
    {
        questions.push_back(text);
        return answerYes;
    }
    bool AskYesNoDefaultNo(const std::string& text) override
    {
        defaultNoQuestions.push_back(text);
        return answerYesWhereNoIsTheDefault;
    }
    int RunTransfer(TransferStep& step) override
    {
        transfers.push_back(step.Kind());
        if (failToCreate)
            return kTransferNotCreated;
        Bar bar(*this);
        for (int steps = 0;; ++steps) {
            if (steps == cancelAfterSteps && step.UserMayCancel())
                return kTransferCancel;
            if (step.Stalled() || steps >= maxSteps)
                return kTransferCancel; // the user gives up on a dialog that does nothing
            ++stepsRun;
            if (beforeStep)
                beforeStep(step.Kind(), steps);
            const StepOutcome outcome = step.Step(bar);
            if (outcome == StepOutcome::EndOk)
                return kTransferOk;
            if (outcome == StepOutcome::EndCancel)
                return kTransferCancel;
        }
    }
    void ShowProgress(int position, int range) override { progress.emplace_back(position, range); }
    void BeginWaitCursor() override { ++waitCursorDepth; }
    void EndWaitCursor() override { --waitCursorDepth; }

    int Count(TransferKind kind) const
    {
        int n = 0;
        for (TransferKind k : transfers)
            n += k == kind;
        return n;
    }

    std::vector<std::string> messages;
    std::vector<std::string> questions;
    std::vector<std::string> defaultNoQuestions; // asked with No as the default
    std::vector<TransferKind> transfers;
    std::vector<std::pair<int, int>> progress;
    std::vector<int> barPositions;
    bool answerYes = true;
    bool answerYesWhereNoIsTheDefault = false; // the user takes the default
    bool failToCreate = false;
    int cancelAfterSteps = -1;
    int maxSteps = 1000000;
    int stepsRun = 0;
    int waitCursorDepth = 0;
    // Runs before each step of a transfer, with the step's number in it:
    // where a test pulls the cable or cuts the power.
    std::function<void(TransferKind, int)> beforeStep;

private:
    class Bar : public ProgressBar {
    public:
        explicit Bar(ScriptedUi& ui) : m_ui(ui) {}
        void SetPos(int position) override { m_ui.barPositions.push_back(position); }

    private:
        ScriptedUi& m_ui;
    };
};
