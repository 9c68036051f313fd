#include "cli/Terminal.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace {

std::string WithoutControls(const std::string& text)
{
    std::string safe;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if ((c < 0x20 && c != '\n' && c != '\t') || c == 0x7F) {
            safe += '?';
#ifndef _WIN32
        } else if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(text[i + 1]) < 0xA0) {
            safe += '?'; // a control character of UTF-8's second block
            ++i;
#endif
        } else {
            safe += char(c);
        }
    }
    return safe;
}

#ifdef _WIN32
bool WroteToConsole(std::FILE* stream, const std::string& text)
{
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(fileno(stream)));
    DWORD mode = 0;
    if (handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode))
        return false;
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring wide(size_t(length > 0 ? length : 0), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), wide.data(), length);
    std::fflush(stream);
    DWORD written = 0;
    return WriteConsoleW(handle, wide.data(), DWORD(wide.size()), &written, nullptr) != 0;
}
#endif

}

bool IsTerminal(std::FILE* stream)
{
    return isatty(fileno(stream)) != 0;
}

void WriteText(std::FILE* stream, const std::string& text)
{
    const std::string safe = WithoutControls(text);
#ifdef _WIN32
    if (WroteToConsole(stream, safe))
        return;
#endif
    std::fputs(safe.c_str(), stream);
}
