#pragma once
// Small files for upload tests: raw bytes, MPEG audio frames, a RIFF wrapper.

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

inline void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

// Bytes that vary, so that misplaced blocks show.
inline std::vector<uint8_t> Numbered(size_t size, unsigned seed = 1)
{
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = uint8_t((i * 131 + (i >> 8) * 7 + seed * 29) & 0xFF);
    return bytes;
}

// MPEG-1 Layer 3, 128 kbit/s, 44100 Hz frames of 417 bytes.
inline std::vector<uint8_t> Mp3Frames(size_t frames, std::vector<uint8_t> header = {0xFF, 0xFB, 0x90, 0x64})
{
    std::vector<uint8_t> bytes;
    for (size_t f = 0; f < frames; ++f) {
        bytes.insert(bytes.end(), header.begin(), header.end());
        for (int i = 0; i < 413; ++i)
            bytes.push_back(uint8_t(f + i));
    }
    return bytes;
}

inline std::vector<uint8_t> RiffWrapped(const std::vector<uint8_t>& song)
{
    std::vector<uint8_t> bytes = {'R', 'I', 'F', 'F'};
    bytes.resize(72, 0x11);
    bytes.insert(bytes.end(), song.begin(), song.end());
    return bytes;
}
