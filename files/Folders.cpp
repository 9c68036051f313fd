#include "files/Folders.h"

#include <cerrno>
#include <cstring>

#include "files/FileSize.h"

#ifdef _WIN32
#include <direct.h>
#include <io.h>
#else
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
constexpr const char* kSeparators = "/\\";
#else
constexpr const char* kSeparators = "/";
#endif

bool IsSeparator(char c)
{
    return c != '\0' && std::strchr(kSeparators, c) != nullptr;
}

// The part of a path that names a root, which is there or not but cannot be
// made: "/", and on Windows "C:", "C:\" and "\\server\share\".
size_t RootLength(const std::string& path)
{
#ifdef _WIN32
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        const size_t server = path.find_first_of(kSeparators, 2);
        const size_t share = server == std::string::npos ? server : path.find_first_of(kSeparators, server + 1);
        return share == std::string::npos ? path.size() : share + 1;
    }
    if (path.size() >= 2 && path[1] == ':')
        return path.size() >= 3 && IsSeparator(path[2]) ? 3 : 2;
#endif
    return !path.empty() && IsSeparator(path[0]) ? 1 : 0;
}

int MakeFolder(const std::string& path)
{
#ifdef _WIN32
    return _mkdir(path.c_str());
#else
    return mkdir(path.c_str(), 0777);
#endif
}

int RemoveFolder(const std::string& path)
{
#ifdef _WIN32
    return _rmdir(path.c_str());
#else
    return rmdir(path.c_str());
#endif
}

}

bool MakeFolders(const std::string& path, std::string* error, std::vector<std::string>* made)
{
    for (size_t end = RootLength(path); end <= path.size(); ++end) {
        if (end < path.size() && !IsSeparator(path[end]))
            continue;
        // Each folder on the way down, once: not again after a doubled or a
        // trailing separator.
        if (end == 0 || IsSeparator(path[end - 1]))
            continue;
        const std::string folder = path.substr(0, end);
        if (IsFolder(folder.c_str()))
            continue;
        if (MakeFolder(folder) != 0) {
            const int reason = errno;
            if (IsFolder(folder.c_str()))  // made meanwhile by someone else
                continue;
            *error = folder + ": " + std::strerror(reason);
            return false;
        }
        if (made)
            made->insert(made->begin(), folder);
    }
    return true;
}

std::string ParentFolder(const std::string& path)
{
    const size_t root = RootLength(path);
    size_t end = path.find_last_of(kSeparators);
    if (end == std::string::npos || end < root)
        return path.substr(0, root);
    // "a//b" has the parent "a".
    while (end > root && IsSeparator(path[end - 1]))
        --end;
    return path.substr(0, end);
}

bool RemoveEmptyFolder(const std::string& path)
{
    return RemoveFolder(path) == 0;
}

std::string InFolder(const std::string& folder, const std::string& name)
{
    if (folder.empty())
        return name;
#ifdef _WIN32
    // The system's own separator, so that a path the user is shown reads as one.
    const char* const separator = "\\";
#else
    const char* const separator = "/";
#endif
    return IsSeparator(folder.back()) ? folder + name : folder + separator + name;
}

bool IsAbsolutePath(const std::string& path)
{
    if (!path.empty() && IsSeparator(path[0]))
        return true;
#ifdef _WIN32
    return path.size() >= 3 && path[1] == ':' && IsSeparator(path[2]);
#else
    return false;
#endif
}

#ifdef _WIN32
// The "i64" forms: 2000's msvcrt.dll has them as _findfirsti64 and
// _findnexti64, not the 64-bit time forms XP added.
#ifdef _WIN64
using FindData = struct __finddata64_t;
#define FIND_FIRST _findfirst64
#define FIND_NEXT _findnext64
#else
using FindData = struct _finddata32i64_t;
#define FIND_FIRST _findfirst32i64
#define FIND_NEXT _findnext32i64
#endif

bool FolderEntries(const std::string& path, std::vector<std::string>* names, std::string* error)
{
    FindData found;
    const intptr_t search = FIND_FIRST(InFolder(path.empty() ? "." : path, "*").c_str(), &found);
    if (search == -1) {
        if (errno == ENOENT && IsFolder(path.c_str()))
            return true; // nothing in it
        *error = path + ": " + std::strerror(errno);
        return false;
    }
    do {
        const std::string name = found.name;
        if (name != "." && name != "..")
            names->push_back(name);
    } while (FIND_NEXT(search, &found) == 0);
    _findclose(search);
    return true;
}
#else
bool FolderEntries(const std::string& path, std::vector<std::string>* names, std::string* error)
{
    DIR* folder = opendir(path.empty() ? "." : path.c_str());
    if (!folder) {
        *error = path + ": " + std::strerror(errno);
        return false;
    }
    while (const dirent* entry = readdir(folder)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names->push_back(name);
    }
    closedir(folder);
    return true;
}
#endif
