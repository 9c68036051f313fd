#include "frame/CaptionGradient.h"

#include <algorithm>

namespace {
uint8_t Lighter(uint8_t k, long long d, long long split)
{
    const long long value = k + k * d * d / (split * split);
    return uint8_t(std::min<long long>(value, 255));
}
}

std::vector<CaptionStrip> CaptionGradient(int width, CaptionColour colour)
{
    std::vector<CaptionStrip> strips;
    const int split = 5 * width / 6;
    const int step = std::max(split / 64, 1);
    strips.push_back({split, width - split, colour});
    int x = split;
    long long d = 0;
    CaptionColour last = colour;
    while (x > step) {
        d += step;
        x -= step;
        last = {Lighter(colour.red, d, split), Lighter(colour.green, d, split), Lighter(colour.blue, d, split)};
        strips.push_back({x, step, last});
    }
    strips.push_back({0, x, last});
    std::reverse(strips.begin(), strips.end());
    return strips;
}

int CaptionLightness(CaptionColour c)
{
    const int high = std::max({c.red, c.green, c.blue});
    const int low = std::min({c.red, c.green, c.blue});
    return ((high + low) * 240 + 255) / 510;
}
