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
std::string StatPath(const char* path)
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

bool IsFolder(const char* path)
{
#if defined(_WIN64)
    struct _stat64 status;
    return _stat64(StatPath(path).c_str(), &status) == 0 && (status.st_mode & _S_IFMT) == _S_IFDIR;
#elif defined(_WIN32)
    struct _stat32i64 status;
    return _stat32i64(StatPath(path).c_str(), &status) == 0 && (status.st_mode & _S_IFMT) == _S_IFDIR;
#else
    struct stat status;
    return stat(path, &status) == 0 && S_ISDIR(status.st_mode);
#endif
}

bool IsRegularFile(const char* path)
{
#if defined(_WIN64)
    struct _stat64 status;
    return _stat64(StatPath(path).c_str(), &status) == 0 && (status.st_mode & _S_IFMT) == _S_IFREG;
#elif defined(_WIN32)
    struct _stat32i64 status;
    return _stat32i64(StatPath(path).c_str(), &status) == 0 && (status.st_mode & _S_IFMT) == _S_IFREG;
#else
    struct stat status;
    return stat(path, &status) == 0 && S_ISREG(status.st_mode);
#endif
}

bool PathExists(const char* path)
{
#if defined(_WIN64)
    struct _stat64 status;
    return _stat64(StatPath(path).c_str(), &status) == 0;
#elif defined(_WIN32)
    struct _stat32i64 status;
    return _stat32i64(StatPath(path).c_str(), &status) == 0;
#else
    struct stat status;
    return stat(path, &status) == 0;
#endif
}
