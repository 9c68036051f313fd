#include <cmath>
#include <cstdio>
#include <vector>

#include <lame/lame.h>

#include "audio/Conversion.h"
#include "audio/FfmpegInput.h"
#include "audio/LoudnessMeter.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libswresample/swresample.h>
}

namespace {

// Sound decoded and encoded per step: a quarter of a second, a few
// milliseconds of work on today's PCs and well under a timer tick's worth
// of waiting in the window on old ones.
constexpr int kSliceSamples = kOutputSampleRate / 4;

// A damaged file is converted as players play it, passing over what they
// pass over, unless less than this much of its sound decodes.
constexpr double kLeastSeconds = 0.5;
// Errors in a row with no sound decoded between them: the decoder is stuck,
// and the file is given up.
constexpr int kMostErrorsInARow = 1000;

std::string TimeText(double seconds)
{
    const long whole = seconds > 0 ? long(seconds) : 0;
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

}

struct ConversionJob::Codecs {
    FfmpegInput input;
    int stream = -1;
    AVCodecContext* decoder = nullptr;
    SwrContext* resampler = nullptr;
    AVChannelLayout resamplerLayout = {};
    int resamplerFormat = -1;
    int resamplerRate = 0;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    lame_global_flags* lame = nullptr;
    std::FILE* out = nullptr;
    std::vector<float> left, right;
    std::vector<unsigned char> mp3;
    ConversionSettings settings;
    LoudnessMeter* meter = nullptr; // measuring: the sound goes here, and nothing is encoded
    float gain = 1;
    int64_t sourceBytes = 0;
    double lastTime = 0; // of the packet read last, for the messages
    bool inputEnded = false;
    uint64_t samplesIn = 0;
    double secondsIn = 0;  // of sound decoded
    int damagedFrames = 0; // passed over
    double firstDamage = 0;
    int errorsInARow = 0;
    std::string detail; // the library's words for the first damage, or for a failure

    ~Codecs()
    {
        if (out)
            std::fclose(out);
        if (lame)
            lame_close(lame);
        av_frame_free(&frame);
        av_packet_free(&packet);
        swr_free(&resampler);
        av_channel_layout_uninit(&resamplerLayout);
        avcodec_free_context(&decoder);
    }

    bool Open(const std::string& source, const std::string& target, std::string* problem);
    bool OpenEncoder(std::string* problem);
    bool Resampler(const AVFrame& f, std::string* problem);
    bool Encode(int samples, std::string* problem);
    bool EncodeFrame(const AVFrame& f, int* produced, std::string* problem);
    bool Finish(std::string* problem);
    // A frame the decoder or the demuxer could not make sense of: counted, and passed over.
    void PassOver(int code)
    {
        if (damagedFrames++ == 0) {
            firstDamage = lastTime;
            detail = FfmpegError(code);
        }
        ++errorsInARow;
    }
};

bool ConversionJob::Codecs::Open(const std::string& source, const std::string& target, std::string* problem)
{
    if (!OpenFfmpegInput(source, &input, problem, &detail))
        return false;
    const AVCodec* codec = nullptr;
    stream = av_find_best_stream(input.format, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (stream < 0 || !codec) {
        *problem = "holds no sound Mellifon can convert";
        detail = "FFmpeg: no audio stream it can decode";
        return false;
    }
    // Cover pictures and any other streams are not even read into packets.
    for (unsigned i = 0; i < input.format->nb_streams; ++i)
        if (int(i) != stream)
            input.format->streams[i]->discard = AVDISCARD_ALL;
    decoder = avcodec_alloc_context3(codec);
    packet = av_packet_alloc();
    frame = av_frame_alloc();
    if (!decoder || !packet || !frame) {
        *problem = "out of memory";
        return false;
    }
    const AVStream* s = input.format->streams[stream];
    int result = avcodec_parameters_to_context(decoder, s->codecpar);
    decoder->pkt_timebase = s->time_base;
    // One thread: a frame-threaded decoder drops the errors of its workers,
    // and a damaged frame would be passed over without a word. Frames whose
    // checksums fail are damaged too; each is counted and passed over, as
    // players do, not taken for the end of the file.
    decoder->thread_count = 1;
    decoder->err_recognition |= AV_EF_CRCCHECK;
    if (result >= 0)
        result = avcodec_open2(decoder, codec, nullptr);
    if (result < 0) {
        *problem = "its sound is in a form Mellifon cannot convert";
        detail = FfmpegError(result);
        return false;
    }
    sourceBytes = avio_size(input.io);
    if (meter)
        return true;
    gain = float(std::pow(10.0, settings.gainDb / 20.0));
    if (!OpenEncoder(problem))
        return false;
    out = std::fopen(target.c_str(), "wb");
    if (!out) {
        *problem = "the converted file cannot be written in the temporary folder";
        return false;
    }
    return true;
}

bool ConversionJob::Codecs::OpenEncoder(std::string* problem)
{
    lame = lame_init();
    if (!lame) {
        *problem = "out of memory";
        return false;
    }
    lame_set_num_channels(lame, settings.mono ? 1 : 2);
    lame_set_in_samplerate(lame, kOutputSampleRate);
    lame_set_out_samplerate(lame, kOutputSampleRate);
    lame_set_VBR(lame, vbr_off);
    lame_set_brate(lame, settings.kbps);
    lame_set_mode(lame, settings.mono ? MONO : JOINT_STEREO);
    // No ID3 tags: the name on the player carries the title. The header
    // frame stays: it tells decoders the encoder's delay and padding.
    lame_set_write_id3tag_automatic(lame, 0);
    lame_set_bWriteVbrTag(lame, 1);
    if (lame_init_params(lame) < 0) {
        *problem = "the MP3 encoder refused its settings";
        return false;
    }
    return true;
}

bool ConversionJob::Codecs::Resampler(const AVFrame& f, std::string* problem)
{
    AVChannelLayout layout = {};
    if (f.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || av_channel_layout_check(&f.ch_layout) == 0)
        av_channel_layout_default(&layout, f.ch_layout.nb_channels > 0 ? f.ch_layout.nb_channels : 1);
    else
        av_channel_layout_copy(&layout, &f.ch_layout);
    if (resampler && av_channel_layout_compare(&layout, &resamplerLayout) == 0 && f.format == resamplerFormat &&
        f.sample_rate == resamplerRate) {
        av_channel_layout_uninit(&layout);
        return true;
    }
    const std::string rateProblem = SampleRateProblem(f.sample_rate);
    if (!rateProblem.empty()) {
        av_channel_layout_uninit(&layout);
        *problem = rateProblem;
        return false;
    }
    swr_free(&resampler);
    av_channel_layout_uninit(&resamplerLayout);
    resamplerLayout = layout;
    resamplerFormat = f.format;
    resamplerRate = f.sample_rate;
    AVChannelLayout outLayout = {};
    av_channel_layout_default(&outLayout, settings.mono ? 1 : 2);
    int result = swr_alloc_set_opts2(&resampler, &outLayout, AV_SAMPLE_FMT_FLTP, kOutputSampleRate, &resamplerLayout,
                                     AVSampleFormat(f.format), f.sample_rate, 0, nullptr);
    if (result >= 0)
        result = swr_init(resampler);
    if (result < 0) {
        *problem = "its sound cannot be made into 44100 Hz";
        detail = FfmpegError(result);
        return false;
    }
    return true;
}

bool ConversionJob::Codecs::Encode(int samples, std::string* problem)
{
    if (meter) {
        const float* const planes[2] = {left.data(), right.data()};
        meter->Add(planes, samples);
        return true;
    }
    if (gain != 1) {
        for (int i = 0; i < samples; ++i)
            left[size_t(i)] *= gain;
        if (!settings.mono)
            for (int i = 0; i < samples; ++i)
                right[size_t(i)] *= gain;
    }
    mp3.resize(size_t(samples) * 5 / 4 + 7200);
    const int bytes = lame_encode_buffer_ieee_float(lame, left.data(), settings.mono ? left.data() : right.data(),
                                                    samples, mp3.data(), int(mp3.size()));
    if (bytes < 0) {
        *problem = "the MP3 encoder failed";
        return false;
    }
    if (std::fwrite(mp3.data(), 1, size_t(bytes), out) != size_t(bytes)) {
        *problem = "the converted file cannot be written (is the temporary folder full?)";
        return false;
    }
    return true;
}

// Resamples a decoded frame (or, with no samples, what the resampler still
// holds) and encodes it.
bool ConversionJob::Codecs::EncodeFrame(const AVFrame& f, int* produced, std::string* problem)
{
    if (f.nb_samples > 0 && !Resampler(f, problem))
        return false;
    if (!resampler)
        return true;
    for (;;) {
        const int room = swr_get_out_samples(resampler, f.nb_samples) + 32;
        left.resize(size_t(room));
        right.resize(size_t(room));
        uint8_t* planes[2] = {reinterpret_cast<uint8_t*>(left.data()), reinterpret_cast<uint8_t*>(right.data())};
        const int samples = f.nb_samples > 0
                                ? swr_convert(resampler, planes, room, const_cast<const uint8_t**>(f.extended_data), f.nb_samples)
                                : swr_convert(resampler, planes, room, nullptr, 0);
        if (samples < 0) {
            *problem = "its sound cannot be made into 44100 Hz";
            detail = FfmpegError(samples);
            return false;
        }
        if (samples > 0 && !Encode(samples, problem))
            return false;
        *produced += samples;
        // A frame goes through in one call; a flush until nothing is left.
        if (f.nb_samples > 0 || samples == 0)
            return true;
    }
}

bool ConversionJob::Codecs::Finish(std::string* problem)
{
    AVFrame flush = {};
    int produced = 0;
    if (!EncodeFrame(flush, &produced, problem))
        return false;
    if (samplesIn == 0 || (damagedFrames > 0 && secondsIn < kLeastSeconds)) {
        *problem = damagedFrames == 0 ? "no sound in it could be decoded"
                   : samplesIn == 0  ? "its sound is damaged near " + TimeText(firstDamage) + ": none of it decodes"
                                     : "its sound is damaged near " + TimeText(firstDamage) + ": only " +
                                          std::to_string(int(secondsIn * 10)) + " tenths of a second of it decode";
        return false;
    }
    if (meter)
        return true;
    if (mp3.size() < 7200)
        mp3.resize(7200); // what the encoder's last frames may take
    const int bytes = lame_encode_flush(lame, mp3.data(), int(mp3.size()));
    if (bytes < 0 || std::fwrite(mp3.data(), 1, size_t(bytes), out) != size_t(bytes)) {
        *problem = "the converted file cannot be written";
        return false;
    }
    // The header frame, now that the encoder knows the whole stream.
    unsigned char header[2880];
    const size_t length = lame_get_lametag_frame(lame, header, sizeof header);
    if (length > 0 && length <= sizeof header &&
        (std::fseek(out, 0, SEEK_SET) != 0 || std::fwrite(header, 1, length, out) != length)) {
        *problem = "the converted file cannot be written";
        return false;
    }
    const bool written = std::fclose(out) == 0;
    out = nullptr;
    if (!written) {
        *problem = "the converted file cannot be written (is the temporary folder full?)";
        return false;
    }
    return true;
}

ConversionJob::ConversionJob(const std::string& source, const std::string& target, const ConversionSettings& settings)
    : m_codecs(std::make_unique<Codecs>())
{
    m_codecs->settings = settings;
    std::string problem;
    if (!IsMp3BitRate(settings.kbps))
        Fail("no MPEG-1 Layer III bit rate: " + std::to_string(settings.kbps) + " kbps");
    else if (!m_codecs->Open(source, target, &problem))
        Fail(problem);
}

ConversionJob::ConversionJob(const std::string& source, LoudnessMeter& meter, const ConversionSettings& settings)
    : m_codecs(std::make_unique<Codecs>())
{
    m_codecs->settings = settings;
    m_codecs->meter = &meter;
    std::string problem;
    if (!m_codecs->Open(source, std::string(), &problem))
        Fail(problem);
}

ConversionJob::~ConversionJob() = default;

ConversionJob::State ConversionJob::Fail(const std::string& problem)
{
    m_problem = problem;
    TakeDamage();
    m_codecs.reset(); // closes the target, so the caller can remove it
    return m_state = State::Failed;
}

void ConversionJob::TakeDamage()
{
    if (!m_codecs)
        return;
    m_detail = m_codecs->detail;
    m_nDamagedFrames = m_codecs->damagedFrames;
    m_firstDamage = m_codecs->firstDamage;
}

std::string ConversionJob::DamageNote() const
{
    if (m_nDamagedFrames == 0)
        return "";
    return m_nDamagedFrames == 1 ? "1 damaged frame passed over, near " + TimeText(m_firstDamage)
                                 : std::to_string(m_nDamagedFrames) + " damaged frames passed over, the first near " +
                                       TimeText(m_firstDamage);
}

ConversionJob::State ConversionJob::Step()
{
    if (m_state != State::Working)
        return m_state;
    Codecs& c = *m_codecs;
    std::string problem;
    int produced = 0;
    while (produced < kSliceSamples) {
        if (c.errorsInARow > kMostErrorsInARow)
            return Fail("its sound is damaged near " + TimeText(c.firstDamage) + " beyond what can be passed over");
        int result = avcodec_receive_frame(c.decoder, c.frame);
        if (result == 0) {
            c.errorsInARow = 0;
            c.samplesIn += uint64_t(c.frame->nb_samples);
            if (c.frame->sample_rate > 0)
                c.secondsIn += double(c.frame->nb_samples) / c.frame->sample_rate;
            const bool encoded = c.EncodeFrame(*c.frame, &produced, &problem);
            av_frame_unref(c.frame);
            if (!encoded)
                return Fail(problem);
            continue;
        }
        if (result == AVERROR_EOF) {
            if (!c.Finish(&problem))
                return Fail(problem);
            TakeDamage();
            return m_state = State::Done;
        }
        if (result != AVERROR(EAGAIN)) {
            c.PassOver(result);
            continue;
        }
        if (c.inputEnded) {
            ++c.errorsInARow; // a decoder flushed owes frames or the end, never a wait
            continue;
        }
        result = av_read_frame(c.input.format, c.packet);
        if (result < 0) {
            // Where the file can no longer be read, its sound ends, as a
            // player ends it: a torn last packet, or junk glued on after it.
            if (result != AVERROR_EOF)
                c.PassOver(result);
            avcodec_send_packet(c.decoder, nullptr);
            c.inputEnded = true;
            continue;
        }
        if (c.packet->stream_index == c.stream) {
            const AVStream* s = c.input.format->streams[c.stream];
            if (c.packet->pts != AV_NOPTS_VALUE)
                c.lastTime = double(c.packet->pts) * av_q2d(s->time_base);
            result = avcodec_send_packet(c.decoder, c.packet);
            if (result < 0 && result != AVERROR(EAGAIN))
                c.PassOver(result);
        }
        av_packet_unref(c.packet);
    }
    return m_state;
}

int ConversionJob::Percent() const
{
    if (m_state == State::Done)
        return 100;
    if (!m_codecs || m_codecs->sourceBytes <= 0)
        return 0;
    const int64_t at = avio_tell(m_codecs->input.io);
    const int64_t percent = at * 100 / m_codecs->sourceBytes;
    return int(percent < 0 ? 0 : percent > 99 ? 99 : percent);
}
