#pragma once
// Whether a file holds MPEG audio, judged by its content alone: its first
// frame header after any ID3v2 tags (or the RIFF wrapper), confirmed by the
// frame headers that follow where the first frame's length says.

#include <cstdint>
#include <cstdio>

#include "audio/PlayerFormats.h"

struct MpegContent {
    uint32_t header = 0; // the first frame's
    MpegStream stream;
    uint64_t firstFrame = 0; // where the frames begin in the file
    // Bytes before the first frame that are neither a tag nor the RIFF
    // wrapper: a few of another format, a broken tag, garbage.
    uint64_t strayBytes = 0;
    bool riffWrapped = false;
};

// False when the file holds no MPEG audio. The file position is left anywhere.
bool FindMpegContent(std::FILE* file, uint64_t fileSize, MpegContent* content);

// Where the frames begin in these bytes, which lie at `offset` in a file of
// `fileSize` bytes; the first `window` positions are tried. -1 for none.
long FindConfirmedFrame(const uint8_t* data, size_t size, size_t window, uint64_t offset, uint64_t fileSize);
