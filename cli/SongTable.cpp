#include "cli/SongTable.h"

#include <algorithm>

#include "storage/format/SongName.h"

namespace {

bool RightAligned(int column)
{
    return column != kColumnName && column != kColumnFormat && column != kColumnDate;
}

// A name from the player may hold anything; control characters would break
// the lines of the table.
std::string Printable(std::string text)
{
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '?';
    return text;
}

// East Asian wide characters take two columns of a terminal.
bool Wide(char32_t code)
{
    return (code >= 0x1100 && code <= 0x115F) || (code >= 0x2E80 && code <= 0xA4CF && code != 0x303F) ||
           (code >= 0xAC00 && code <= 0xD7A3) || (code >= 0xF900 && code <= 0xFAFF) ||
           (code >= 0xFE30 && code <= 0xFE4F) || (code >= 0xFF00 && code <= 0xFF60) ||
           (code >= 0xFFE0 && code <= 0xFFE6) || (code >= 0x20000 && code <= 0x3FFFD);
}

// The columns a text takes: of UTF-8 by its characters, of a code page by
// its bytes (a double-byte character is two columns wide).
size_t Columns(const std::string& text)
{
    if (!IsUtf8(text))
        return text.size();
    size_t columns = 0;
    for (size_t at = 0; at < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[at]);
        const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t code = length == 1 ? lead : lead & (0x7F >> length);
        for (size_t i = 1; i < length; ++i)
            code = code << 6 | (static_cast<unsigned char>(text[at + i]) & 0x3F);
        columns += Wide(code) ? 2 : 1;
        at += length;
    }
    return columns;
}

std::string Padded(const std::string& text, size_t width, bool right)
{
    const size_t columns = Columns(text);
    const std::string fill(width > columns ? width - columns : 0, ' ');
    return right ? fill + text : text + fill;
}

std::string Joined(const std::vector<std::string>& cells, const char* separator)
{
    std::string line;
    for (size_t i = 0; i < cells.size(); ++i)
        line += (i ? separator : "") + cells[i];
    return line;
}

}

std::string FormatSongTable(const SongListContent& content, bool tabSeparated)
{
    std::vector<std::vector<std::string>> lines;
    std::vector<std::string> header;
    for (int column : kSongColumnDisplayOrder)
        header.push_back(kSongColumnHeaders[column]);
    lines.push_back(header);
    for (const auto& row : content.rows) {
        std::vector<std::string> cells;
        for (int column : kSongColumnDisplayOrder)
            cells.push_back(Printable(row[column]));
        lines.push_back(cells);
    }

    std::string text;
    if (tabSeparated) {
        for (const auto& cells : lines)
            text += Joined(cells, "\t") + "\n";
        return text + Joined({content.panes.begin(), content.panes.end()}, "\t") + "\n";
    }

    std::vector<size_t> widths(kSongColumns, 0);
    for (const auto& cells : lines)
        for (size_t i = 0; i < cells.size(); ++i)
            widths[i] = std::max(widths[i], Columns(cells[i]));
    for (const auto& cells : lines) {
        std::vector<std::string> padded;
        for (size_t i = 0; i < cells.size(); ++i) {
            const bool last = i + 1 == cells.size();
            padded.push_back(last ? cells[i]
                                  : Padded(cells[i], widths[i], RightAligned(kSongColumnDisplayOrder[i])));
        }
        text += Joined(padded, "  ") + "\n";
    }
    return text + Joined({content.panes.begin(), content.panes.end()}, "  ") + "\n";
}
