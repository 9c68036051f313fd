#include "audio/Tags.h"

#include <cstring>
#include <vector>

#include "audio/AudioFrame.h"

namespace {

// Text frames longer than this hold no plain artist or title.
constexpr uint32_t kLongestText = 64 * 1024;

void AppendUtf8(std::string& out, uint32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | c >> 6);
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | c >> 12);
        out += char(0x80 | (c >> 6 & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | c >> 18);
        out += char(0x80 | (c >> 12 & 0x3F));
        out += char(0x80 | (c >> 6 & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

std::string Latin1(const uint8_t* p, size_t size)
{
    std::string out;
    for (size_t i = 0; i < size && p[i] != 0; ++i)
        AppendUtf8(out, p[i]);
    return out;
}

// Up to the first NUL, as it stands, with any byte that does not belong to
// a UTF-8 sequence dropped.
std::string Utf8(const uint8_t* p, size_t size)
{
    std::string out;
    for (size_t i = 0; i < size && p[i] != 0;) {
        const uint8_t b = p[i];
        const size_t length = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
        bool whole = length > 0 && i + length <= size;
        for (size_t k = 1; whole && k < length; ++k)
            whole = (p[i + k] & 0xC0) == 0x80;
        if (whole)
            out.append(reinterpret_cast<const char*>(p + i), length);
        i += whole ? length : 1;
    }
    return out;
}

std::string Utf16(const uint8_t* p, size_t size, bool bigEndian)
{
    std::string out;
    for (size_t i = 0; i + 1 < size; i += 2) {
        uint32_t c = bigEndian ? uint32_t(p[i] << 8 | p[i + 1]) : uint32_t(p[i + 1] << 8 | p[i]);
        if (c == 0)
            break;
        if (c >= 0xD800 && c < 0xDC00 && i + 3 < size) {
            const uint32_t low = bigEndian ? uint32_t(p[i + 2] << 8 | p[i + 3]) : uint32_t(p[i + 3] << 8 | p[i + 2]);
            if (low >= 0xDC00 && low < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        if (c >= 0xD800 && c < 0xE000)
            continue; // a lone half of a pair
        AppendUtf8(out, c);
    }
    return out;
}

std::string Trimmed(std::string text)
{
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
        text.pop_back();
    size_t start = 0;
    while (start < text.size() && text[start] == ' ')
        ++start;
    return text.substr(start);
}

uint32_t SyncSafe(const uint8_t* p)
{
    return uint32_t(p[0] & 0x7F) << 21 | uint32_t(p[1] & 0x7F) << 14 | uint32_t(p[2] & 0x7F) << 7 | (p[3] & 0x7F);
}

// An undone unsynchronisation: the 0x00 the writer put after each 0xFF goes.
void Resynchronise(std::vector<uint8_t>& bytes)
{
    size_t out = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[out++] = bytes[i];
        if (bytes[i] == 0xFF && i + 1 < bytes.size() && bytes[i + 1] == 0x00)
            ++i;
    }
    bytes.resize(out);
}

// The body of one ID3v2 tag, read through once, in slices, with the whole
// tag's unsynchronisation (versions 2.2 and 2.3) undone on the way.
class TagBody {
public:
    TagBody(std::FILE* file, uint64_t rawBytes, bool unsynchronised)
        : m_file(file), m_nLeft(rawBytes), m_bUnsync(unsynchronised)
    {
    }

    // `size` bytes into `out`, or past them when `out` is null; false when
    // the tag ends first.
    bool Read(uint8_t* out, uint64_t size)
    {
        for (uint64_t i = 0; i < size; ++i) {
            int b = Next();
            if (b < 0)
                return false;
            if (m_bUnsync && m_bAfterFF && b == 0x00) {
                m_bAfterFF = false;
                if ((b = Next()) < 0)
                    return false;
            }
            m_bAfterFF = b == 0xFF;
            if (out)
                out[i] = uint8_t(b);
        }
        return true;
    }

    bool Skip(uint64_t size)
    {
        if (m_bUnsync)
            return Read(nullptr, size);
        const uint64_t buffered = m_nLength - m_nAt;
        if (size <= buffered) {
            m_nAt += size_t(size);
            return true;
        }
        size -= buffered;
        m_nAt = m_nLength = 0;
        if (size > m_nLeft || std::fseek(m_file, long(size), SEEK_CUR) != 0)
            return false;
        m_nLeft -= size;
        return true;
    }

private:
    int Next()
    {
        if (m_nAt == m_nLength) {
            const size_t want = m_nLeft < sizeof m_buffer ? size_t(m_nLeft) : sizeof m_buffer;
            m_nLength = want ? std::fread(m_buffer, 1, want, m_file) : 0;
            m_nAt = 0;
            m_nLeft -= m_nLength;
            if (m_nLength == 0)
                return -1;
        }
        return m_buffer[m_nAt++];
    }

    std::FILE* m_file;
    uint64_t m_nLeft;
    bool m_bUnsync;
    bool m_bAfterFF = false;
    uint8_t m_buffer[4096];
    size_t m_nAt = 0;
    size_t m_nLength = 0;
};

bool IsFrameId(const uint8_t* id, size_t length)
{
    for (size_t i = 0; i < length; ++i)
        if (!((id[i] >= 'A' && id[i] <= 'Z') || (id[i] >= '0' && id[i] <= '9')))
            return false;
    return true;
}

void Keep(std::string& field, const std::string& text)
{
    if (field.empty())
        field = Trimmed(text);
}

void KeepNumber(int& field, const std::string& text)
{
    if (field == 0)
        field = TagNumber(text);
}

// The frames of one ID3v2 tag whose ten header bytes are `header`.
void ReadId3v2Frames(std::FILE* file, const uint8_t header[10], uint32_t length, SongTags* tags)
{
    const int version = header[3];
    const uint8_t flags = header[5];
    if (version == 2 && (flags & 0x40))
        return; // a compression nobody defined
    const bool footer = version == 4 && (flags & 0x10);
    TagBody body(file, length - 10 - (footer ? 10 : 0), version < 4 && (flags & 0x80));
    if (flags & 0x40) { // extended header
        uint8_t size[4];
        if (!body.Read(size, 4))
            return;
        const uint32_t rest = version == 4 ? SyncSafe(size) - 4 : ReadU32BE(size);
        if (!body.Skip(rest))
            return;
    }
    const size_t idLength = version == 2 ? 3 : 4;
    const size_t headerLength = version == 2 ? 6 : 10;
    for (;;) {
        uint8_t frame[10];
        if (!body.Read(frame, headerLength) || !IsFrameId(frame, idLength))
            return; // the end, or padding
        const uint32_t size = version == 2 ? uint32_t(frame[3] << 16 | frame[4] << 8 | frame[5])
                              : version == 3 ? ReadU32BE(frame + 4)
                                             : SyncSafe(frame + 4);
        const std::string id(reinterpret_cast<const char*>(frame), idLength);
        const bool title = id == "TIT2" || id == "TT2";
        const bool artist = id == "TPE1" || id == "TP1";
        const bool track = id == "TRCK" || id == "TRK";
        const bool disc = id == "TPOS" || id == "TPA";
        if (id == "APIC" || id == "PIC")
            tags->pictureBytes += headerLength + size;
        if (!(title || artist || track || disc) || size > kLongestText) {
            if (!body.Skip(size))
                return;
            continue;
        }
        std::vector<uint8_t> bytes(size);
        if (!body.Read(bytes.data(), size))
            return;
        const uint8_t format = version == 2 ? 0 : frame[9];
        const bool unreadable = version == 3 ? (format & 0xC0) != 0 : version == 4 && (format & 0x0C) != 0;
        if (unreadable)
            continue; // compressed or encrypted
        size_t skip = 0;
        if (version == 3 && (format & 0x20))
            skip = 1; // group id
        if (version == 4) {
            if (format & 0x02)
                Resynchronise(bytes);
            skip = (format & 0x40 ? 1 : 0) + (format & 0x01 ? 4 : 0);
        }
        if (bytes.size() <= skip)
            continue;
        const std::string text = Id3v2Text(bytes.data() + skip, bytes.size() - skip);
        if (track || disc)
            KeepNumber(track ? tags->track : tags->disc, text);
        else
            Keep(title ? tags->title : tags->artist, text);
    }
}

void ReadLeadingTags(std::FILE* file, uint64_t fileSize, SongTags* tags)
{
    uint64_t position = 0;
    uint8_t header[10];
    while (position + sizeof header <= fileSize && std::fseek(file, long(position), SEEK_SET) == 0 &&
           std::fread(header, 1, sizeof header, file) == sizeof header) {
        const uint32_t length = Id3v2TagLength(header);
        if (length == 0 || position + length > fileSize)
            break;
        ReadId3v2Frames(file, header, length, tags);
        position += length;
    }
    tags->leadingBytes = position;
}

uint32_t ReadU32LE(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// An APE tag ending at `end`: its items, and its length (0 for none).
uint64_t ReadApeTag(std::FILE* file, uint64_t end, uint64_t start, SongTags* tags)
{
    uint8_t footer[32];
    if (end < start + sizeof footer || std::fseek(file, long(end - sizeof footer), SEEK_SET) != 0 ||
        std::fread(footer, 1, sizeof footer, file) != sizeof footer || std::memcmp(footer, "APETAGEX", 8) != 0)
        return 0;
    const uint32_t size = ReadU32LE(footer + 12); // items and footer
    const uint32_t count = ReadU32LE(footer + 16);
    const bool hasHeader = (ReadU32LE(footer + 20) & 0x80000000u) != 0;
    const uint64_t whole = uint64_t(size) + (hasHeader ? 32 : 0);
    if (size < sizeof footer || whole > end - start)
        return 0;
    uint64_t at = end - size;
    const uint64_t itemsEnd = end - sizeof footer;
    for (uint32_t i = 0; i < count && at + 9 <= itemsEnd; ++i) {
        uint8_t item[8 + 256];
        if (std::fseek(file, long(at), SEEK_SET) != 0)
            break;
        const size_t got = std::fread(item, 1, sizeof item, file);
        if (got < 9)
            break;
        const uint32_t valueSize = ReadU32LE(item);
        const uint8_t* key = item + 8;
        const void* nul = std::memchr(key, 0, got - 8);
        if (!nul)
            break; // no end to the key
        const size_t keyLength = size_t(static_cast<const uint8_t*>(nul) - key);
        const uint64_t valueAt = at + 8 + keyLength + 1;
        if (valueSize > itemsEnd - valueAt)
            break;
        std::string name(reinterpret_cast<const char*>(key), keyLength);
        for (char& c : name)
            c = char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        const bool text = name == "artist" || name == "title";
        const bool number = name == "track" || name == "disc";
        if ((text || number) && valueSize <= kLongestText) {
            std::vector<uint8_t> value(valueSize);
            if (std::fseek(file, long(valueAt), SEEK_SET) != 0 || std::fread(value.data(), 1, valueSize, file) != valueSize)
                break;
            const std::string utf8 = Utf8(value.data(), value.size());
            if (number)
                KeepNumber(name == "track" ? tags->track : tags->disc, utf8);
            else
                Keep(name == "artist" ? tags->artist : tags->title, utf8);
        }
        at = valueAt + valueSize;
    }
    return whole;
}

}

int TagNumber(const std::string& text)
{
    size_t at = 0;
    while (at < text.size() && text[at] == ' ')
        ++at;
    long value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9' && value < 100000; ++at)
        value = value * 10 + (text[at] - '0');
    return int(value);
}

std::string Id3v2Text(const uint8_t* body, size_t size)
{
    if (size < 1)
        return std::string();
    const uint8_t* text = body + 1;
    const size_t length = size - 1;
    switch (body[0]) {
    case 0:
        return Latin1(text, length);
    case 1:
        if (length >= 2 && text[0] == 0xFE && text[1] == 0xFF)
            return Utf16(text + 2, length - 2, true);
        if (length >= 2 && text[0] == 0xFF && text[1] == 0xFE)
            return Utf16(text + 2, length - 2, false);
        return Utf16(text, length, false);
    case 2:
        return Utf16(text, length, true);
    case 3:
        return Utf8(text, length);
    }
    return std::string();
}

SongTags ReadTags(std::FILE* file, uint64_t fileSize)
{
    SongTags tags;
    ReadLeadingTags(file, fileSize, &tags);
    uint64_t end = fileSize;
    std::string v1Title, v1Artist;
    int v1Track = 0;
    uint8_t v1[128];
    if (end >= tags.leadingBytes + sizeof v1 && std::fseek(file, long(end - sizeof v1), SEEK_SET) == 0 &&
        std::fread(v1, 1, sizeof v1, file) == sizeof v1 && std::memcmp(v1, "TAG", 3) == 0) {
        v1Title = Trimmed(Latin1(v1 + 3, 30));
        v1Artist = Trimmed(Latin1(v1 + 33, 30));
        // ID3v1.1: a zero byte, then the track, where the comment ends.
        if (v1[125] == 0 && v1[126] != 0)
            v1Track = v1[126];
        end -= sizeof v1;
    }
    // The APE tag lies before an ID3v1 tag, or ends the file.
    end -= ReadApeTag(file, end, tags.leadingBytes, &tags);
    Keep(tags.title, v1Title);
    Keep(tags.artist, v1Artist);
    if (tags.track == 0)
        tags.track = v1Track;
    tags.trailingBytes = fileSize - end;
    return tags;
}
