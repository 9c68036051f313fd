#pragma once
// Levelling: every song brought to one loudness on the way to the player, so
// that a quiet old record, a loud new one and a talk play alike. The
// loudness comes from the song's tags when a scanner wrote it there, else it
// is measured; the gain never lifts the loudest sample above the ceiling.

#include <string>

#include "audio/Tags.h"

// ReplayGain 2.0's reference, the loudness most players level to.
constexpr double kLevelTargetLufs = -18.0;
// The loudest sample after the gain stays this far below full scale: a
// converted file's encoder may overshoot its input by a few tenths of a dB.
constexpr double kLevelCeilingDb = -1.0;

struct SoundLevel {
    double lufs = 0;
    double peak = 0;        // full scale at 1; 0 when not known
    bool fromTags = false;
};

// The level the tags give, when they tell enough: the loudness, and the
// peak where a gain could raise it near full scale.
bool LevelFromTags(const SongTags& tags, SoundLevel* level);

// The gain in dB that brings `level` to the target, lowered as far as its
// peak needs; `lowered` says whether it was.
double LevellingGain(const SoundLevel& level, bool* lowered = nullptr);
// The same in the steps of an MP3's global gain: the nearest, then fewer
// while the peak needs it.
int LevellingSteps(const SoundLevel& level, bool* lowered = nullptr);

// "-4.5 dB", "+2.0 dB", "0.0 dB"
std::string GainText(double db);
// "-9.3 LUFS"
std::string LoudnessText(double lufs);
