#include "commands/BatchUpload.h"
#include "commands/PlanText.h"

#include <memory>
#include <string>

#include "audio/AudioFrame.h"
#include "audio/GlobalGain.h"
#include "audio/TagStrip.h"
#include "audio/TemporaryFile.h"
#include "link/DeviceLink.h"
#include "format/PageFormat.h"
#include "link/PortStop.h"
#include "commands/ConversionStep.h"
#include "commands/PortTime.h"
#include "commands/SongCommands.h"
#include "commands/UploadSource.h"
#include "storage/UserInterface.h"

namespace {

std::string OneLine(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

// A transfer as the batch sees it: whether its own step ended it.
class WatchedStep : public TransferStep {
public:
    explicit WatchedStep(TransferStep& inner) : m_inner(inner) {}
    TransferKind Kind() const override { return m_inner.Kind(); }
    StepOutcome Step(ProgressBar& bar) override { return m_last = m_inner.Step(bar); }
    bool UserMayCancel() const override { return m_inner.UserMayCancel(); }
    bool Stalled() const override { return m_inner.Stalled(); }
    std::string Title() const override { return m_inner.Title(); }
    StepOutcome Last() const { return m_last; }

private:
    TransferStep& m_inner;
    StepOutcome m_last = StepOutcome::Continue;
};

// Every message of the storage operations names the file it is about, and
// a transfer the user cancelled (Cancel, or Ctrl+C) ends the batch: a step
// that failed ends its transfer too, but only its own file.
class NamingUi : public UserInterface {
public:
    explicit NamingUi(UserInterface& inner) : m_inner(inner) {}
    void ShowMessage(const std::string& text) override
    {
        m_inner.ShowMessage(m_name.empty() ? text : m_name + ": " + OneLine(text));
    }
    void ShowDetail(const std::string& text) override { m_inner.ShowDetail(text); }
    bool AskYesNo(const std::string& text) override { return m_inner.AskYesNo(text); }
    bool AskYesNoDefaultNo(const std::string& text) override { return m_inner.AskYesNoDefaultNo(text); }
    int RunTransfer(TransferStep& step) override
    {
        WatchedStep watched(step);
        const int result = m_inner.RunTransfer(watched);
        if (result == kTransferCancel && watched.Last() != StepOutcome::EndCancel)
            m_bCancelled = true;
        return result;
    }
    void ShowProgress(int position, int range) override { m_inner.ShowProgress(position, range); }
    void BeginWaitCursor() override { m_inner.BeginWaitCursor(); }
    void EndWaitCursor() override { m_inner.EndWaitCursor(); }
    // The front end's names: the window stores and shows its code page.
    const SongNameText& Names() const override { return m_inner.Names(); }
    void Name(const std::string& name) { m_name = name; }
    bool Cancelled() const { return m_bCancelled; }

private:
    UserInterface& m_inner;
    std::string m_name;
    bool m_bCancelled = false;
};

// The bytes of the file that are stored, by its action.
FrameSpan StoredSpan(const PlannedFile& file)
{
    const AudioFileFacts& facts = file.facts;
    FrameSpan span;
    span.firstFrame = facts.content.firstFrame;
    span.framesEnd = facts.framesEnd;
    span.start = file.action == UploadAction::Store ? (facts.content.riffWrapped ? kRiffWrapperBytes : 0)
                                                     : facts.content.firstFrame;
    span.end = file.action == UploadAction::StoreWithoutTags ? facts.framesEnd : facts.size;
    return span;
}

class PlannedFiles : public UploadSource {
public:
    PlannedFiles(DeviceLink& link, NamingUi& ui, const UploadPlan& plan) : m_link(link), m_ui(ui), m_plan(plan)
    {
        m_result.files = int(plan.files.size());
    }
    size_t Count() const override { return m_plan.files.size(); }
    bool Prepare(size_t index, SongFile* song) override;
    bool Finished(size_t index, bool stored) override;
    const BatchResult& Result() const { return m_result; }

private:
    std::string Place(size_t index) const
    {
        return std::to_string(index + 1) + " of " + std::to_string(m_plan.files.size()) + ": " +
               DeviceLink::BaseName(m_plan.files[index].facts.path);
    }
    bool Convert(size_t index, const PlannedFile& file);

    DeviceLink& m_link;
    NamingUi& m_ui;
    const UploadPlan& m_plan;
    std::unique_ptr<TemporaryFile> m_temporary;
    bool m_bSkipped = false;
    bool m_bRefused = false;
    BatchResult m_result;
};

bool PlannedFiles::Convert(size_t index, const PlannedFile& file)
{
    ConversionJob job(file.facts.path, m_temporary->Path(), file.conversion);
    ConversionStep step(job, "Converting " + Place(index));
    if (m_link.Ui().RunTransfer(step) == kTransferOk) {
        // Nothing passed over goes unsaid.
        if (job.DamagedFrames() > 0) {
            m_link.Ui().ShowMessage("converted, " + job.DamageNote());
            m_link.Ui().ShowDetail(job.Detail());
            m_result.damagedFrames += job.DamagedFrames();
            ++m_result.damaged;
        }
        return true;
    }
    if (job.Current() == ConversionJob::State::Failed) {
        m_link.Ui().ShowMessage("cannot be converted: " + job.Problem());
        if (!job.Detail().empty())
            m_link.Ui().ShowDetail(job.Detail());
    }
    return false;
}

bool PlannedFiles::Prepare(size_t index, SongFile* song)
{
    const PlannedFile& file = m_plan.files[index];
    m_ui.Name(DeviceLink::BaseName(file.facts.path));
    if (file.action == UploadAction::Refuse) {
        m_bRefused = true;
        m_link.Ui().ShowMessage(file.reason);
        if (!file.facts.detail.empty())
            m_link.Ui().ShowDetail(file.facts.detail);
        return false;
    }
    if (file.skipped) {
        m_bSkipped = true; // the plan said so
        return false;
    }
    if (!file.fits) {
        m_bRefused = true;
        m_link.Ui().ShowMessage("does not fit on the player (" + std::to_string(file.blocks) + " blocks)");
        return false;
    }
    song->path = file.facts.path;
    song->name = file.name;
    song->source = file.source != 0 ? file.source : SourceFingerprint(file.facts.path);
    // The estimate before the name, which a narrow terminal may cut.
    const std::string place = std::to_string(index + 1) + " of " + std::to_string(m_plan.files.size());
    song->progressTitle = "Uploading " + place + " (" +
                          PortTimeText(UploadPortAccesses(file.blocks, 1) - kAccessesPerRefill) +
                          " on a real player): " + DeviceLink::BaseName(file.facts.path);
    if (file.action == UploadAction::Store && file.gainSteps == 0)
        return true;
    m_temporary = std::make_unique<TemporaryFile>(".mp3");
    if (m_temporary->Path().empty()) {
        m_link.Ui().ShowMessage("cannot be prepared: this PC has no temporary folder");
        return false;
    }
    song->path = m_temporary->Path();
    if (file.action == UploadAction::Convert)
        return Convert(index, file);
    std::string problem;
    if (file.gainSteps != 0 ? CopyWithGlobalGain(file.facts.path, StoredSpan(file), file.gainSteps, song->path, &problem)
                            : CopyAudioFrames(file.facts.path, file.facts.content.firstFrame,
                                              StoredSpan(file).end, song->path, &problem))
        return true;
    m_link.Ui().ShowMessage(problem);
    return false;
}

bool PlannedFiles::Finished(size_t index, bool stored)
{
    m_temporary.reset();
    m_ui.Name(std::string());
    const bool stop = m_ui.Cancelled() || PortStopRequested();
    if (stored) {
        ++m_result.stored;
        m_result.levelled += m_plan.files[index].levelled;
        const int songs = m_link.m_image.entryCount();
        if (songs > 0)
            m_result.bytes += m_link.m_image.Entry(songs - 1).size();
    } else if (m_bSkipped) {
        ++m_result.skipped;
    } else if (m_bRefused) {
        ++m_result.refused;
    } else if (!stop) {
        ++m_result.failed; // the file the user cancelled did not fail: it counts as not tried
    }
    m_bSkipped = m_bRefused = false;
    m_result.stopped = stop;
    // Before the list's refill at the batch's end, which may fail and leave
    // nothing known of the player.
    m_result.freeBytes = KnownFreeBytes(m_link);
    return !stop;
}

}

const DirectoryImage* KnownDirectory(const DeviceLink& link)
{
    return link.ImageAsOnPlayer() ? &link.m_image : nullptr;
}

std::optional<uint64_t> KnownFreeBytes(const DeviceLink& link)
{
    const DirectoryImage* directory = KnownDirectory(link);
    if (!directory)
        return std::nullopt;
    return uint64_t(directory->freeBlocks()) * kBlockSize;
}

BatchResult RunPlannedFiles(DeviceLink& link, const UploadPlan& plan, const std::function<void(UploadSource&)>& run)
{
    UserInterface& outer = link.Ui();
    NamingUi naming(outer);
    link.AttachUserInterface(&naming);
    PlannedFiles files(link, naming, plan);
    run(files);
    link.AttachUserInterface(&outer);
    BatchResult result = files.Result();
    // Files never reached: a stop, or a player that stopped answering.
    result.notTried = result.files - result.stored - result.refused - result.failed - result.skipped;
    // The list refilled after the batch is fresher, when it was read.
    if (link.ImageAsOnPlayer())
        result.freeBytes = KnownFreeBytes(link);
    return result;
}

BatchResult RunUploadPlan(DeviceLink& link, SongCommands& commands, const UploadPlan& plan)
{
    return RunPlannedFiles(link, plan, [&commands](UploadSource& files) { commands.UploadFiles(files); });
}

std::string LevelledText(const BatchResult& result)
{
    return result.levelled == 0 ? "" : "; " + std::to_string(result.levelled) + " levelled";
}

std::string DamagePassedOverText(const BatchResult& result)
{
    if (result.damaged == 0)
        return "";
    return "; " + std::to_string(result.damaged) + " converted with " + std::to_string(result.damagedFrames) +
           (result.damagedFrames == 1 ? " damaged frame" : " damaged frames") + " passed over";
}

std::string BatchClosingLine(const BatchResult& result)
{
    return ClosingLine(result.stored, result.files, result.bytes, result.freeBytes, result.refused, result.notTried,
                       result.skipped, result.failed) +
           LevelledText(result) + DamagePassedOverText(result);
}
