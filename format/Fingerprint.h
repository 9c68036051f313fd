#pragma once
// A 64-bit fingerprint of bytes (FNV-1a): cheap, and different for the
// directories and records a player and a PC will ever hold side by side.

#include <cstddef>
#include <cstdint>

constexpr uint64_t kFingerprintStart = 1469598103934665603ull;

// `hash`: what the bytes before these gave, to fingerprint a file in slices.
inline uint64_t Fingerprint(const uint8_t* bytes, size_t size, uint64_t hash = kFingerprintStart)
{
    for (size_t i = 0; i < size; ++i) {
        hash ^= bytes[i];
        hash *= 1099511628211ull;
    }
    return hash;
}
