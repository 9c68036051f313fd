#pragma once
// The colours of the main window's caption: a gradient that grows lighter
// from the caption colour, at five sixths of the width, towards the left
// edge, in strips of solid colour.

#include <cstdint>
#include <vector>

struct CaptionColour {
    uint8_t red, green, blue;
    bool operator==(const CaptionColour&) const = default;
};

struct CaptionStrip {
    int x;
    int width;
    CaptionColour colour;
};

// Left to right, covering 0 to width. A component that would pass 255 stays at 255.
std::vector<CaptionStrip> CaptionGradient(int width, CaptionColour colour);

// Lightness 0 (black) to 240 (white).
int CaptionLightness(CaptionColour colour);
