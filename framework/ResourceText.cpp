#include "framework/ResourceText.h"

#include <vector>

std::string LoadResourceString(UINT id)
{
    // A string may be longer than any guess: grow until it fits.
    for (size_t size = 256; size <= 65536; size *= 4) {
        std::vector<char> buffer(size);
        const int copied = LoadStringA(GetModuleHandle(nullptr), id, buffer.data(), int(size));
        if (copied <= 0)
            return "";
        if (size_t(copied) < size - 1)
            return std::string(buffer.data(), size_t(copied));
    }
    return "";
}

std::string ResourceStringField(UINT id, int index)
{
    const std::string text = LoadResourceString(id);
    size_t start = 0;
    for (int i = 0; i < index; ++i) {
        start = text.find('\n', start);
        if (start == std::string::npos)
            return "";
        ++start;
    }
    return text.substr(start, text.find('\n', start) - start);
}
