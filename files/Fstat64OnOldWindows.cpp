// _fstat64 for the 32-bit programs. Windows 2000 and 98 have no _fstat64 in
// msvcrt.dll, and libstdc++'s file buffers call it; they come with the
// standard streams, which TagLib's headers bring in. The program's own
// definition of the import's address keeps the loader from looking for it:
// _fstat32i64 (_fstati64, in every msvcrt.dll since Windows 98) gives the
// same sizes, with times of 32 bits.

#include <sys/stat.h>

namespace {

int __cdecl Fstat64(int descriptor, struct _stat64* status)
{
    struct _stat32i64 old;
    if (_fstat32i64(descriptor, &old) != 0)
        return -1;
    status->st_dev = old.st_dev;
    status->st_ino = old.st_ino;
    status->st_mode = old.st_mode;
    status->st_nlink = old.st_nlink;
    status->st_uid = old.st_uid;
    status->st_gid = old.st_gid;
    status->st_rdev = old.st_rdev;
    status->st_size = old.st_size;
    status->st_atime = old.st_atime;
    status->st_mtime = old.st_mtime;
    status->st_ctime = old.st_ctime;
    return 0;
}

}

// The symbol __imp___fstat64: the slot a call through the import reads.
extern "C" {
int(__cdecl* _imp___fstat64)(int, struct _stat64*) = Fstat64;
}
