// The print of a song's bytes, worked out for every song of every listing:
// the fuzz targets build this file without the sanitizers' checks and the
// coverage counters, so that it costs what a plain loop costs.

#include <cstring>

#include "fuzz/FuzzWorld.h"

namespace {

uint64_t Mix(uint64_t hash, uint64_t value)
{
    hash = (hash ^ value) * 0x9E3779B97F4A7C15ull;
    return hash ^ (hash >> 29);
}

}

void BytesPrint::Add(const uint8_t* bytes, size_t size)
{
    size_t at = 0;
    for (; at + 8 <= size; at += 8) {
        uint64_t word;
        std::memcpy(&word, bytes + at, 8);
        m_nHash = Mix(m_nHash, word);
    }
    for (; at < size; ++at)
        m_nHash = Mix(m_nHash, bytes[at] | 0x100u);
    m_nSize += size;
}

uint64_t BytesPrint::Value() const
{
    return Mix(m_nHash, m_nSize);
}
