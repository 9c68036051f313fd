#pragma once
// The tags of an audio file, as TagLib reads them: the artist, title, track
// and disc of any container it knows; and of MPEG audio also the sizes of
// its ID3v2 tag at the start and its APE and ID3v1 tags at the end, so that
// the audio frames between them can be stored without them.

#include <cstdint>
#include <cstdio>
#include <string>

struct SongTags {
    std::string artist; // UTF-8; empty when no tag holds one
    std::string title;
    int track = 0; // the number on its album ("3" of "3/12"); 0 when none
    int disc = 0;
    uint64_t leadingBytes = 0;  // the ID3v2 tag at the start
    uint64_t pictureBytes = 0;  // of those, the attached pictures
    uint64_t trailingBytes = 0; // the APE and ID3v1 tags at the end
    // The loudness a scanner wrote into the tags: its ReplayGain track gain
    // (REPLAYGAIN_TRACK_GAIN, to -18 LUFS) or its R128 track gain
    // (R128_TRACK_GAIN, to -23 LUFS), as the loudness it stands for.
    bool loudnessTagged = false;
    double taggedLufs = 0;
    double taggedPeak = 0; // REPLAYGAIN_TRACK_PEAK, full scale at 1; 0 when none
};

// A number as tags and lists write it, "-4.52 dB", "+1.3", "0.98", in any
// locale; false when the text begins with none.
bool ParseTagNumber(const std::string& text, double* value);

// The tags of MPEG audio in `file` (`fileSize` bytes, named `path`), with
// their sizes. A damaged tag gives what could be read of it. The file
// position is left anywhere.
SongTags ReadMpegTags(std::FILE* file, const std::string& path, uint64_t fileSize);

// The tags of a file in any container TagLib reads, known by the extension
// of `path`, else by its content; no sizes. None for any other file.
SongTags ReadTags(std::FILE* file, const std::string& path, uint64_t fileSize);

// The number a track or disc tag begins with ("3" of "3/12"); 0 for none.
int TagNumber(const std::string& text);

// "TagLib 1.13.0": the library that reads the tags, as this program runs with it.
std::string TagLibraryVersion();
