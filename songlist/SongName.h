#pragma once
// A song's name on the player: from its file or its tags, and cut to what a
// directory slot holds without splitting a character.

#include <cstddef>
#include <string>

// At most `maxBytes` bytes of `name`. A name that is valid UTF-8 loses whole
// characters only; any other name is taken as one byte a character.
std::string CutAtCharacter(const std::string& name, size_t maxBytes);

// "song.flac" gives "song"; a name whose only dot leads it keeps it.
std::string WithoutExtension(const std::string& fileName);

// "Artist - Title" when both are known, else empty.
std::string NameFromTags(const std::string& artist, const std::string& title);
