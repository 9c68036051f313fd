#pragma once
// A file written under a name of its own beside where it belongs, which
// takes its name only when whole: a download stopped, failed or killed never
// leaves a piece of a song under the song's name. It is removed on every
// way out that does not give it its name.

#include <cstdio>
#include <string>

class PartFile {
public:
    PartFile() = default;
    ~PartFile();
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;

    // Creates "<path>.part" (or "<path>.2.part", ... when that is taken),
    // never opening a file that is there already. False when none could be made.
    bool Create(const std::string& path);
    std::FILE* File() const { return m_pFile; }
    // Closes the file; false when what was written did not all reach the disk.
    bool Close();
    // The closed file takes the name `path`. Over a file of that name only
    // with `replace`, and only a plain file: otherwise false, and the file
    // keeps its own name.
    bool TakeName(const std::string& path, bool replace);

private:
    std::string m_path;
    std::FILE* m_pFile = nullptr;
};
