#include <cmath>
#include <cstdio>

#include "audio/Conversion.h"

namespace {
constexpr int kMp3BitRates[] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
constexpr int kSamplesPerFrame = 1152;
// The encoder's delay before the first sample, and what its last frame may add.
constexpr int kEncoderDelay = 1105;
}

bool IsMp3BitRate(int kbps)
{
    for (int rate : kMp3BitRates)
        if (rate == kbps)
            return true;
    return false;
}

std::string Mp3BitRatesText()
{
    std::string text;
    for (int rate : kMp3BitRates)
        text += (text.empty() ? "" : ", ") + std::to_string(rate);
    return text;
}

std::string SampleRateProblem(int rate)
{
    if (rate > 0 && rate <= kHighestInputRate)
        return std::string();
    return "its sound claims a sample rate of " + std::to_string(rate) + " Hz, which no audio has (at most " +
           std::to_string(kHighestInputRate) + " Hz)";
}

std::string BitRateHint(int kbps, bool mono)
{
    char text[64];
    std::snprintf(text, sizeof text, "%d kbps%s: about %.1f MB a minute", kbps, mono ? ", mono" : "",
                  double(ConvertedSize(60, kbps)) / (1024.0 * 1024.0));
    return text;
}

uint64_t ConvertedSize(double seconds, int kbps)
{
    if (!(seconds > 0))
        seconds = 0;
    const double samples = seconds * kOutputSampleRate + kEncoderDelay;
    // The sound's frames, one more the flush may add, and the header frame.
    const double frames = std::ceil(samples / kSamplesPerFrame) + 2;
    const double frameBytes = kSamplesPerFrame / 8.0 * kbps * 1000 / kOutputSampleRate;
    return uint64_t(std::ceil(frames * frameBytes));
}
