#pragma once
// What a song is called when it is stored from a file: after the file, or
// after its tags. How a name becomes bytes on the player, and is cut
// between characters, is format/SongName.h's.

#include <cstddef>
#include <string>

// At most `maxBytes` bytes of `name`. A name that is valid UTF-8 loses whole
// characters only; any other name is taken as one byte a character.
std::string CutAtCharacter(const std::string& name, size_t maxBytes);

// "song.flac" gives "song"; a name whose only dot leads it keeps it.
std::string WithoutExtension(const std::string& fileName);

// "Artist - Title" when both are known, else empty.
std::string NameFromTags(const std::string& artist, const std::string& title);
