#include "format/CodePageSongNames.h"

#include <windows.h>

#include "format/DirectoryEntry.h"

namespace {

unsigned Resolved(unsigned codePage)
{
    return codePage == CP_ACP ? GetACP() : codePage;
}

std::wstring Wide(const std::string& text, unsigned codePage)
{
    const int length = MultiByteToWideChar(codePage, 0, text.data(), int(text.size()), nullptr, 0);
    if (length <= 0)
        return std::wstring();
    std::wstring wide(size_t(length), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), int(text.size()), wide.data(), length);
    return wide;
}

std::string Narrow(const std::wstring& wide, unsigned codePage)
{
    const int length =
        WideCharToMultiByte(codePage, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return std::string();
    std::string text(size_t(length), '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), int(wide.size()), text.data(), length, nullptr, nullptr);
    return text;
}

}

std::string Utf8FromCodePage(const std::string& text, unsigned codePage)
{
    codePage = Resolved(codePage);
    return codePage == CP_UTF8 ? text : Narrow(Wide(text, codePage), CP_UTF8);
}

std::string CodePageFromUtf8(const std::string& utf8, unsigned codePage)
{
    codePage = Resolved(codePage);
    return codePage == CP_UTF8 ? utf8 : Narrow(Wide(utf8, CP_UTF8), codePage);
}

CodePageSongNames::CodePageSongNames(unsigned codePage) : m_nCodePage(Resolved(codePage)) {}

std::string CodePageSongNames::Shown(const std::string& stored) const
{
    return CodePageFromUtf8(NameAsUtf8(stored), m_nCodePage);
}

std::string CodePageSongNames::Stored(const std::string& text) const
{
    return ToolNameBytes(Utf8FromCodePage(text, m_nCodePage));
}

WindowSongNames::WindowSongNames(unsigned codePage) : m_nCodePage(Resolved(codePage)) {}

std::string WindowSongNames::Shown(const std::string& stored) const
{
    if (IsUtf8(stored))
        return CodePageFromUtf8(stored, m_nCodePage);
    return m_nCodePage == CP_UTF8 ? Utf8FromWindows1252(stored) : stored;
}

std::string WindowSongNames::Stored(const std::string& text) const
{
    const std::string bytes = text.substr(0, CodePageCut(text, DirectoryEntry::kMaxNameLength));
    if (Shown(bytes) == bytes)
        return bytes;
    return ToolNameBytes(Utf8FromCodePage(text, m_nCodePage));
}

size_t WindowSongNames::CodePageCut(const std::string& text, size_t limit) const
{
    if (m_nCodePage == CP_UTF8)
        return NameCut(text, limit);
    size_t kept = 0;
    while (kept < text.size()) {
        const size_t length = IsDBCSLeadByteEx(m_nCodePage, BYTE(text[kept])) ? 2 : 1;
        if (kept + length > limit)
            break;
        kept += length;
    }
    return kept < text.size() ? kept : text.size();
}
