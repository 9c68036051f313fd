#include "audio/PlayerFormats.h"

#include "audio/AudioFrame.h"

namespace {

struct Playable {
    MpegVersion version;
    int layer;
};

// The player's decoder: MPEG-1 and MPEG-2 Layers II and III, MPEG-2.5 Layer III.
constexpr Playable kPlayerPlays[] = {
    {MpegVersion::Mpeg1, 2},
    {MpegVersion::Mpeg1, 3},
    {MpegVersion::Mpeg2, 2},
    {MpegVersion::Mpeg2, 3},
    {MpegVersion::Mpeg25, 3},
};

constexpr int kMpeg1SampleRates[3] = {44100, 48000, 32000};

}

bool DescribeFrameHeader(uint32_t h, MpegStream* stream)
{
    if (!IsFrameHeader(h))
        return false;
    const int versionCode = int((h >> 19) & 3);
    stream->version = versionCode == 3 ? MpegVersion::Mpeg1 : versionCode == 2 ? MpegVersion::Mpeg2 : MpegVersion::Mpeg25;
    stream->layer = 4 - int((h >> 17) & 3);
    stream->kbps = MpegBitRate(stream->version == MpegVersion::Mpeg1, stream->layer, int((h >> 12) & 15));
    const int divisor = stream->version == MpegVersion::Mpeg1 ? 1 : stream->version == MpegVersion::Mpeg2 ? 2 : 4;
    stream->sampleRate = kMpeg1SampleRates[(h >> 10) & 3] / divisor;
    stream->mono = ((h >> 6) & 3) == 3;
    return true;
}

bool PlayerPlays(const MpegStream& stream)
{
    if (stream.kbps <= 0)
        return false;
    for (const Playable& p : kPlayerPlays)
        if (p.version == stream.version && p.layer == stream.layer)
            return true;
    return false;
}

std::string StreamText(const MpegStream& stream)
{
    const char* version = stream.version == MpegVersion::Mpeg1 ? "1" : stream.version == MpegVersion::Mpeg2 ? "2" : "2.5";
    std::string text = std::string("MPEG-") + version + " Layer " + std::to_string(stream.layer) + ", ";
    text += stream.kbps > 0 ? std::to_string(stream.kbps) + " kbps" : "free format";
    return text + ", " + std::to_string(stream.sampleRate) + " Hz";
}
