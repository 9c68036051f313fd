#pragma once
// The main window's saved placement as profile text: ten numbers,
// "%u,%u,%d,%d,%d,%d,%d,%d,%d,%d": flags, show command, minimized x and y,
// maximized x and y, normal left, top, right and bottom.

#include <cstdint>
#include <string>

struct PlacementNumbers {
    uint32_t flags = 0;
    uint32_t showCommand = 0;
    int32_t minX = 0, minY = 0, maxX = 0, maxY = 0;
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};

std::string FormatPlacementText(const PlacementNumbers& numbers);

// True only when all ten numbers are there, each within its type. Text
// after the tenth is ignored, as a scan with the format would.
bool ParsePlacementText(const std::string& text, PlacementNumbers* numbers);
