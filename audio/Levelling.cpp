#include "audio/Levelling.h"

#include <cmath>
#include <cstdio>

#include "audio/GlobalGain.h"

namespace {

// The most a gain may be, in dB, for the peak to stay under the ceiling;
// no bound when the peak is not known.
double PeakRoom(const SoundLevel& level)
{
    return level.peak > 0 ? kLevelCeilingDb - 20.0 * std::log10(level.peak) : 1e9;
}

std::string SignedText(double value, const char* unit)
{
    char text[32];
    const double shown = std::round(value * 10) / 10;
    std::snprintf(text, sizeof text, "%s%.1f %s", shown > 0 ? "+" : shown < 0 ? "-" : "",
                  std::fabs(shown), unit);
    return text;
}

}

bool LevelFromTags(const SongTags& tags, SoundLevel* level)
{
    if (!tags.loudnessTagged)
        return false;
    SoundLevel tagged;
    tagged.lufs = tags.taggedLufs;
    tagged.peak = tags.taggedPeak;
    tagged.fromTags = true;
    // Without the peak a cut is safe, and only a cut of at least the ceiling.
    if (tagged.peak <= 0 && kLevelTargetLufs - tagged.lufs > kLevelCeilingDb)
        return false;
    *level = tagged;
    return true;
}

double LevellingGain(const SoundLevel& level, bool* lowered)
{
    const double wanted = kLevelTargetLufs - level.lufs;
    const double room = PeakRoom(level);
    if (lowered)
        *lowered = wanted > room;
    return wanted > room ? room : wanted;
}

int LevellingSteps(const SoundLevel& level, bool* lowered)
{
    int steps = int(std::lround((kLevelTargetLufs - level.lufs) / kGlobalGainStepDb));
    const double room = PeakRoom(level);
    if (lowered)
        *lowered = false;
    while (steps * kGlobalGainStepDb > room) {
        --steps;
        if (lowered)
            *lowered = true;
    }
    return steps;
}

std::string GainText(double db)
{
    return SignedText(db, "dB");
}

std::string LoudnessText(double lufs)
{
    return SignedText(lufs, "LUFS");
}
