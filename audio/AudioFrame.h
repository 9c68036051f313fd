#pragma once
// MPEG audio frame headers, and where the first one of a song lies when the
// song begins with an ID3v2 tag.

#include <cstddef>
#include <cstdint>
#include <cstdio>

inline uint32_t ReadU32BE(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

// A gap between a tag and the audio is padding that the tag's size left out,
// or what an editor left behind when it rewrote a shorter tag in place: a few
// kilobytes at most. 64 KiB covers that many times over; further on, a frame
// found would more likely be a chance pattern in a picture or in junk than
// the song's start.
constexpr size_t kSearchWindow = 64 * 1024;
// More than the longest frame: MPEG-2.5 Layer 2 at 160 kbit/s and 8000 Hz, 2881 bytes.
constexpr size_t kLongestFrame = 4096;

// Sync, version and layer, and the sample-rate index: what every frame of one
// stream shares.
constexpr uint32_t kStreamBits = 0xFFFE0C00;

// kbit/s by bit-rate index 0 to 14 (0 is free format): MPEG-1 by layer, and
// the lower sampling frequencies (MPEG-2 and 2.5) for layer 1 and for layers
// 2 and 3 together. -1 outside the tables.
int MpegBitRate(bool mpeg1, int layer, int index);

// A frame header (the first of its four bytes in bits 31-24): the 11-bit
// sync, and no reserved version, layer, bit-rate or sample-rate code.
bool IsFrameHeader(uint32_t header);

// The bytes of the frame that this header begins; 0 for free format.
size_t FrameLength(uint32_t header);

// The whole length of the ID3v2 tag that these ten bytes begin (header, body
// and a version 4 footer), or 0 when they begin none.
uint32_t Id3v2TagLength(const uint8_t bytes[10]);

// Where the first frame header lies in these bytes, which follow a tag; -1
// when there is none.
long FindFrameAfterTag(const uint8_t* data, size_t size);

// A RIFF file that wraps MPEG audio: a 72-byte wrapper, then a frame header
// or an ID3v2 tag. `bytes` are the file's first `size` bytes (82 are enough).
constexpr long kRiffWrapperBytes = 72;
constexpr size_t kRiffProbeBytes = kRiffWrapperBytes + 10;
bool RiffWrapsMpeg(const uint8_t* bytes, size_t size);

// When the song that starts at `dataStart` begins with ID3v2 tags, the first
// frame header after them goes into the four bytes of `header`, and the
// result is true. Otherwise `header` is left as it is. The file position is
// left anywhere.
bool FrameHeaderAfterTag(std::FILE* file, long dataStart, uint8_t header[4]);
