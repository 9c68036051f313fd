#include "commands/PlannedLevels.h"

#include "audio/Conversion.h"
#include "audio/GlobalGain.h"
#include "audio/Levelling.h"
#include "audio/LoudnessMeter.h"
#include "commands/ConversionStep.h"
#include "link/DeviceLink.h"
#include "link/PortStop.h"
#include "storage/UserInterface.h"

namespace {

enum class Measured { Level, NoLevel, Stopped };

// The sound as it will be stored: a conversion's channels, or the MP3's own.
Measured Measure(const PlannedFile& file, const std::string& title, UserInterface& ui, SoundLevel* level,
                 std::string* why)
{
    ConversionSettings settings = file.conversion;
    if (file.action != UploadAction::Convert)
        settings.mono = file.facts.content.stream.mono;
    LoudnessMeter meter(kOutputSampleRate, settings.mono ? 1 : 2);
    ConversionJob job(file.facts.path, meter, settings);
    ConversionStep step(job, title);
    if (ui.RunTransfer(step) != kTransferOk) {
        if (job.Current() != ConversionJob::State::Failed || PortStopRequested())
            return Measured::Stopped;
        *why = "its sound could not be measured (" + job.Problem() + "): left as it is";
        return Measured::NoLevel;
    }
    if (!meter.Integrated(&level->lufs)) {
        *why = "too short or too quiet to measure: left as it is";
        return Measured::NoLevel;
    }
    level->peak = meter.SamplePeak();
    return Measured::Level;
}

void ApplyLevel(PlannedFile& file, const SoundLevel& level)
{
    bool lowered = false;
    if (file.action == UploadAction::Convert) {
        file.gainDb = LevellingGain(level, &lowered);
        file.conversion.gainDb = file.gainDb;
    } else {
        file.gainSteps = LevellingSteps(level, &lowered);
        file.gainDb = file.gainSteps * kGlobalGainStepDb;
        if (file.gainSteps != 0)
            file.print = 0; // its bytes on the player are not the file's
    }
    file.levelled = file.gainDb != 0;
    file.levelNote = "loudness " + LoudnessText(level.lufs) + (level.fromTags ? " (its tags)" : " (measured)");
    if (!file.levelled)
        file.levelNote += ", at the level already";
    else if (lowered)
        file.levelNote += "; the gain is lowered to keep its loudest sample 1 dB below full scale";
}

}

bool LevelPlannedFiles(std::vector<PlannedFile>& files, UserInterface& ui)
{
    std::vector<size_t> toLevel;
    for (size_t i = 0; i < files.size(); ++i)
        if (files[i].ToBeStored() && files[i].fits)
            toLevel.push_back(i);
    for (size_t n = 0; n < toLevel.size(); ++n) {
        PlannedFile& file = files[toLevel[n]];
        if (file.action != UploadAction::Convert && (!file.facts.mpeg || file.facts.content.stream.layer != 3)) {
            const int layer = file.facts.mpeg ? file.facts.content.stream.layer : 0;
            file.levelNote = layer == 1   ? "Layer I frames have no gain to change: left as it is"
                             : layer == 2 ? "Layer II frames have no gain to change: left as it is"
                                          : "stored as it is, not levelled";
            continue;
        }
        SoundLevel level;
        if (!LevelFromTags(file.facts.tags, &level)) {
            const std::string title = "Measuring the loudness of " + std::to_string(n + 1) + " of " +
                                      std::to_string(toLevel.size()) + ": " + DeviceLink::BaseName(file.facts.path);
            std::string why;
            const Measured measured = Measure(file, title, ui, &level, &why);
            if (measured == Measured::Stopped)
                return false;
            if (measured == Measured::NoLevel) {
                file.levelNote = why;
                continue;
            }
        }
        ApplyLevel(file, level);
    }
    return true;
}

int LevelledCount(const std::vector<PlannedFile>& files)
{
    int count = 0;
    for (const PlannedFile& file : files)
        count += file.levelled && file.ToBeStored();
    return count;
}
