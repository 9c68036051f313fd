#include "audio/AudioFrame.h"

#include <climits>
#include <cstring>
#include <vector>

namespace {

constexpr int kMpeg1Rates[3][15] = {
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448}, // Layer 1
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},    // Layer 2
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},     // Layer 3
};
constexpr int kLowerRates[2][15] = {
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256}, // Layer 1
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},      // Layers 2 and 3
};
constexpr int kMpeg1SampleRates[3] = {44100, 48000, 32000};

// Version codes of bits 20-19.
constexpr int kVersion25 = 0;
constexpr int kVersionReserved = 1;
constexpr int kVersion1 = 3;

int VersionCode(uint32_t h) { return int((h >> 19) & 3); }
int LayerOf(uint32_t h) { return 4 - int((h >> 17) & 3); }
int RateIndex(uint32_t h) { return int((h >> 12) & 15); }
int SampleIndex(uint32_t h) { return int((h >> 10) & 3); }

}

int MpegBitRate(bool mpeg1, int layer, int index)
{
    if (layer < 1 || layer > 3 || index < 0 || index > 14)
        return -1;
    return mpeg1 ? kMpeg1Rates[layer - 1][index] : kLowerRates[layer == 1 ? 0 : 1][index];
}

bool IsFrameHeader(uint32_t h)
{
    return (h >> 21) == 0x7FF && VersionCode(h) != kVersionReserved && ((h >> 17) & 3) != 0 && RateIndex(h) != 15 &&
           SampleIndex(h) != 3;
}

size_t FrameLength(uint32_t h)
{
    const int version = VersionCode(h);
    const int layer = LayerOf(h);
    const long bitsPerSecond = 1000L * MpegBitRate(version == kVersion1, layer, RateIndex(h));
    if (!IsFrameHeader(h) || bitsPerSecond <= 0)
        return 0;
    const int divisor = version == kVersion1 ? 1 : version == kVersion25 ? 4 : 2;
    const long sampleRate = kMpeg1SampleRates[SampleIndex(h)] / divisor;
    const long padding = (h >> 9) & 1;
    if (layer == 1)
        return size_t((12 * bitsPerSecond / sampleRate + padding) * 4);
    // A Layer 3 frame of the lower sampling frequencies holds half the samples.
    const long samples = layer == 3 && version != kVersion1 ? 576 : 1152;
    return size_t(samples / 8 * bitsPerSecond / sampleRate + padding);
}

uint32_t Id3v2TagLength(const uint8_t b[10])
{
    if (std::memcmp(b, "ID3", 3) != 0 || b[3] < 2 || b[3] > 4 || b[4] == 0xFF)
        return 0;
    if ((b[6] | b[7] | b[8] | b[9]) & 0x80)
        return 0;
    const uint32_t body = uint32_t(b[6]) << 21 | uint32_t(b[7]) << 14 | uint32_t(b[8]) << 7 | b[9];
    const bool footer = b[3] == 4 && (b[5] & 0x10);
    return 10 + body + (footer ? 10 : 0);
}

bool RiffWrapsMpeg(const uint8_t* bytes, size_t size)
{
    if (size < size_t(kRiffWrapperBytes) + 4 || std::memcmp(bytes, "RIFF", 4) != 0)
        return false;
    const uint8_t* data = bytes + kRiffWrapperBytes;
    return IsFrameHeader(ReadU32BE(data)) || (size >= kRiffProbeBytes && Id3v2TagLength(data) != 0);
}

// Where the tag says the audio begins, a frame header is taken as it is.
// Anywhere after that, a header counts only when the next frame's header
// follows where its length says, for the same stream, or when its frame ends
// the song: by chance alone, two such headers in a row are most unlikely.
// A free-format frame has no length to check, so it counts only at once.
long FindFrameAfterTag(const uint8_t* data, size_t size)
{
    for (size_t at = 0; at + 4 <= size && at <= kSearchWindow; ++at) {
        const uint32_t h = ReadU32BE(data + at);
        if (!IsFrameHeader(h))
            continue;
        if (at == 0)
            return 0;
        const size_t length = FrameLength(h);
        if (length == 0)
            continue;
        const size_t next = at + length;
        if (next == size)
            return long(at);
        if (next + 4 <= size) {
            const uint32_t following = ReadU32BE(data + next);
            if (IsFrameHeader(following) && (following & kStreamBits) == (h & kStreamBits))
                return long(at);
        }
    }
    return -1;
}

// The song keeps its tag (its data are the whole file); only the header that
// describes it is taken from the audio, so that the list shows the format,
// rates and playing time of a tagged file as of an untagged one. A tag with
// no frame after it leaves the song's first bytes, as for any other file.
bool FrameHeaderAfterTag(std::FILE* file, long dataStart, uint8_t header[4])
{
    if (std::memcmp(header, "ID3", 3) != 0)
        return false;
    // Some taggers leave an older tag behind the one they write.
    long position = dataStart;
    uint8_t tag[10];
    while (std::fseek(file, position, SEEK_SET) == 0 && std::fread(tag, 1, sizeof tag, file) == sizeof tag) {
        const uint32_t length = Id3v2TagLength(tag);
        if (length == 0)
            break;
        if (length > uint32_t(LONG_MAX - position))
            return false;
        position += long(length);
    }
    if (position == dataStart || std::fseek(file, position, SEEK_SET) != 0)
        return false;
    std::vector<uint8_t> after(kSearchWindow + kLongestFrame);
    const size_t got = std::fread(after.data(), 1, after.size(), file);
    const long at = FindFrameAfterTag(after.data(), got);
    if (at < 0)
        return false;
    std::memcpy(header, after.data() + at, 4);
    return true;
}
