#pragma once
// MPEG audio frame headers, and where the first one of a song lies when the
// song begins with an ID3v2 tag.

#include <cstddef>
#include <cstdint>
#include <cstdio>

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

// When the song that starts at `dataStart` begins with ID3v2 tags, the first
// frame header after them goes into the four bytes of `header`, and the
// result is true. Otherwise `header` is left as it is. The file position is
// left anywhere.
bool FrameHeaderAfterTag(std::FILE* file, long dataStart, uint8_t header[4]);
