#include "audio/GlobalGain.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "files/FilePtr.h"
#include "audio/AudioFrame.h"

namespace {

constexpr size_t kSlice = 64 * 1024;

unsigned ReadBits(const uint8_t* data, size_t bit, int count)
{
    unsigned value = 0;
    for (int i = 0; i < count; ++i, ++bit)
        value = value << 1 | ((data[bit / 8] >> (7 - bit % 8)) & 1u);
    return value;
}

void WriteBits(uint8_t* data, size_t bit, int count, unsigned value)
{
    for (int i = count - 1; i >= 0; --i, ++bit) {
        const uint8_t mask = uint8_t(0x80u >> (bit % 8));
        data[bit / 8] = uint8_t((value >> i) & 1u ? data[bit / 8] | mask : data[bit / 8] & ~mask);
    }
}

// The checksum of a protected frame: CRC-16 (x^16 + x^15 + x^2 + 1, from
// all ones) over the header's last two bytes and the side information.
uint16_t FrameCrc(const uint8_t* frame, size_t sideInfoBytes)
{
    unsigned crc = 0xFFFF;
    const auto add = [&crc](uint8_t byte) {
        for (int i = 7; i >= 0; --i) {
            const bool carry = ((crc >> 15) ^ (byte >> i)) & 1u;
            crc = (crc << 1) & 0xFFFF;
            if (carry)
                crc ^= 0x8005;
        }
    };
    add(frame[2]);
    add(frame[3]);
    for (size_t i = 0; i < sideInfoBytes; ++i)
        add(frame[6 + i]);
    return uint16_t(crc);
}

bool IsLayer3(uint32_t header)
{
    return ((header >> 17) & 3u) == 1;
}

}

bool MoveGlobalGain(uint8_t* frame, size_t length, int steps)
{
    const uint32_t header = ReadU32BE(frame);
    const bool mpeg1 = ((header >> 19) & 3u) == 3;
    const bool mono = ((header >> 6) & 3u) == 3;
    const bool protectedFrame = ((header >> 16) & 1u) == 0;
    const int channels = mono ? 1 : 2;
    const size_t sideInfoBytes = mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
    const size_t sideInfo = protectedFrame ? 6 : 4;
    if (length < sideInfo + sideInfoBytes + 4)
        return false;
    // An encoder's header frame ("Xing", "Info") holds no sound: its side
    // information is zeros, and its own checksum covers them.
    const uint8_t* after = frame + sideInfo + sideInfoBytes;
    if (std::memcmp(after, "Xing", 4) == 0 || std::memcmp(after, "Info", 4) == 0)
        return false;
    // Where the side information's first granule begins, and how long each
    // granule's part for one channel is; its global gain is 21 bits in.
    const size_t start = mpeg1 ? 9 + (mono ? 5 : 3) + 4 * channels : 8 + (mono ? 1 : 2);
    const size_t granuleBits = mpeg1 ? 59 : 63;
    const int granules = mpeg1 ? 2 : 1;
    uint8_t* side = frame + sideInfo;
    for (int part = 0; part < granules * channels; ++part) {
        const size_t bit = start + size_t(part) * granuleBits + 21;
        int gain = int(ReadBits(side, bit, 8)) + steps;
        gain = gain < 0 ? 0 : gain > 255 ? 255 : gain;
        WriteBits(side, bit, 8, unsigned(gain));
    }
    if (protectedFrame) {
        const uint16_t crc = FrameCrc(frame, sideInfoBytes);
        frame[4] = uint8_t(crc >> 8);
        frame[5] = uint8_t(crc);
    }
    return true;
}

bool CopyWithGlobalGain(const std::string& source, const FrameSpan& span, int steps, const std::string& target,
                        std::string* problem)
{
    FilePtr in(std::fopen(source.c_str(), "rb"));
    if (!in || std::fseek(in.get(), long(span.start), SEEK_SET) != 0) {
        *problem = "cannot be read";
        return false;
    }
    FilePtr out(std::fopen(target.c_str(), "wb"));
    if (!out) {
        *problem = "its audio cannot be written in the temporary folder";
        return false;
    }
    const char* const kFull = "its audio cannot be written in the temporary folder (is it full?)";
    // Bytes read and not yet written: whole frames go out once in; the tail
    // of a frame waits for the next slice. `at` counts from the span's start.
    std::vector<uint8_t> pending;
    uint64_t pendingAt = span.start;
    uint32_t stream = 0; // the bits every frame of the stream shares, from its first
    uint64_t left = span.end - span.start;
    for (;;) {
        const size_t want = left < kSlice ? size_t(left) : kSlice;
        const size_t had = pending.size();
        pending.resize(had + want);
        if (want > 0 && std::fread(pending.data() + had, 1, want, in.get()) != want) {
            *problem = "cannot be read";
            return false;
        }
        left -= want;
        const bool last = left == 0;
        size_t at = 0;
        while (at + 4 <= pending.size()) {
            const uint64_t offset = pendingAt + at;
            if (offset < span.firstFrame || offset >= span.framesEnd) {
                ++at; // a tag: as it is
                continue;
            }
            const uint32_t header = ReadU32BE(pending.data() + at);
            const size_t length = IsFrameHeader(header) && IsLayer3(header) ? FrameLength(header) : 0;
            if (length > 0 && stream == 0)
                stream = header & kStreamBits;
            if (length == 0 || (header & kStreamBits) != stream || offset + length > span.framesEnd) {
                ++at; // no whole frame of the stream: a byte as it is
                continue;
            }
            if (at + length > pending.size())
                break; // the rest of it comes with the next slice
            MoveGlobalGain(pending.data() + at, length, steps);
            at += length;
        }
        if (last)
            at = pending.size();
        if (at > 0 && std::fwrite(pending.data(), 1, at, out.get()) != at) {
            *problem = kFull;
            return false;
        }
        pending.erase(pending.begin(), pending.begin() + long(at));
        pendingAt += at;
        if (last)
            break;
    }
    if (std::fclose(out.release()) != 0) {
        *problem = kFull;
        return false;
    }
    return true;
}
