#pragma once
// The simulated player's hold (link/PlayerLock.h): a lock on its image file,
// which the window and the tool on that image share. Only the player's own
// port is held: nothing answers on the others, so a search there waits for
// nobody. A flash kept in memory alone has nothing to share.

#include <cstdio>

#include "link/PlayerLock.h"

class FlashMemory;

class ImageFileLock : public PlayerLock {
public:
    ImageFileLock(FlashMemory& flash, int base);
    ~ImageFileLock() override { Release(); }
    ImageFileLock(const ImageFileLock&) = delete;
    ImageFileLock& operator=(const ImageFileLock&) = delete;

    LockResult Acquire(int base, long waitMs) override;
    void Release() override;

private:
    // One try, without waiting; what the system cannot lock guards nothing.
    static LockResult TryLock(std::FILE* file);
    static void Unlock(std::FILE* file);
    static void Pause(long milliseconds);

    std::FILE* m_pFile;
    int m_nBase;
    bool m_bLocked = false;
};
