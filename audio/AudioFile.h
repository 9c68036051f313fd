#pragma once
// What a file is, as far as the player is concerned, judged by its content:
// MPEG audio the player plays, other audio to convert, or no audio at all;
// with its format, playing time, bit rate and tags.

#include <cstdint>
#include <string>

#include "audio/MpegContent.h"
#include "audio/Tags.h"

enum class AudioKind {
    Unreadable, // cannot be opened or read, or is a folder
    Empty,
    PlayerPlays, // MPEG audio of the player's table
    Convertible, // audio the libraries decode (MPEG the player does not play too)
    NotAudio,    // or audio this build cannot convert
};

struct AudioFileFacts {
    std::string path;
    AudioKind kind = AudioKind::Unreadable;
    std::string problem; // why it is refused (Unreadable, Empty, NotAudio)
    std::string detail;  // why, in the words of the library that judged it, when one did
    std::string format;  // "MPEG-1 Layer 3, 320 kbps, 44100 Hz", "FLAC", ...
    uint64_t size = 0;
    double seconds = 0; // 0 when unknown
    int kbps = 0;       // MPEG audio: its average bit rate
    bool mpeg = false;  // MPEG audio, played or not
    MpegContent content; // when `mpeg`
    uint64_t framesEnd = 0; // when `mpeg`: where the frames end, before the trailing tags
    SongTags tags;          // artist, title, track and disc of any audio; tag sizes of MPEG audio
};

AudioFileFacts ExamineAudioFile(const std::string& path);
