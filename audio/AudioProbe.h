#pragma once
// What FFmpeg's libraries make of a file that is not MPEG audio the player
// plays: its format and its playing time (TagLib reads its tags, audio/Tags.h). Judged by content: the
// file's name plays no part. Builds without the libraries (the Windows
// programs, for now) say so for every file.

#include <string>
#include <vector>

struct LibraryProbe {
    bool audio = false;  // an audio stream the libraries can decode
    std::string format;  // "FLAC", "Ogg Vorbis", "M4A AAC", ...
    double seconds = 0;  // 0 when the file does not say
    std::string problem; // when not audio: why not
    std::string detail;  // and why not in FFmpeg's words, when it gave any
};

// Whether this build can convert (it has the libraries).
bool ConversionAvailable();
// The libraries conversion runs with, one a line with its version ("LAME
// 3.100"); none in a build without them.
std::vector<std::string> AudioLibraryVersions();

LibraryProbe ProbeWithLibraries(const std::string& path);
