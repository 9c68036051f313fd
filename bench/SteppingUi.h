#pragma once
// A user interface for the benchmarks: messages to standard error, every
// question answered yes, every transfer run step after step, counted.

#include <cstdio>
#include <string>

#include "storage/UserInterface.h"

// Runs every transfer step after step and counts the steps.
class SteppingUi : public UserInterface {
public:
    void ShowMessage(const std::string& text) override { std::fputs(text.c_str(), stderr); }
    bool AskYesNo(const std::string&) override { return true; }
    int RunTransfer(TransferStep& step) override
    {
        NoBar bar;
        for (;;) {
            ++steps;
            const StepOutcome outcome = step.Step(bar);
            if (outcome != StepOutcome::Continue)
                return outcome == StepOutcome::EndOk ? kTransferOk : kTransferCancel;
        }
    }
    void ShowProgress(int, int) override {}
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    long steps = 0;

private:
    struct NoBar : ProgressBar {
        void SetPos(int) override {}
    };
};
