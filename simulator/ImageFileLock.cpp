#include "simulator/ImageFileLock.h"

#include <chrono>

#include "simulator/FlashMemory.h"

namespace {
constexpr long kRetryMs = 50;
}

ImageFileLock::ImageFileLock(FlashMemory& flash, int base) : m_pFile(flash.ImageFile()), m_nBase(base) {}

LockResult ImageFileLock::Acquire(int base, long waitMs)
{
    if (!m_pFile || base != m_nBase || m_bLocked)
        return LockResult::Held;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        const LockResult result = TryLock(m_pFile);
        if (result != LockResult::Busy) {
            m_bLocked = result == LockResult::Held;
            return result;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return LockResult::Busy;
        Pause(kRetryMs);
    }
}

void ImageFileLock::Release()
{
    if (!m_bLocked)
        return;
    Unlock(m_pFile);
    m_bLocked = false;
}
