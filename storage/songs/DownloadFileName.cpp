#include "storage/songs/DownloadFileName.h"

#include <cctype>
#include <cstring>

namespace {

bool IsForbidden(unsigned char c)
{
    return c < 0x20 || std::strchr("<>:\"/\\|?*", c) != nullptr;
}

bool IsDeviceName(const std::string& name)
{
    std::string stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ')
        stem.pop_back();
    for (char& c : stem)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL")
        return true;
    return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
           stem[3] >= '1' && stem[3] <= '9';
}

}

std::string DownloadFileName(const std::string& songName, int songNumber)
{
    std::string name = songName;
    for (char& c : name)
        if (IsForbidden(static_cast<unsigned char>(c)))
            c = '_';
    if (name.find_first_not_of('.') == std::string::npos)
        return "song" + std::to_string(songNumber);
    if (IsDeviceName(name))
        name.insert(0, "_");
    return name;
}

std::string NumberedFileName(const std::string& fileName, int number)
{
    const size_t dot = fileName.find_last_of('.');
    const size_t stem = dot == std::string::npos || dot == 0 ? fileName.size() : dot;
    return fileName.substr(0, stem) + " (" + std::to_string(number) + ")" + fileName.substr(stem);
}
