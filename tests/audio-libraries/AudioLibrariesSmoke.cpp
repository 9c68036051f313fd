// The audio libraries as each tree links them: every file named is read with
// libavformat, decoded with libavcodec, made 44.1 kHz stereo with
// libswresample and encoded with LAME. Exits 1 when a file cannot be read
// or decoded whole (to within 60 ms of the length its container states), or
// LAME writes no MPEG-1 Layer III frame.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}
#include <lame/lame.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 44100;

class Conversion {
public:
    ~Conversion()
    {
        if (m_lame)
            lame_close(m_lame);
        swr_free(&m_resampler);
        av_frame_free(&m_frame);
        av_packet_free(&m_packet);
        avcodec_free_context(&m_decoder);
        avformat_close_input(&m_input);
    }

    // Empty when the whole file went through, else what failed.
    std::string Run(const char* path)
    {
        const AVCodec* codec = nullptr;
        if (avformat_open_input(&m_input, path, nullptr, nullptr) < 0 ||
            avformat_find_stream_info(m_input, nullptr) < 0)
            return "not read";
        m_stream = av_find_best_stream(m_input, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
        if (m_stream < 0)
            return "no audio stream it can decode";
        m_decoder = avcodec_alloc_context3(codec);
        if (!m_decoder || avcodec_parameters_to_context(m_decoder, m_input->streams[m_stream]->codecpar) < 0 ||
            avcodec_open2(m_decoder, codec, nullptr) < 0)
            return "decoder not opened";
        AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        if (swr_alloc_set_opts2(&m_resampler, &stereo, AV_SAMPLE_FMT_S16, kRate, &m_decoder->ch_layout,
                                m_decoder->sample_fmt, m_decoder->sample_rate, 0, nullptr) < 0 ||
            swr_init(m_resampler) < 0)
            return "resampler not opened";
        m_lame = lame_init();
        if (!m_lame || lame_set_in_samplerate(m_lame, kRate) < 0 || lame_set_num_channels(m_lame, 2) < 0 ||
            lame_set_brate(m_lame, 128) < 0 || lame_set_mode(m_lame, JOINT_STEREO) < 0 ||
            lame_init_params(m_lame) < 0)
            return "LAME not opened";
        m_packet = av_packet_alloc();
        m_frame = av_frame_alloc();
        if (!m_packet || !m_frame)
            return "out of memory";

        int status;
        while ((status = av_read_frame(m_input, m_packet)) >= 0) {
            const bool ours = m_packet->stream_index == m_stream;
            const int sent = ours ? avcodec_send_packet(m_decoder, m_packet) : 0;
            av_packet_unref(m_packet);
            if (sent < 0)
                return "a packet was not decoded";
            if (ours && !Drain())
                return "a frame was not converted";
        }
        if (status != AVERROR_EOF)
            return "read failed before the end";
        if (avcodec_send_packet(m_decoder, nullptr) < 0 || !Drain() || !Encode(nullptr))
            return "the last samples were not converted";
        std::vector<unsigned char> tail(7200);
        const int flushed = lame_encode_flush(m_lame, tail.data(), int(tail.size()));
        if (flushed < 0)
            return "LAME failed at the end";
        m_mp3.insert(m_mp3.end(), tail.begin(), tail.begin() + flushed);
        return Verdict();
    }

    int64_t Samples() const { return m_samples; }
    size_t Mp3Bytes() const { return m_mp3.size(); }

private:
    // Converts every frame the decoder has ready.
    bool Drain()
    {
        int status;
        while ((status = avcodec_receive_frame(m_decoder, m_frame)) >= 0) {
            const bool encoded = Encode(m_frame);
            av_frame_unref(m_frame);
            if (!encoded)
                return false;
        }
        return status == AVERROR(EAGAIN) || status == AVERROR_EOF;
    }

    // A frame, or with none the samples the resampler still holds.
    bool Encode(const AVFrame* frame)
    {
        const int in = frame ? frame->nb_samples : 0;
        const int room = swr_get_out_samples(m_resampler, in);
        if (room < 0)
            return false;
        std::vector<int16_t> pcm(size_t(room) * 2);
        uint8_t* out = reinterpret_cast<uint8_t*>(pcm.data());
        const int made = swr_convert(m_resampler, &out, room,
                                     frame ? const_cast<const uint8_t**>(frame->extended_data) : nullptr, in);
        if (made < 0)
            return false;
        m_samples += made;
        std::vector<unsigned char> mp3(size_t(made) * 5 / 4 + 7200);
        const int bytes = lame_encode_buffer_interleaved(m_lame, pcm.data(), made, mp3.data(), int(mp3.size()));
        if (bytes < 0)
            return false;
        m_mp3.insert(m_mp3.end(), mp3.begin(), mp3.begin() + bytes);
        return true;
    }

    std::string Verdict() const
    {
        const double seconds = double(m_samples) / kRate;
        const double stated = m_input->duration > 0 ? double(m_input->duration) / AV_TIME_BASE : 0;
        if (stated > 0 && seconds < stated - 0.06)
            return "decoded " + std::to_string(seconds) + " s of " + std::to_string(stated) + " s";
        // A frame header of MPEG-1 Layer III first.
        if (m_mp3.size() < 2 || m_mp3[0] != 0xFF || (m_mp3[1] & 0xFE) != 0xFA)
            return "LAME wrote no MPEG-1 Layer III frame";
        return "";
    }

    AVFormatContext* m_input = nullptr;
    AVCodecContext* m_decoder = nullptr;
    SwrContext* m_resampler = nullptr;
    AVPacket* m_packet = nullptr;
    AVFrame* m_frame = nullptr;
    lame_t m_lame = nullptr;
    int m_stream = -1;
    int64_t m_samples = 0;
    std::vector<unsigned char> m_mp3;
};

}

int main(int argc, char** argv)
{
    av_log_set_level(AV_LOG_ERROR);
    int failed = 0;
    for (int i = 1; i < argc; ++i) {
        Conversion conversion;
        const std::string problem = conversion.Run(argv[i]);
        if (!problem.empty()) {
            std::fprintf(stderr, "%s: %s\n", argv[i], problem.c_str());
            ++failed;
            continue;
        }
        std::printf("%s: %lld samples at 44100 Hz, %zu bytes of MP3\n", argv[i],
                    static_cast<long long>(conversion.Samples()), conversion.Mp3Bytes());
    }
    std::printf("%d passed, %d failed\n", argc - 1 - failed, failed);
    return failed == 0 && argc > 1 ? 0 : 1;
}
