#pragma once
// Names on the player are bytes: the directory says nothing of their
// encoding. The window writes its system's code page, as it always has; the
// tool writes Windows-1252 when a name fits in it and UTF-8 only when it does
// not. Both read a name that is valid UTF-8 as UTF-8 and anything else as
// Windows-1252, so a song keeps its name between the window, the tool,
// Windows and Linux. A name is cut only between characters.

#include <cstddef>
#include <string>

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
// Plain ASCII is UTF-8 too.
bool IsUtf8(const std::string& bytes);

// Every byte has a character: the five bytes Windows-1252 leaves undefined
// stand for the control characters of the same number, as Windows reads them.
std::string Utf8FromWindows1252(const std::string& bytes);
// False when a character of the UTF-8 text has no place in Windows-1252.
bool Windows1252FromUtf8(const std::string& utf8, std::string* bytes);

// A stored name in UTF-8: as UTF-8 when it is that, else as Windows-1252.
std::string NameAsUtf8(const std::string& stored);
// The characters of a stored name, read as NameAsUtf8 reads it.
size_t NameCharacters(const std::string& stored);

// The bytes the tool stores for a name given in UTF-8 (text that is no
// UTF-8 is taken as Windows-1252): Windows-1252 when it holds the name and
// reads back as the same name, else UTF-8. At most 99 bytes: a longer name
// keeps the most characters that fit, whole.
std::string ToolNameBytes(const std::string& text);

// How many of `bytes` to keep so that at most `limit` remain and no UTF-8
// character is split; bytes that are no UTF-8 are single-byte characters.
size_t NameCut(const std::string& bytes, size_t limit);

// How a program turns stored names into its own text (the list, its
// messages, the files a download names) and its text into stored names.
class SongNameText {
public:
    virtual ~SongNameText() = default;
    virtual std::string Shown(const std::string& stored) const = 0;
    // At most 99 bytes, cut between characters.
    virtual std::string Stored(const std::string& text) const = 0;
};

// The tool's names with UTF-8 as its text, as Linux gives and shows it. Text
// that is not UTF-8 (a file name from another system) is taken as
// Windows-1252.
class Utf8SongNames : public SongNameText {
public:
    std::string Shown(const std::string& stored) const override { return NameAsUtf8(stored); }
    std::string Stored(const std::string& text) const override { return ToolNameBytes(text); }
};
