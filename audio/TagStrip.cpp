#include "audio/TagStrip.h"

#include <cstdio>
#include <memory>
#include <vector>

#include "files/FilePtr.h"

namespace {
constexpr size_t kSlice = 64 * 1024;
}

bool CopyAudioFrames(const std::string& source, uint64_t first, uint64_t end, const std::string& target,
                     std::string* problem)
{
    FilePtr in(std::fopen(source.c_str(), "rb"));
    if (!in || std::fseek(in.get(), long(first), SEEK_SET) != 0) {
        *problem = "cannot be read";
        return false;
    }
    FilePtr out(std::fopen(target.c_str(), "wb"));
    if (!out) {
        *problem = "its audio cannot be written in the temporary folder";
        return false;
    }
    std::vector<uint8_t> slice(kSlice);
    for (uint64_t left = end - first; left > 0;) {
        const size_t want = left < kSlice ? size_t(left) : kSlice;
        if (std::fread(slice.data(), 1, want, in.get()) != want) {
            *problem = "cannot be read";
            return false;
        }
        if (std::fwrite(slice.data(), 1, want, out.get()) != want) {
            *problem = "its audio cannot be written in the temporary folder (is it full?)";
            return false;
        }
        left -= want;
    }
    if (std::fclose(out.release()) != 0) {
        *problem = "its audio cannot be written in the temporary folder (is it full?)";
        return false;
    }
    return true;
}
