#pragma once
// A C file that closes itself: `FilePtr file(std::fopen(path, "rb"));`.
// A file written is closed by hand (`std::fclose(file.release())`), so that a
// failed close, the last word of a full disk, is seen.

#include <cstdio>
#include <memory>

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;
