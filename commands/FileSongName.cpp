#include "commands/FileSongName.h"

#include "format/SongName.h"

std::string CutAtCharacter(const std::string& name, size_t maxBytes)
{
    return name.substr(0, NameCut(name, maxBytes));
}

std::string WithoutExtension(const std::string& fileName)
{
    const size_t dot = fileName.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? fileName : fileName.substr(0, dot);
}

std::string NameFromTags(const std::string& artist, const std::string& title)
{
    if (artist.empty() || title.empty())
        return std::string();
    std::string name = artist + " - " + title;
    for (char& c : name)
        if (static_cast<unsigned char>(c) < 0x20)
            c = ' '; // a tag's line breaks and tabs
    return name;
}
