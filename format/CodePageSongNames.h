#pragma once
// Song names for the Windows programs, whose text is the system's code page
// (ANSI calls throughout, as 98 has them). Code pages are given by number;
// 0 is the system's own (CP_ACP).

#include <string>

#include "format/SongName.h"

std::string Utf8FromCodePage(const std::string& text, unsigned codePage);
// A character the code page lacks comes out as the system's best fit or '?'.
std::string CodePageFromUtf8(const std::string& utf8, unsigned codePage);

// The tool on Windows: the tool's rules (format/SongName.h), its
// text in the code page.
class CodePageSongNames : public SongNameText {
public:
    explicit CodePageSongNames(unsigned codePage = 0);
    std::string Shown(const std::string& stored) const override;
    std::string Stored(const std::string& text) const override;

private:
    unsigned m_nCodePage;
};

// The window writes names in its code page, as it always has, and reads
// back what it wrote in that code page too: on a Western system (1252) that
// is the reading both programs share, and elsewhere it keeps the window's
// own names readable to it. Where the code page is UTF-8, a name that is no
// UTF-8 reads as Windows-1252. A name whose code-page bytes would read back
// as another name (they happen to be UTF-8) is written as UTF-8 instead.
class WindowSongNames : public SongNameText {
public:
    explicit WindowSongNames(unsigned codePage = 0);
    std::string Shown(const std::string& stored) const override;
    std::string Stored(const std::string& text) const override;

private:
    // How many bytes of code-page text to keep so that at most `limit`
    // remain and no character is split.
    size_t CodePageCut(const std::string& text, size_t limit) const;

    unsigned m_nCodePage;
};
