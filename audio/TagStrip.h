#pragma once
// An MPEG file's audio frames alone, byte for byte, without its tags.

#include <cstdint>
#include <string>

// Copies bytes [first, end) of `source` into `target` (created or replaced),
// a slice at a time. False with the reason.
bool CopyAudioFrames(const std::string& source, uint64_t first, uint64_t end, const std::string& target,
                     std::string* problem);
