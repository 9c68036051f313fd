#include "storage/songs/FileSize.h"

#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#endif

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
    return _stat64(path, &status) == 0 && (status.st_mode & _S_IFMT) == _S_IFDIR;
#elif defined(_WIN32)
    struct _stat32i64 status;
    return _stat32i64(path, &status) == 0 && (status.st_mode & _S_IFMT) == _S_IFDIR;
#else
    struct stat status;
    return stat(path, &status) == 0 && S_ISDIR(status.st_mode);
#endif
}

bool PathExists(const char* path)
{
#if defined(_WIN64)
    struct _stat64 status;
    return _stat64(path, &status) == 0;
#elif defined(_WIN32)
    struct _stat32i64 status;
    return _stat32i64(path, &status) == 0;
#else
    struct stat status;
    return stat(path, &status) == 0;
#endif
}
