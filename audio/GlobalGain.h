#pragma once
// An MP3 made louder or quieter without decoding it: every granule of a
// Layer III frame carries a global gain, the scale of all its sound, in
// steps of a quarter power of two (about 1.5 dB). Raising each by the same
// number of steps scales the decoded sound exactly; the frames, their sizes
// and their bit rate stay as they were.

#include <cstdint>
#include <string>

// One step of the global gain, in dB: 20 log10(2^(1/4)).
constexpr double kGlobalGainStepDb = 1.5051499783199060;

// The bytes of a file to copy: [start, end), with its frames in
// [firstFrame, framesEnd) and tags, if any, before and after them.
struct FrameSpan {
    uint64_t start = 0, firstFrame = 0, framesEnd = 0, end = 0;
};

// Copies the span of `source` into `target` (created or replaced), each
// Layer III frame of the stream that begins at `firstFrame` with its global
// gains moved by `steps`, and its checksum made again when it has one. The
// tags, the encoder's header frame, and any bytes between the frames that
// are no frame of the stream go as they are. False with the reason.
bool CopyWithGlobalGain(const std::string& source, const FrameSpan& span, int steps, const std::string& target,
                        std::string* problem);

// The frame that `frame` (`length` bytes, a Layer III frame header first)
// begins, its global gains moved by `steps` (each kept within 0 to 255);
// false, and the frame untouched, when it holds no sound to scale (an
// encoder's header frame) or is too short for its side information.
bool MoveGlobalGain(uint8_t* frame, size_t length, int steps);
