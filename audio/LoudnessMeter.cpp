#include "audio/LoudnessMeter.h"

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kAbsoluteGate = -70.0; // LUFS
constexpr double kRelativeGate = -10.0; // LU below the mean of the blocks past the absolute gate

// The K-weighting filter's two stages, as the standard gives them for
// 48 kHz, derived for any rate from the analogue stages they come from: a
// high shelf of +4 dB above about 1.7 kHz (the head's effect), then a high
// pass near 38 Hz.
constexpr double kShelfFrequency = 1681.974450955533;
constexpr double kShelfGainDb = 3.999843853973347;
constexpr double kShelfQ = 0.7071752369554196;
constexpr double kHighPassFrequency = 38.13547087602444;
constexpr double kHighPassQ = 0.5003270373238773;

double Loudness(double meanSquare)
{
    return -0.691 + 10.0 * std::log10(meanSquare);
}

}

LoudnessMeter::LoudnessMeter(int sampleRate, int channels)
    : m_channels(size_t(channels > 0 ? channels : 1)), m_subBlockSamples(sampleRate / 10 > 0 ? sampleRate / 10 : 1)
{
    const double rate = sampleRate > 0 ? sampleRate : 48000;
    double k = std::tan(kPi * kShelfFrequency / rate);
    const double vh = std::pow(10.0, kShelfGainDb / 20.0);
    const double vb = std::pow(vh, 0.4996667741545416);
    double a0 = 1.0 + k / kShelfQ + k * k;
    const Biquad shelf = {(vh + vb * k / kShelfQ + k * k) / a0, 2.0 * (k * k - vh) / a0,
                          (vh - vb * k / kShelfQ + k * k) / a0, 2.0 * (k * k - 1.0) / a0,
                          (1.0 - k / kShelfQ + k * k) / a0};
    k = std::tan(kPi * kHighPassFrequency / rate);
    a0 = 1.0 + k / kHighPassQ + k * k;
    const Biquad highPass = {1.0, -2.0, 1.0, 2.0 * (k * k - 1.0) / a0, (1.0 - k / kHighPassQ + k * k) / a0};
    for (Channel& channel : m_channels)
        channel = {shelf, highPass};
}

void LoudnessMeter::Add(const float* const* channels, int samples)
{
    for (int i = 0; i < samples; ++i) {
        for (size_t c = 0; c < m_channels.size(); ++c) {
            const double x = channels[c][i];
            const double magnitude = std::fabs(x);
            if (magnitude > m_peak)
                m_peak = magnitude;
            const double y = m_channels[c].highPass.Run(m_channels[c].shelf.Run(x));
            m_subBlockSum += y * y;
        }
        if (++m_inSubBlock == m_subBlockSamples)
            EndSubBlock();
    }
}

void LoudnessMeter::EndSubBlock()
{
    for (int i = 0; i < 3; ++i)
        m_lastSubBlocks[i] = m_lastSubBlocks[i + 1];
    m_lastSubBlocks[3] = m_subBlockSum / m_subBlockSamples;
    m_subBlockSum = 0;
    m_inSubBlock = 0;
    if (++m_subBlocks >= 4)
        m_blockPower.push_back(
            float((m_lastSubBlocks[0] + m_lastSubBlocks[1] + m_lastSubBlocks[2] + m_lastSubBlocks[3]) / 4.0));
}

bool LoudnessMeter::Integrated(double* lufs) const
{
    // The mean power of the blocks louder than `gate`; false when none is.
    const auto meanAbove = [this](double gate, double* mean) {
        double sum = 0;
        size_t count = 0;
        for (const float power : m_blockPower)
            if (power > 0 && Loudness(power) > gate) {
                sum += power;
                ++count;
            }
        if (count == 0)
            return false;
        *mean = sum / double(count);
        return true;
    };
    double mean = 0;
    if (!meanAbove(kAbsoluteGate, &mean) || !meanAbove(Loudness(mean) + kRelativeGate, &mean))
        return false;
    *lufs = Loudness(mean);
    return true;
}
