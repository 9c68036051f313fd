#include "songlist/SongName.h"

namespace {

// The length of the UTF-8 sequence that `lead` begins, 0 when none does.
size_t SequenceLength(unsigned char lead)
{
    return lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : (lead & 0xF8) == 0xF0 ? 4 : 0;
}

bool IsUtf8(const std::string& text)
{
    for (size_t i = 0; i < text.size();) {
        const size_t length = SequenceLength(static_cast<unsigned char>(text[i]));
        if (length == 0 || i + length > text.size())
            return false;
        for (size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        i += length;
    }
    return true;
}

}

std::string CutAtCharacter(const std::string& name, size_t maxBytes)
{
    if (name.size() <= maxBytes)
        return name;
    size_t cut = maxBytes;
    if (IsUtf8(name))
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut; // back to the lead byte of the character that would be split
    return name.substr(0, cut);
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
