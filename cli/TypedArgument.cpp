#include "cli/TypedArgument.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>

namespace {

std::string Narrow(const std::wstring& wide, UINT codePage)
{
    const int length = WideCharToMultiByte(codePage, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string text(size_t(length > 0 ? length : 0), '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), int(wide.size()), text.data(), length, nullptr, nullptr);
    return text;
}

std::wstring Wide(const std::string& text)
{
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring wide(size_t(length > 0 ? length : 0), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), wide.data(), length);
    return wide;
}

}

std::string ArgumentAsTyped(const std::string& given)
{
    int count = 0;
    LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!words)
        return std::string();
    std::string typed;
    for (int i = count - 1; i > 0 && typed.empty(); --i) {
        const std::wstring word = words[i];
        // The word the runtime turned into `given`, and the code page did not hold.
        if (Narrow(word, CP_ACP) == given && Wide(given) != word)
            typed = Narrow(word, CP_UTF8);
    }
    LocalFree(words);
    return typed;
}
#else
std::string ArgumentAsTyped(const std::string&)
{
    return std::string();
}
#endif
