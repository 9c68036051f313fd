// The Windows programs' side of playlists: their paths are in the code page.

#include "playlist/PlaylistText.h"

#include "format/CodePageSongNames.h"

std::string CodePagePlaylistText::FromUtf8(const std::string& line) const
{
    return CodePageFromUtf8(line, 0);
}

const PlaylistText& SystemPlaylistText()
{
    static const CodePagePlaylistText s_text;
    return s_text;
}
