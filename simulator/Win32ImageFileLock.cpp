// The image file's lock on Windows: one byte far beyond the image's end,
// locked with LockFileEx. A lock there keeps no program from reading or
// writing the pages; it only tells the programs on the image apart.

#include "simulator/ImageFileLock.h"

#include <io.h>
#include <windows.h>

namespace {

HANDLE HandleOf(std::FILE* file)
{
    return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
}

OVERLAPPED LockedByte()
{
    OVERLAPPED where = {};
    where.OffsetHigh = 0x40000000; // 2^62: past any image, and far from where offsets wrap
    return where;
}

}

LockResult ImageFileLock::TryLock(std::FILE* file)
{
    OVERLAPPED where = LockedByte();
    if (LockFileEx(HandleOf(file), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &where))
        return LockResult::Held;
    const DWORD error = GetLastError();
    if (error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING)
        return LockResult::Busy;
    return LockResult::Held; // a file system without locks: nothing to hold
}

void ImageFileLock::Unlock(std::FILE* file)
{
    OVERLAPPED where = LockedByte();
    UnlockFileEx(HandleOf(file), 0, 1, 0, &where);
}

void ImageFileLock::Pause(long milliseconds)
{
    Sleep(DWORD(milliseconds));
}
