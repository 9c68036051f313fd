#pragma once
// The fuzz targets' one body: which scenarios an input plays.

#include <cstddef>
#include <cstdint>

enum class FuzzTarget {
    Directory, // a damaged block 0 through one operation
    Sharing,   // two PCs on a player, or two players on a PC, through a script
    Either,    // by the input's first byte: below 0x60 the first, else the second (the replay of a lone file)
};

int RunFuzzInput(const uint8_t* data, size_t size, FuzzTarget target);
