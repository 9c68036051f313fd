#pragma once
// How the lines of a playlist become paths this program opens. A .m3u8
// list is UTF-8; a .m3u list is in the code page of the system that wrote
// it. The Windows programs open paths in the system's code page (the ANSI
// calls 98 has); elsewhere a path is UTF-8.

#include <string>

class PlaylistText {
public:
    virtual ~PlaylistText() = default;
    virtual std::string FromUtf8(const std::string& line) const = 0;
    virtual std::string FromCodePage(const std::string& line) const = 0;
};

// Paths in UTF-8, as Linux has them. A .m3u line that is UTF-8 is taken as
// it stands; any other is read as Windows-1252, the code page such lists
// come with from Windows.
class Utf8PlaylistText : public PlaylistText {
public:
    std::string FromUtf8(const std::string& line) const override { return line; }
    std::string FromCodePage(const std::string& line) const override;
};

#ifdef _WIN32
// The Windows programs' paths, in the system's code page: a .m3u line is
// taken as it stands, a .m3u8 line converted (a character the code page
// lacks comes out as '?', and that file is not found).
class CodePagePlaylistText : public PlaylistText {
public:
    std::string FromUtf8(const std::string& line) const override;
    std::string FromCodePage(const std::string& line) const override { return line; }
};
#endif

// The program's own: the code page on Windows, UTF-8 elsewhere.
const PlaylistText& SystemPlaylistText();
