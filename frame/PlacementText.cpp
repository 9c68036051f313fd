#include "frame/PlacementText.h"

#include <cctype>
#include <climits>
#include <cstdio>

std::string FormatPlacementText(const PlacementNumbers& n)
{
    char text[160];
    std::snprintf(text, sizeof text, "%u,%u,%d,%d,%d,%d,%d,%d,%d,%d", unsigned(n.flags), unsigned(n.showCommand),
                  int(n.minX), int(n.minY), int(n.maxX), int(n.maxY), int(n.left), int(n.top), int(n.right),
                  int(n.bottom));
    return text;
}

namespace {

// One number: blanks, an optional sign, digits; false when there is none or
// it does not fit between low and high.
bool ReadNumber(const char*& p, long long low, long long high, long long* value)
{
    while (std::isspace(static_cast<unsigned char>(*p)))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    if (!std::isdigit(static_cast<unsigned char>(*p)))
        return false;
    long long v = 0;
    while (std::isdigit(static_cast<unsigned char>(*p))) {
        v = v * 10 + (*p++ - '0');
        if (v > LLONG_MAX / 20)
            return false;
    }
    v = negative ? -v : v;
    if (v < low || v > high)
        return false;
    *value = v;
    return true;
}

}

bool ParsePlacementText(const std::string& text, PlacementNumbers* numbers)
{
    long long values[10];
    const char* p = text.c_str();
    for (int i = 0; i < 10; ++i) {
        if (i > 0 && *p++ != ',')
            return false;
        const bool unsignedField = i < 2;
        if (!ReadNumber(p, unsignedField ? 0 : INT_MIN, unsignedField ? UINT_MAX : INT_MAX, &values[i]))
            return false;
    }
    numbers->flags = uint32_t(values[0]);
    numbers->showCommand = uint32_t(values[1]);
    numbers->minX = int32_t(values[2]);
    numbers->minY = int32_t(values[3]);
    numbers->maxX = int32_t(values[4]);
    numbers->maxY = int32_t(values[5]);
    numbers->left = int32_t(values[6]);
    numbers->top = int32_t(values[7]);
    numbers->right = int32_t(values[8]);
    numbers->bottom = int32_t(values[9]);
    return true;
}
