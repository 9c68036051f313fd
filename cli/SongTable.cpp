#include "cli/SongTable.h"

#include <algorithm>

#include "audio/PlayerFormats.h"
#include "cli/Json.h"
#include "format/LittleEndian.h"
#include "format/PageFormat.h"
#include "commands/DisplayText.h"
#include "format/DirectoryImage.h"
#include "format/SongName.h"

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

std::string FormatSongTable(const SongListContent& content)
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

namespace {

// "128 Kbps" is 128, "44100 Hz" 44100; "N/A" stays.
std::string WithoutUnit(const std::string& text)
{
    const size_t space = text.find(' ');
    return text == "N/A" || space == std::string::npos ? text : text.substr(0, space);
}

long long BlockBytes(unsigned blocks)
{
    return static_cast<long long>(blocks) * kBlockSize;
}

}

std::string FormatSongTsv(DirectoryImage& image, const SongNameText& names)
{
    const SongListContent content = BuildSongListContent(image, names);
    std::string text;
    for (int column : kSongColumnDisplayOrder)
        text += std::string(column == kSongColumnDisplayOrder[0] ? "" : "\t") + kSongColumnHeaders[column];
    text += "\n";
    for (size_t slot = 0; slot < content.rows.size(); ++slot) {
        auto row = content.rows[slot];
        const DirectoryEntry entry = image.Entry(int(slot));
        row[kColumnSize] = std::to_string(entry.size());
        row[kColumnBitrate] = WithoutUnit(row[kColumnBitrate]);
        row[kColumnRate] = WithoutUnit(row[kColumnRate]);
        const std::string date = FormatIsoTime(entry.uploadTime());
        row[kColumnDate] = date.empty() ? "N/A" : date;
        std::vector<std::string> cells;
        for (int column : kSongColumnDisplayOrder)
            cells.push_back(Printable(row[column]));
        text += Joined(cells, "\t") + "\n";
    }
    return text + "Songs:" + std::to_string(image.entryCount()) + "\tMemory:" +
           std::to_string(BlockBytes(image.totalBlocks())) + "\tFree:" + std::to_string(BlockBytes(image.freeBlocks())) +
           "\tUsed:" + std::to_string(BlockBytes(image.usedBlocks())) + "\n";
}

std::string FormatSongJson(const DirectoryImage& image, bool damaged, bool fromCopy)
{
    std::vector<std::string> songs;
    for (int slot = 0; slot < std::min<int>(image.entryCount(), kMaxSongRows); ++slot) {
        const DirectoryEntry entry = image.Entry(slot);
        MpegStream stream;
        const bool mpeg = DescribeFrameHeader(ReadU32LE(entry.audioHeaderBytes()), &stream);
        const bool timed = mpeg && stream.kbps > 0;
        const std::string date = FormatIsoTime(entry.uploadTime());
        std::string format;
        if (mpeg)
            format = StreamText(stream).substr(0, StreamText(stream).find(','));
        songs.push_back(JsonObject()
                            .Add("number", JsonNumber(slot + 1))
                            .Add("name", JsonString(NameAsUtf8(entry.name())))
                            .Add("size", JsonNumber(entry.size()))
                            .Add("duration_ms", timed ? JsonNumber(int64_t(entry.size()) * 8 / stream.kbps) : kJsonNull)
                            .Add("format", mpeg ? JsonString(format) : kJsonNull)
                            .Add("bitrate_kbps", timed ? JsonNumber(stream.kbps) : kJsonNull)
                            .Add("sample_rate_hz", mpeg ? JsonNumber(stream.sampleRate) : kJsonNull)
                            .Add("uploaded", date.empty() ? kJsonNull : JsonString(date))
                            .Add("plays", JsonBool(mpeg && PlayerPlays(stream)))
                            .Text());
    }
    const JsonObject memory = JsonObject()
                                  .Add("songs", JsonNumber(image.entryCount()))
                                  .Add("total_bytes", JsonNumber(BlockBytes(image.totalBlocks())))
                                  .Add("free_bytes", JsonNumber(BlockBytes(image.freeBlocks())))
                                  .Add("used_bytes", JsonNumber(BlockBytes(image.usedBlocks())));
    return JsonObject()
        .Add("songs", JsonArray(songs, true))
        .Add("memory", memory.Text())
        .Add("damaged", JsonBool(damaged))
        .Add("shown_from_copy", JsonBool(fromCopy))
        .TextLines();
}
