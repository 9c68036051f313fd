#include "audio/FfmpegInput.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

extern "C" {
#include <libavutil/log.h>
}

namespace {

// The libraries' own complaints stay off the terminal; the last error is
// kept to say why a file was refused.
thread_local std::string t_lastComplaint;

extern "C" void KeepComplaint(void* object, int level, const char* format, va_list arguments)
{
    (void)object;
    if (level > AV_LOG_ERROR)
        return;
    char text[256];
    std::vsnprintf(text, sizeof text, format, arguments);
    std::string line = text;
    while (!line.empty() && (line.back() == '\n' || line.back() == ' '))
        line.pop_back();
    if (!line.empty())
        t_lastComplaint = line;
}

void QuietLibraries()
{
    static const bool once = [] {
        av_log_set_callback(KeepComplaint);
        return true;
    }();
    (void)once;
}

// Nested opens (playlists, a movie's references) are refused: a song is one file.
extern "C" int RefuseOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**)
{
    return AVERROR(EPERM);
}

}

FfmpegInput::~FfmpegInput()
{
    avformat_close_input(&format);
    if (io)
        avio_closep(&io);
}

std::string FfmpegError(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    std::string why = std::string("FFmpeg: ") + text;
    if (!t_lastComplaint.empty() && t_lastComplaint != text)
        why += " (" + t_lastComplaint + ")";
    return why;
}

bool OpenFfmpegInput(const std::string& path, FfmpegInput* input, std::string* problem, std::string* detail)
{
    QuietLibraries();
    t_lastComplaint.clear();
    // "file:" keeps a colon in the path from naming a protocol.
    int result = avio_open(&input->io, ("file:" + path).c_str(), AVIO_FLAG_READ);
    if (result < 0) {
        char text[AV_ERROR_MAX_STRING_SIZE] = {};
        av_strerror(result, text, sizeof text);
        *problem = std::string("cannot be read: ") + text;
        *detail = FfmpegError(result);
        return false;
    }
    const AVInputFormat* found = nullptr;
    // No file name: the content alone names the format.
    result = av_probe_input_buffer2(input->io, &found, "", nullptr, 0, 0);
    if (result < 0) {
        *problem = "not a sound file Mellifon knows";
        *detail = "FFmpeg: no format it knows";
        return false;
    }
    input->format = avformat_alloc_context();
    if (!input->format) {
        *problem = "out of memory";
        return false;
    }
    input->format->pb = input->io;
    input->format->flags |= AVFMT_FLAG_CUSTOM_IO;
    input->format->io_open = RefuseOpen;
    const std::string damaged = std::string("a damaged ") + (found->long_name ? found->long_name : found->name) +
                                " file: its sound cannot be found";
    result = avformat_open_input(&input->format, "", found, nullptr);
    if (result < 0) {
        // avformat_open_input frees the context on failure.
        *problem = damaged;
        *detail = FfmpegError(result);
        return false;
    }
    result = avformat_find_stream_info(input->format, nullptr);
    if (result < 0) {
        *problem = damaged;
        *detail = FfmpegError(result);
        return false;
    }
    return true;
}
