#pragma once
// What the player's decoder plays, in one table: a report from a real player
// changes one line of PlayerFormats.cpp.

#include <cstdint>
#include <string>

enum class MpegVersion { Mpeg1, Mpeg2, Mpeg25 };

// The stream a frame header describes.
struct MpegStream {
    MpegVersion version = MpegVersion::Mpeg1;
    int layer = 0;      // 1 to 3
    int kbps = 0;       // 0: free format
    int sampleRate = 0; // Hz
    bool mono = false;
};

// False for anything that is not a frame header.
bool DescribeFrameHeader(uint32_t header, MpegStream* stream);

// The player plays this stream: its version and layer are in the table, and
// its bit rate is one of the table's (not free format).
bool PlayerPlays(const MpegStream& stream);

// "MPEG-2.5 Layer 3, 8 kbps, 11025 Hz"
std::string StreamText(const MpegStream& stream);
