#pragma once
// How loud a sound is, as the broadcast standards measure it: integrated
// loudness in LUFS (the K-weighted mean square of 400 ms blocks that overlap
// by three quarters, gated at -70 LUFS and then 10 LU below the mean of what
// passed), and the sample peak. Fed a slice at a time; it keeps one figure
// per 100 ms of sound, never the samples.

#include <cstdint>
#include <vector>

class LoudnessMeter {
public:
    // One or two channels (the player's), each weighted 1.
    LoudnessMeter(int sampleRate, int channels);

    // `samples` samples of each channel, one array a channel, full scale at 1.
    void Add(const float* const* channels, int samples);

    // The integrated loudness; false when there is none to tell: less than
    // 400 ms of sound, or silence throughout.
    bool Integrated(double* lufs) const;
    // The largest sample magnitude, full scale at 1.
    double SamplePeak() const { return m_peak; }

private:
    struct Biquad {
        double b0, b1, b2, a1, a2;
        double z1 = 0, z2 = 0;
        double Run(double x)
        {
            const double y = b0 * x + z1;
            z1 = b1 * x - a1 * y + z2;
            z2 = b2 * x - a2 * y;
            return y;
        }
    };
    struct Channel {
        Biquad shelf, highPass;
    };

    void EndSubBlock();

    std::vector<Channel> m_channels;
    int m_subBlockSamples; // 100 ms
    int m_inSubBlock = 0;
    double m_subBlockSum = 0;
    double m_lastSubBlocks[4] = {};
    uint64_t m_subBlocks = 0;
    std::vector<float> m_blockPower; // mean square of each 400 ms block
    double m_peak = 0;
};
