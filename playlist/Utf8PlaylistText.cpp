#include "playlist/PlaylistText.h"

#include "format/SongName.h"

std::string Utf8PlaylistText::FromCodePage(const std::string& line) const
{
    return IsUtf8(line) ? line : Utf8FromWindows1252(line);
}

#ifndef _WIN32
const PlaylistText& SystemPlaylistText()
{
    static const Utf8PlaylistText s_text;
    return s_text;
}
#endif
