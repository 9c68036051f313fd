#include "songlist/PlannedUpload.h"

#include <utility>

#include "audio/AudioFile.h"
#include "link/DeviceLink.h"
#include "songlist/BatchUpload.h"
#include "songlist/PlanText.h"
#include "storage/StorageTexts.h"
#include "storage/UserInterface.h"

namespace {

const char* const kStoreWhatFits = "Store the files that fit, in order?";
const char* const kNothingStored = "Nothing was stored.";

std::string Lines(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

// Messages kept for the end of the batch, to be shown in one box. A
// question shows first what was kept, so it comes after what led to it.
class GatheringUi : public UserInterface {
public:
    explicit GatheringUi(UserInterface& inner) : m_inner(inner) {}
    void ShowMessage(const std::string& text) override { m_messages.push_back(text); }
    bool AskYesNo(const std::string& text) override
    {
        if (!m_messages.empty())
            m_inner.ShowMessage(Lines(Take()));
        return m_inner.AskYesNo(text);
    }
    int RunTransfer(TransferStep& step) override { return m_inner.RunTransfer(step); }
    void ShowProgress(int position, int range) override { m_inner.ShowProgress(position, range); }
    void BeginWaitCursor() override { m_inner.BeginWaitCursor(); }
    void EndWaitCursor() override { m_inner.EndWaitCursor(); }
    const SongNameText& Names() const override { return m_inner.Names(); }

    std::vector<std::string> Take() { return std::exchange(m_messages, {}); }

private:
    UserInterface& m_inner;
    std::vector<std::string> m_messages;
};

std::vector<AudioFileFacts> Examine(UserInterface& ui, const std::vector<std::string>& files)
{
    WaitCursor wait(ui);
    std::vector<AudioFileFacts> facts;
    for (size_t i = 0; i < files.size(); ++i) {
        ui.ShowProgress(int(i), int(files.size()));
        facts.push_back(ExamineAudioFile(files[i]));
    }
    ui.ShowProgress(-1, 0);
    return facts;
}

bool AnyFits(const UploadPlan& plan)
{
    for (const PlannedFile& file : plan.files)
        if (file.action != UploadAction::Refuse && file.fits)
            return true;
    return false;
}

std::string Capitalized(std::string text)
{
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z')
        text[0] = char(text[0] - 'a' + 'A');
    return text;
}

// The first failures, how many more, and what the plan warned of.
std::string EndReport(std::vector<std::string> said, const UploadPlan& plan)
{
    if (said.size() > kFailuresNamed) {
        const size_t more = said.size() - kFailuresNamed;
        said.resize(kFailuresNamed);
        said.push_back("and " + std::to_string(more) + " more");
    }
    for (const PlannedFile& file : plan.files)
        if (file.action != UploadAction::Refuse && file.fits)
            for (const std::string& warning : PlanWarnings(file))
                said.push_back(warning);
    return Lines(said);
}

}

std::string UploadAsPlanned(DeviceLink& link, SongCommands& commands, const std::vector<std::string>& files,
                            const UploadOptions& options)
{
    UserInterface& ui = link.Ui();
    if (files.empty())
        return std::string();
    if (link.DirectoryDamaged()) {
        ui.ShowMessage(kDirectoryDamaged);
        return std::string();
    }
    const UploadPlan plan = PlanUpload(Examine(ui, files), options, link.m_image.freeBlocks(),
                                       link.m_image.entryCount(), &ui.Names());
    if (!plan.Fits()) {
        const std::string notFitting = NotFittingText(plan, kFailuresNamed) + "\n";
        if (!AnyFits(plan)) {
            ui.ShowMessage(notFitting + kNothingStored);
            return kNothingStored;
        }
        if (!ui.AskYesNo(notFitting + kStoreWhatFits))
            return kNothingStored;
    }
    GatheringUi gathering(ui);
    link.AttachUserInterface(&gathering);
    const BatchResult result = RunUploadPlan(link, commands, plan);
    link.AttachUserInterface(&ui);
    const std::string closing =
        Capitalized(ClosingLine(result.stored, result.files, result.bytes,
                                uint64_t(link.m_image.freeBlocks()) * 32768, result.failed, result.notTried));
    const std::string report = EndReport(gathering.Take(), plan);
    if (!report.empty())
        ui.ShowMessage(report + "\n" + closing + ".");
    return closing;
}
