#pragma once
// Byte-exact little-endian access to the player's byte arrays. Fields in the
// directory sit at odd offsets, so nothing here casts to wider types.

#include <cstdint>

inline uint16_t ReadU16LE(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline uint32_t ReadU32LE(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

inline int32_t ReadI32LE(const uint8_t* p)
{
    return static_cast<int32_t>(ReadU32LE(p));
}

inline void WriteU16LE(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

inline void WriteU32LE(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

inline void WriteI32LE(uint8_t* p, int32_t v)
{
    WriteU32LE(p, static_cast<uint32_t>(v));
}

inline uint64_t ReadU64LE(const uint8_t* p)
{
    return uint64_t(ReadU32LE(p)) | (uint64_t(ReadU32LE(p + 4)) << 32);
}

inline void WriteU64LE(uint8_t* p, uint64_t v)
{
    WriteU32LE(p, static_cast<uint32_t>(v));
    WriteU32LE(p + 4, static_cast<uint32_t>(v >> 32));
}
