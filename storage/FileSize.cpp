#include "storage/FileSize.h"

#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#endif

bool RegularFileSize(std::FILE* file, uint64_t* size)
{
#ifdef _WIN32
    struct _stat64 status;
    if (_fstat64(_fileno(file), &status) != 0 || (status.st_mode & _S_IFMT) != _S_IFREG)
        return false;
#else
    struct stat status;
    if (fstat(fileno(file), &status) != 0 || !S_ISREG(status.st_mode))
        return false;
#endif
    *size = uint64_t(status.st_size);
    return true;
}
