#include "playlist/Playlist.h"

#include <cerrno>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

#include "files/FilePtr.h"
#include "playlist/PlaylistText.h"
#include "playlist/XspfPlaylist.h"
#include "files/Folders.h"
#include "format/SongName.h"

namespace {

// A list this long is no playlist; its lines would not be songs.
constexpr size_t kLongestLine = 32 * 1024;
constexpr size_t kMostLines = 300000; // comments (#EXTINF) among them

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool EndsWith(const std::string& text, const std::string& end)
{
    if (text.size() < end.size())
        return false;
    for (size_t i = 0; i < end.size(); ++i)
        if (Lower(text[text.size() - end.size() + i]) != end[i])
            return false;
    return true;
}

std::string Trimmed(const std::string& line)
{
    size_t start = 0, end = line.size();
    while (start < end && (line[start] == ' ' || line[start] == '\t'))
        ++start;
    while (end > start && (line[end - 1] == ' ' || line[end - 1] == '\t' || line[end - 1] == '\r'))
        --end;
    return line.substr(start, end - start);
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = Lower(c);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// "b%20c.mp3" is "b c.mp3".
std::string PercentDecoded(const std::string& text)
{
    std::string decoded;
    for (size_t i = 0; i < text.size(); ++i) {
        const int high = text[i] == '%' && i + 2 < text.size() ? HexDigit(text[i + 1]) : -1;
        const int low = high >= 0 ? HexDigit(text[i + 2]) : -1;
        if (low >= 0) {
            decoded += char(high * 16 + low);
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

// file:///home/a/b%20c.mp3 is /home/a/b c.mp3; file:///C:/a.mp3 is C:/a.mp3.
std::string PathOfFileAddress(const std::string& address)
{
    std::string rest = address.substr(7);
    if (rest.rfind("localhost/", 0) == 0)
        rest = rest.substr(9);
    std::string path = PercentDecoded(rest);
    if (path.size() >= 3 && path[0] == '/' && path[2] == ':')
        path = path.substr(1); // a drive letter
    return path;
}

// The line as a path of this system, against the list's folder.
std::string PathOfLine(std::string line, const std::string& folder)
{
    bool address = false;
    if (line.size() > 7 && EndsWith(line.substr(0, 7), "file://")) {
        line = PathOfFileAddress(line);
        address = true;
    } else if (IsWebAddress(line)) {
        return line;
    }
#ifndef _WIN32
    // A list made on Windows: its separators are backslashes.
    if (!address && line.find('/') == std::string::npos)
        for (char& c : line)
            if (c == '\\')
                c = '/';
#endif
    return IsAbsolutePath(line) ? line : InFolder(folder, line);
}

// The list's lines, trimmed; a byte-order mark makes it UTF-8 (`*utf8`).
bool ReadLines(const std::string& path, std::vector<std::string>* lines, bool* utf8, std::string* error)
{
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        *error = path + ": " + std::strerror(errno);
        return false;
    }
    std::string line;
    bool first = true;
    for (int c = std::fgetc(file.get());; c = std::fgetc(file.get())) {
        if (c != EOF && c != '\n') {
            if (line.size() >= kLongestLine) {
                *error = path + ": a line longer than " + std::to_string(kLongestLine) + " bytes; not a playlist";
                return false;
            }
            line += char(c);
            continue;
        }
        if (first && line.rfind("\xEF\xBB\xBF", 0) == 0) {
            line = line.substr(3); // a byte-order mark: UTF-8, whatever the name says
            *utf8 = true;
        }
        first = false;
        const std::string entry = Trimmed(line);
        line.clear();
        if (!entry.empty()) {
            if (lines->size() >= kMostLines) {
                *error = path + ": more than " + std::to_string(kMostLines) + " lines; not a playlist";
                return false;
            }
            lines->push_back(entry);
        }
        if (c == EOF)
            break;
    }
    if (std::ferror(file.get())) {
        *error = path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

// M3U: every line that is no comment (#EXTM3U, #EXTINF) names a song.
std::vector<std::string> M3uEntries(const std::vector<std::string>& lines)
{
    std::vector<std::string> entries;
    for (const std::string& line : lines)
        if (line[0] != '#')
            entries.push_back(line);
    return entries;
}

// PLS: "File1=..." to "FileN=...", in the order of their numbers; titles,
// lengths and the count are passed over.
std::vector<std::string> PlsEntries(const std::vector<std::string>& lines)
{
    std::vector<std::pair<long, std::string>> numbered;
    for (const std::string& line : lines) {
        const size_t equals = line.find('=');
        if (equals == std::string::npos || equals <= 4 || !EndsWith(line.substr(0, 4), "file"))
            continue;
        const std::string number = line.substr(4, equals - 4);
        if (number.size() > 9 || number.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const std::string value = Trimmed(line.substr(equals + 1));
        if (!value.empty())
            numbered.emplace_back(std::stol(number), value);
    }
    std::stable_sort(numbered.begin(), numbered.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> entries;
    for (auto& entry : numbered)
        entries.push_back(std::move(entry.second));
    return entries;
}

}

bool IsPlaylistPath(const std::string& path)
{
    return EndsWith(path, ".m3u") || EndsWith(path, ".m3u8") || EndsWith(path, ".pls") || EndsWith(path, ".xspf");
}

bool IsWebAddress(const std::string& line)
{
    const size_t scheme = line.find("://");
    if (scheme == std::string::npos || scheme < 2)
        return false;
    for (size_t i = 0; i < scheme; ++i) {
        const char c = Lower(line[i]);
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'))
            return false;
    }
    return true;
}

bool ReadPlaylist(const std::string& path, const PlaylistText& text, std::vector<std::string>* paths,
                  std::string* error)
{
    const std::string folder = ParentFolder(path);
    if (EndsWith(path, ".xspf")) {
        std::vector<std::string> locations;
        if (!ReadXspfLocations(path, &locations, error))
            return false;
        // XML is read as UTF-8; an address relative to the list is
        // percent-encoded as a file:// one is.
        for (const std::string& location : locations)
            paths->push_back(PathOfLine(text.FromUtf8(IsWebAddress(location) ? location : PercentDecoded(location)), folder));
        return true;
    }
    std::vector<std::string> lines;
    bool utf8 = EndsWith(path, ".m3u8");
    if (!ReadLines(path, &lines, &utf8, error))
        return false;
    const bool pls = EndsWith(path, ".pls");
    // A .pls list says nothing of its text: UTF-8 when it reads as UTF-8.
    if (pls && !utf8) {
        utf8 = true;
        for (const std::string& line : lines)
            utf8 = utf8 && IsUtf8(line);
    }
    for (const std::string& entry : pls ? PlsEntries(lines) : M3uEntries(lines))
        paths->push_back(PathOfLine(utf8 ? text.FromUtf8(entry) : text.FromCodePage(entry), folder));
    return true;
}
