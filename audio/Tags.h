#pragma once
// The tags of an MPEG audio file: ID3v2 (versions 2.2 to 2.4) at its start,
// APE and ID3v1 at its end. Read for the artist, title, track and disc, and
// measured so that the audio frames between them can be stored without them.

#include <cstdint>
#include <cstdio>
#include <string>

struct SongTags {
    std::string artist; // UTF-8; empty when no tag holds one
    std::string title;
    int track = 0; // the number on its album ("3" of "3/12"); 0 when none
    int disc = 0;
    uint64_t leadingBytes = 0;  // the ID3v2 tags at the start
    uint64_t pictureBytes = 0;  // of those, the attached pictures
    uint64_t trailingBytes = 0; // the APE and ID3v1 tags at the end
};

// The tags of a file of `fileSize` bytes. A damaged tag gives what could be
// read of it. The file position is left anywhere.
SongTags ReadTags(std::FILE* file, uint64_t fileSize);

// The number a track or disc tag begins with ("3" of "3/12"); 0 for none.
int TagNumber(const std::string& text);

// The text of an ID3v2 text frame's body (its encoding byte first), as UTF-8:
// the first of its values.
std::string Id3v2Text(const uint8_t* body, size_t size);
