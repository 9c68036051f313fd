#include "cli/SongTable.h"

#include <algorithm>

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

std::string Padded(const std::string& text, size_t width, bool right)
{
    const std::string fill(width > text.size() ? width - text.size() : 0, ' ');
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
            widths[i] = std::max(widths[i], cells[i].size());
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
