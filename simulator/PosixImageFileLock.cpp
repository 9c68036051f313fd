// The image file's lock on Unix: flock, which every open of the file meets,
// in this process or another, and which ends with the process.

#include "simulator/ImageFileLock.h"

#include <cerrno>
#include <ctime>
#include <sys/file.h>

LockResult ImageFileLock::TryLock(std::FILE* file)
{
    for (;;) {
        if (::flock(fileno(file), LOCK_EX | LOCK_NB) == 0)
            return LockResult::Held;
        if (errno == EWOULDBLOCK)
            return LockResult::Busy;
        if (errno != EINTR)
            return LockResult::Held; // a file system without locks: nothing to hold
    }
}

void ImageFileLock::Unlock(std::FILE* file)
{
    ::flock(fileno(file), LOCK_UN);
}

void ImageFileLock::Pause(long milliseconds)
{
    timespec pause{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
    while (::nanosleep(&pause, &pause) != 0 && errno == EINTR) {
    }
}
