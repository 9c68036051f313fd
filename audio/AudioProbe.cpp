#include <cstring>
#include <map>

#include "audio/AudioProbe.h"
#include "audio/Conversion.h"
#include "audio/FfmpegInput.h"

#include <lame/lame.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libswresample/swresample.h>
}

namespace {

std::string CodecText(AVCodecID id)
{
    static const std::map<AVCodecID, const char*> names = {
        {AV_CODEC_ID_FLAC, "FLAC"},     {AV_CODEC_ID_VORBIS, "Vorbis"}, {AV_CODEC_ID_OPUS, "Opus"},
        {AV_CODEC_ID_AAC, "AAC"},       {AV_CODEC_ID_ALAC, "ALAC"},     {AV_CODEC_ID_WMAV1, "WMA"},
        {AV_CODEC_ID_WMAV2, "WMA"},     {AV_CODEC_ID_WMAPRO, "WMA Pro"}, {AV_CODEC_ID_MP1, "MPEG Layer 1"},
        {AV_CODEC_ID_MP2, "MPEG Layer 2"}, {AV_CODEC_ID_MP3, "MPEG Layer 3"},
    };
    const auto name = names.find(id);
    if (name != names.end())
        return name->second;
    const AVCodecDescriptor* descriptor = avcodec_descriptor_get(id);
    if (descriptor && std::strncmp(descriptor->name, "pcm_", 4) == 0)
        return "PCM";
    return descriptor ? descriptor->name : "unknown codec";
}

std::string ContainerText(const char* demuxer)
{
    static const std::map<std::string, const char*> names = {
        {"ogg", "Ogg"}, {"mov,mp4,m4a,3gp,3g2,mj2", "M4A"}, {"asf", "ASF"}, {"wav", "WAV"}, {"w64", "WAV"},
        {"aiff", "AIFF"}, {"matroska,webm", "Matroska"}, {"caf", "CAF"},
    };
    const auto name = names.find(demuxer);
    return name != names.end() ? name->second : "";
}

}

bool ConversionAvailable()
{
    return true;
}

std::vector<std::string> AudioLibraryVersions()
{
    const auto number = [](unsigned version) {
        return std::to_string(AV_VERSION_MAJOR(version)) + "." + std::to_string(AV_VERSION_MINOR(version)) + "." +
               std::to_string(AV_VERSION_MICRO(version));
    };
    return {std::string("FFmpeg ") + av_version_info() + " (libavformat " + number(avformat_version()) +
                ", libavcodec " + number(avcodec_version()) + ", libswresample " + number(swresample_version()) + ")",
            std::string("LAME ") + get_lame_version()};
}

LibraryProbe ProbeWithLibraries(const std::string& path)
{
    LibraryProbe probe;
    FfmpegInput input;
    if (!OpenFfmpegInput(path, &input, &probe.problem, &probe.detail))
        return probe;
    const AVCodec* decoder = nullptr;
    const int index = av_find_best_stream(input.format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    if (index < 0 || !decoder) {
        probe.problem = index == AVERROR_DECODER_NOT_FOUND ? "its sound is in a form Mellifon cannot convert"
                                                           : "not a sound file (it holds no sound)";
        probe.detail = index == AVERROR_DECODER_NOT_FOUND ? "FFmpeg: no decoder for its audio stream"
                                                          : "FFmpeg: no audio stream";
        return probe;
    }
    const AVStream* stream = input.format->streams[index];
    // A rate only damage gives is refused here, before any plan counts on it.
    if (stream->codecpar->sample_rate > kHighestInputRate) {
        probe.problem = SampleRateProblem(stream->codecpar->sample_rate);
        return probe;
    }
    probe.audio = true;
    const std::string container = ContainerText(input.format->iformat->name);
    const std::string codec = CodecText(stream->codecpar->codec_id);
    probe.format = container.empty() || container == codec ? codec : container + " " + codec;
    if (input.format->duration != AV_NOPTS_VALUE && input.format->duration > 0)
        probe.seconds = double(input.format->duration) / AV_TIME_BASE;
    else if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
        probe.seconds = double(stream->duration) * av_q2d(stream->time_base);
    return probe;
}
