#pragma once
// Any audio the libraries decode, made into what the player plays: MPEG-1
// Layer III at a constant bit rate, 44100 Hz, joint stereo or mono, and no
// tags. A stepped job: each step decodes and encodes one slice, so the
// window runs it on its timer ticks and the tool in a loop. It streams: a
// file is never held whole, and the job holds well under 16 MB at any time.

#include <cstdint>
#include <memory>
#include <string>

constexpr int kDefaultKbps = 128;
constexpr int kSpeechKbps = 64;
constexpr int kOutputSampleRate = 44100;

// The highest sample rate of any recording (eight times 96 kHz). A header
// that claims more is damage: resampling from such a rate would build a
// filter of a gigabyte for a file of a kilobyte.
constexpr int kHighestInputRate = 768000;
// Why a stream at `rate` Hz cannot be converted; empty when it can.
std::string SampleRateProblem(int rate);

struct ConversionSettings {
    int kbps = kDefaultKbps;
    bool mono = false;
    double gainDb = 0; // applied to the sound before it is encoded: its levelling
};

class LoudnessMeter;

// The bit rates of MPEG-1 Layer III, 32 to 320 kbit/s.
bool IsMp3BitRate(int kbps);
// "32, 40, ... 320"
std::string Mp3BitRatesText();

// The bytes that `seconds` of sound take once converted: the frames, the
// encoder's delay and padding, and its header frame.
uint64_t ConvertedSize(double seconds, int kbps);

// What a bit rate means for the player's memory: "128 kbps: about 0.9 MB a
// minute", "64 kbps, mono: about ...".
std::string BitRateHint(int kbps, bool mono);

class ConversionJob {
public:
    enum class State { Working, Done, Failed };

    // Writes `target` (created or replaced); the caller removes it.
    ConversionJob(const std::string& source, const std::string& target, const ConversionSettings& settings);
    // Measures instead of converting: the sound a conversion with `settings`
    // would encode (at 44100 Hz, in its channels, before any gain) goes to
    // `meter`. The same decoding, damage and all; nothing is written.
    ConversionJob(const std::string& source, LoudnessMeter& meter, const ConversionSettings& settings);
    ~ConversionJob();
    ConversionJob(const ConversionJob&) = delete;
    ConversionJob& operator=(const ConversionJob&) = delete;

    State Step();
    State Current() const { return m_state; }
    // How far through the source, 0 to 100.
    int Percent() const;
    // Why it failed, in the user's words.
    const std::string& Problem() const { return m_problem; }
    // The library's words for the failure, or for the first damaged frame
    // ("FFmpeg: ..."); empty when it gave none.
    const std::string& Detail() const { return m_detail; }
    // The frames passed over as damaged, as players pass over them; and,
    // when there were any, a note that says so ("2 damaged frames passed
    // over, the first near 0:03").
    int DamagedFrames() const { return m_nDamagedFrames; }
    std::string DamageNote() const;

    struct Codecs;

private:
    State Fail(const std::string& problem);
    void TakeDamage();

    std::unique_ptr<Codecs> m_codecs;
    State m_state = State::Working;
    std::string m_problem;
    std::string m_detail;
    int m_nDamagedFrames = 0;
    double m_firstDamage = 0; // seconds into the sound
};
