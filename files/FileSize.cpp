#include "files/FileSize.h"

#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>

#include <string>
#endif

namespace {

#ifdef _WIN32
// Windows' stat finds no folder behind a separator at the end of its path
// (but for a root, "C:\\" or "\\"), where tab completion and %TMP% often
// put one.
std::string WindowsStatPath(const char* path)
{
    std::string trimmed = path;
    while (trimmed.size() > 1 && (trimmed.back() == '\\' || trimmed.back() == '/') &&
           !(trimmed.size() == 3 && trimmed[1] == ':'))
        trimmed.pop_back();
    return trimmed;
}
#endif

}

bool RegularFileSize(std::FILE* file, uint64_t* size)
{
#if defined(_WIN64)
    struct _stat64 status;
    if (_fstat64(_fileno(file), &status) != 0 || (status.st_mode & _S_IFMT) != _S_IFREG)
        return false;
#elif defined(_WIN32)
    // _fstati64 under its other name: in every 32-bit msvcrt.dll since
    // Windows 98, unlike _fstat64, which Windows 2000 and 98 lack.
    struct _stat32i64 status;
    if (_fstat32i64(_fileno(file), &status) != 0 || (status.st_mode & _S_IFMT) != _S_IFREG)
        return false;
#else
    struct stat status;
    if (fstat(fileno(file), &status) != 0 || !S_ISREG(status.st_mode))
        return false;
#endif
    *size = uint64_t(status.st_size);
    return true;
}

bool StatPath(const char* path, PathFacts* facts)
{
#if defined(_WIN64)
    struct _stat64 status;
    if (_stat64(WindowsStatPath(path).c_str(), &status) != 0)
        return false;
    const unsigned type = status.st_mode & _S_IFMT;
    facts->folder = type == _S_IFDIR;
    facts->regular = type == _S_IFREG;
#elif defined(_WIN32)
    struct _stat32i64 status;
    if (_stat32i64(WindowsStatPath(path).c_str(), &status) != 0)
        return false;
    const unsigned type = status.st_mode & _S_IFMT;
    facts->folder = type == _S_IFDIR;
    facts->regular = type == _S_IFREG;
#else
    struct stat status;
    if (stat(path, &status) != 0)
        return false;
    facts->folder = S_ISDIR(status.st_mode);
    facts->regular = S_ISREG(status.st_mode);
#endif
    facts->size = uint64_t(status.st_size);
    facts->modified = int64_t(status.st_mtime);
    return true;
}

bool IsFolder(const char* path)
{
    PathFacts facts;
    return StatPath(path, &facts) && facts.folder;
}

bool IsRegularFile(const char* path)
{
    PathFacts facts;
    return StatPath(path, &facts) && facts.regular;
}

bool PathExists(const char* path)
{
    PathFacts facts;
    return StatPath(path, &facts);
}
