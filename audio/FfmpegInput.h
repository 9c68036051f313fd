#pragma once
// A file opened with libavformat, judged by its content alone, and unable to
// open anything else (no playlists, no references to other files or URLs).

#include <string>

extern "C" {
#include <libavformat/avformat.h>
}

struct FfmpegInput {
    AVFormatContext* format = nullptr;
    AVIOContext* io = nullptr;
    ~FfmpegInput();
};

// Opens the file and reads its streams' parameters; false with the reason
// in the user's words, and in the library's as `detail`.
bool OpenFfmpegInput(const std::string& path, FfmpegInput* input, std::string* problem, std::string* detail);

// What FFmpeg's error code means, with the library's last complaint: the
// library's words, for those who ask for them (as "FFmpeg: ...").
std::string FfmpegError(int code);
