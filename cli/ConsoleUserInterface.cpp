#include "cli/ConsoleUserInterface.h"

#include <cstdio>
#include <functional>
#include <optional>

#include "cli/Terminal.h"
#include "link/PortStop.h"
#include "commands/FileSongName.h"
#include "format/SongName.h"
#ifdef _WIN32
#include "format/CodePageSongNames.h"
#endif

namespace {

const char* LabelOf(TransferKind kind)
{
    switch (kind) {
    case TransferKind::SaveDirectory:
        return "Saving directory";
    case TransferKind::Upload:
        return "Uploading";
    case TransferKind::Download:
        return "Downloading";
    case TransferKind::Rescue:
        return "Reading Rio's memory";
    case TransferKind::Convert:
        return "Converting";
    }
    return "";
}

class ConsoleBar : public ProgressBar {
public:
    explicit ConsoleBar(std::function<void(int)> draw) : m_draw(std::move(draw)) {}
    void SetPos(int position) override { m_draw(position); }

private:
    std::function<void(int)> m_draw;
};

}

ConsoleUserInterface::ConsoleUserInterface() : m_bBars(IsTerminal(stderr)) {}

const SongNameText& ConsoleUserInterface::Names() const
{
#ifdef _WIN32
    static const CodePageSongNames s_names;
#else
    static const Utf8SongNames s_names;
#endif
    return s_names;
}

void ConsoleUserInterface::ShowMessage(const std::string& text)
{
    ClearBar();
    // After Ctrl+C the link fails on purpose; what it would say then misleads.
    if (PortStopRequested())
        return;
    WriteText(stderr, text.empty() || text.back() != '\n' ? text + "\n" : text);
}

void ConsoleUserInterface::ShowDetail(const std::string& text)
{
    if (m_bVerbose && !text.empty())
        ShowMessage("  " + text);
}

bool ConsoleUserInterface::AskYesNo(const std::string& text)
{
    ClearBar();
    if (PortStopRequested())
        return false;
    if (!IsTerminal(stdin)) {
        // The question says why it is asked: with no one to answer it, the
        // reason must still reach the user.
        m_bRefused = true;
        std::fprintf(stderr, "%s\n(no terminal to answer on, so the answer is no)\n", text.c_str());
        return false;
    }
    WriteText(stderr, text + " [y/N] ");
    std::fflush(stderr);
    char answer[64] = {};
    if (!std::fgets(answer, sizeof answer, stdin))
        return false;
    return answer[0] == 'y' || answer[0] == 'Y';
}

// Ctrl+C ends a transfer between its steps, as the dialog's Cancel does; a
// transfer the user may not cancel (the directory save) runs to its end with
// the ports held open, and none starts after a stop.
int ConsoleUserInterface::RunTransfer(TransferStep& step)
{
    if (PortStopRequested())
        return kTransferCancel;
    std::optional<PortStopHold> hold;
    if (!step.UserMayCancel())
        hold.emplace();
    const std::string title = step.Title();
    const std::string label = title.empty() ? LabelOf(step.Kind()) : title;
    ConsoleBar bar([this, &label](int percent) { DrawBar(label, percent); });
    DrawBar(label, 0);
    int result = kTransferCancel;
    for (;;) {
        // Nobody can press Cancel here, so a transfer with nothing to do ends.
        if (step.Stalled() || (step.UserMayCancel() && PortStopRequested()))
            break;
        const StepOutcome outcome = step.Step(bar);
        if (outcome == StepOutcome::EndOk) {
            result = kTransferOk;
            break;
        }
        if (outcome == StepOutcome::EndCancel)
            break;
    }
    ClearBar();
    return result;
}

void ConsoleUserInterface::ShowProgress(int position, int range)
{
    if (position < 0 || range <= 0) {
        ClearBar();
        return;
    }
    DrawBar("Reading directory", position * 100 / range);
}

// The label, cut to fit a terminal of 80 columns with the bar beside it.
void ConsoleUserInterface::DrawBar(const std::string& label, int percent)
{
    if (!m_bBars)
        return;
    constexpr size_t kLabelWidth = 50;
    const std::string shown = CutAtCharacter(label, kLabelWidth);
    const int width = 20;
    const int filled = percent * width / 100;
    std::fprintf(stderr, "\r%-18s [%.*s%*s] %3d%%", shown.c_str(), filled, "####################", width - filled, "",
                 percent);
    std::fflush(stderr);
    m_bBarShown = true;
}

void ConsoleUserInterface::ClearBar()
{
    if (!m_bBarShown)
        return;
    std::fprintf(stderr, "\r%*s\r", 79, "");
    std::fflush(stderr);
    m_bBarShown = false;
}
