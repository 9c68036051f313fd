// Levelling's arithmetic: the loudness meter against the standard's own
// reading of a tone, its gates, and the gain that a peak or a tag allows.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "audio/GlobalGain.h"
#include "audio/Levelling.h"
#include "audio/LoudnessMeter.h"

namespace {

// `seconds` of a 997 Hz tone of `amplitude` in both channels, at 48 kHz.
void Tone(LoudnessMeter& meter, double seconds, double amplitude)
{
    std::vector<float> samples(size_t(seconds * 48000));
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = float(amplitude * std::sin(2 * 3.14159265358979 * 997 * double(i) / 48000));
    const float* channels[2] = {samples.data(), samples.data()};
    meter.Add(channels, int(samples.size()));
}

}

TEST(Levelling, TheMeterReadsAToneAsTheStandardDoesAndGatesSilenceOut)
{
    // A full-scale 997 Hz tone in both channels reads 0 LUFS: one of -20 dBFS, -20.
    LoudnessMeter meter(48000, 2);
    Tone(meter, 5, 0.1);
    double lufs = 0;
    ASSERT_TRUE(meter.Integrated(&lufs));
    EXPECT_NEAR(lufs, -20.0, 0.05);
    EXPECT_NEAR(meter.SamplePeak(), 0.1, 1e-4);
    // Silence after it is gated out (but for the three blocks that straddle
    // the tone's end, -0.13 LU): a long quiet ending does not make a song quieter.
    Tone(meter, 10, 0.0);
    ASSERT_TRUE(meter.Integrated(&lufs));
    EXPECT_NEAR(lufs, -20.13, 0.02);

    LoudnessMeter tooShort(48000, 2);
    Tone(tooShort, 0.3, 0.5);
    EXPECT_FALSE(tooShort.Integrated(&lufs)) << "less than one 400 ms block";
}

TEST(Levelling, TheGainStopsShortOfThePeakAndTagsAreTakenOnlyWhenTheyTellEnough)
{
    // -30 LUFS wants +12 dB; a peak at half of full scale leaves room for 5 dB.
    const SoundLevel quiet = {-30.0, 0.5, false};
    bool lowered = false;
    EXPECT_NEAR(LevellingGain(quiet, &lowered), -1.0 - 20 * std::log10(0.5), 1e-9);
    EXPECT_TRUE(lowered);
    EXPECT_EQ(LevellingSteps(quiet, &lowered), 3) << "4.5 dB: the last step that stays under the ceiling";
    EXPECT_TRUE(lowered);
    const SoundLevel loud = {-8.0, 1.0, false};
    EXPECT_EQ(LevellingSteps(loud, &lowered), -7) << "the nearest step to -10 dB";
    EXPECT_FALSE(lowered);
    EXPECT_EQ(GainText(-7 * kGlobalGainStepDb), "-10.5 dB");

    SongTags tags;
    tags.loudnessTagged = true;
    tags.taggedLufs = -21.0; // a gain of +3 dB, and no peak to bound it
    SoundLevel level;
    EXPECT_FALSE(LevelFromTags(tags, &level));
    tags.taggedPeak = 0.25;
    ASSERT_TRUE(LevelFromTags(tags, &level));
    EXPECT_EQ(level.lufs, -21.0);
    tags = SongTags();
    tags.loudnessTagged = true;
    tags.taggedLufs = -9.0; // a cut needs no peak
    EXPECT_TRUE(LevelFromTags(tags, &level));

    double value = 0;
    EXPECT_TRUE(ParseTagNumber(" -4,52 dB", &value));
    EXPECT_DOUBLE_EQ(value, -4.52);
    EXPECT_FALSE(ParseTagNumber("dB", &value));
}
