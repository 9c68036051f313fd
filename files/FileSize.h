#pragma once
// The size of an open file, from the file system. Only regular files have
// one here: a folder opened by name has no size to upload.

#include <cstdint>
#include <cstdio>

bool RegularFileSize(std::FILE* file, uint64_t* size);

// What the file system says of a path.
struct PathFacts {
    bool folder = false;
    bool regular = false; // a plain file: no folder, device or pipe
    uint64_t size = 0;
    int64_t modified = 0; // seconds since 1970
};
// False when nothing has the path.
bool StatPath(const char* path, PathFacts* facts);

// Whether a path names a folder (which Windows will not even open as a file).
bool IsFolder(const char* path);

// Whether the path names a plain file (no folder, device or pipe).
bool IsRegularFile(const char* path);

// Whether anything (a file, a folder) has this path.
bool PathExists(const char* path);
