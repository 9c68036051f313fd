#include "format/SongName.h"

#include <vector>

#include "format/DirectoryEntry.h"

namespace {

// Bytes 0x80 to 0x9F of Windows-1252; the rest of its upper half is Latin-1.
const char32_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The length of the UTF-8 character at `at`, with its code point; 0 when no
// valid character starts there.
size_t CharacterAt(const std::string& s, size_t at, char32_t* code)
{
    const unsigned char lead = static_cast<unsigned char>(s[at]);
    if (lead < 0x80) {
        *code = lead;
        return 1;
    }
    size_t length = 0;
    char32_t value = 0, least = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, least = 0x10000;
    } else {
        return 0;
    }
    if (s.size() - at < length)
        return 0;
    for (size_t i = 1; i < length; ++i) {
        const unsigned char next = static_cast<unsigned char>(s[at + i]);
        if ((next & 0xC0) != 0x80)
            return 0;
        value = value << 6 | (next & 0x3F);
    }
    if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    *code = value;
    return length;
}

void AppendUtf8(std::string* out, char32_t code)
{
    if (code < 0x80) {
        *out += char(code);
    } else if (code < 0x800) {
        *out += char(0xC0 | code >> 6);
        *out += char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        *out += char(0xE0 | code >> 12);
        *out += char(0x80 | (code >> 6 & 0x3F));
        *out += char(0x80 | (code & 0x3F));
    } else {
        *out += char(0xF0 | code >> 18);
        *out += char(0x80 | (code >> 12 & 0x3F));
        *out += char(0x80 | (code >> 6 & 0x3F));
        *out += char(0x80 | (code & 0x3F));
    }
}

// Where each character of valid UTF-8 starts, and the end.
std::vector<size_t> CharacterStarts(const std::string& utf8)
{
    std::vector<size_t> starts;
    char32_t code = 0;
    for (size_t at = 0; at < utf8.size(); at += CharacterAt(utf8, at, &code))
        starts.push_back(at);
    starts.push_back(utf8.size());
    return starts;
}

// Windows-1252 when that holds the name and reads back as it; else UTF-8.
std::string ToolEncoding(const std::string& utf8)
{
    std::string bytes;
    if (Windows1252FromUtf8(utf8, &bytes) && NameAsUtf8(bytes) == utf8)
        return bytes;
    return utf8;
}

}

bool IsUtf8(const std::string& bytes)
{
    char32_t code = 0;
    for (size_t at = 0; at < bytes.size();) {
        const size_t length = CharacterAt(bytes, at, &code);
        if (length == 0)
            return false;
        at += length;
    }
    return true;
}

std::string Utf8FromWindows1252(const std::string& bytes)
{
    std::string utf8;
    for (char c : bytes) {
        const unsigned char b = static_cast<unsigned char>(c);
        AppendUtf8(&utf8, b >= 0x80 && b < 0xA0 ? kWindows1252High[b - 0x80] : char32_t(b));
    }
    return utf8;
}

bool Windows1252FromUtf8(const std::string& utf8, std::string* bytes)
{
    bytes->clear();
    char32_t code = 0;
    for (size_t at = 0; at < utf8.size();) {
        const size_t length = CharacterAt(utf8, at, &code);
        if (length == 0)
            return false;
        at += length;
        if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) {
            *bytes += char(code);
            continue;
        }
        size_t high = 0;
        while (high < 32 && kWindows1252High[high] != code)
            ++high;
        if (high == 32)
            return false;
        *bytes += char(0x80 + high);
    }
    return true;
}

std::string NameAsUtf8(const std::string& stored)
{
    return IsUtf8(stored) ? stored : Utf8FromWindows1252(stored);
}

size_t NameCharacters(const std::string& stored)
{
    return CharacterStarts(NameAsUtf8(stored)).size() - 1;
}

std::string ToolNameBytes(const std::string& text)
{
    const std::string utf8 = IsUtf8(text) ? text : Utf8FromWindows1252(text);
    const std::vector<size_t> starts = CharacterStarts(utf8);
    // Every character takes a byte at least, so no more than 99 can fit.
    size_t characters = starts.size() - 1;
    if (characters > size_t(DirectoryEntry::kMaxNameLength))
        characters = DirectoryEntry::kMaxNameLength;
    for (; characters > 0; --characters) {
        const std::string bytes = ToolEncoding(utf8.substr(0, starts[characters]));
        if (bytes.size() <= size_t(DirectoryEntry::kMaxNameLength))
            return bytes;
    }
    return std::string();
}

size_t NameCut(const std::string& bytes, size_t limit)
{
    if (bytes.size() <= limit)
        return bytes.size();
    // Back off only over a UTF-8 character that is whole in `bytes` and
    // follows a start that is UTF-8 itself.
    char32_t code = 0;
    for (size_t back = 1; back < 4 && back <= limit; ++back) {
        const size_t at = limit - back;
        const size_t length = CharacterAt(bytes, at, &code);
        if (length > back)
            return IsUtf8(bytes.substr(0, at)) ? at : limit;
        if (length != 0)
            break;
    }
    return limit;
}
