#include "storage/safety/RecentFills.h"

#include <cinttypes>
#include <cstdio>
#include <sstream>

#include "storage/safety/CopyFolder.h"
#include "storage/safety/DirectoryCopies.h"

namespace {

const char* const kFileName = "fills";

struct FilledFile {
    uint64_t digest = 0; // of the directory the fill saved
    uint64_t file = 0;
};

// One line a file: the directory's digest and the file's key, in hex. A
// line that does not read so is passed over.
std::vector<FilledFile> ReadFills(CopyFolder& folder)
{
    std::vector<uint8_t> bytes;
    std::vector<FilledFile> fills;
    if (!folder.Read(kFileName, &bytes))
        return fills;
    std::istringstream text(std::string(bytes.begin(), bytes.end()));
    std::string line;
    while (std::getline(text, line)) {
        FilledFile fill;
        if (std::sscanf(line.c_str(), "%16" SCNx64 " %16" SCNx64, &fill.digest, &fill.file) == 2)
            fills.push_back(fill);
    }
    return fills;
}

}

std::set<uint64_t> RecentlyFilled(DirectoryCopies& copies, uint64_t digest)
{
    const std::set<uint64_t> history = copies.DigestsOfHistory(digest);
    std::set<uint64_t> files;
    for (const FilledFile& fill : ReadFills(copies.Folder()))
        if (history.count(fill.digest) > 0)
            files.insert(fill.file);
    return files;
}

bool NoteFill(DirectoryCopies& copies, uint64_t digest, const std::vector<uint64_t>& files, std::string* error)
{
    std::set<uint64_t> recorded;
    for (const DirectoryCopy& copy : copies.All())
        recorded.insert(copy.digest);
    std::string text;
    const auto add = [&text](uint64_t directory, uint64_t file) {
        char line[40];
        std::snprintf(line, sizeof line, "%016" PRIx64 " %016" PRIx64 "\n", directory, file);
        text += line;
    };
    for (const FilledFile& fill : ReadFills(copies.Folder()))
        if (recorded.count(fill.digest) > 0 && fill.digest != digest)
            add(fill.digest, fill.file);
    for (uint64_t file : files)
        add(digest, file);
    return copies.Folder().WriteDurably(kFileName, std::vector<uint8_t>(text.begin(), text.end()), error);
}
