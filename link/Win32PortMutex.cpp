#include "link/Win32PortMutex.h"

#include <windows.h>

#include <cstdio>

LockResult Win32PortMutex::Acquire(int base, long waitMs)
{
    if (m_hMutex)
        return LockResult::Held;
    char name[32];
    std::snprintf(name, sizeof name, "Mellifon port 0x%X", unsigned(base));
    HANDLE mutex = CreateMutexA(nullptr, FALSE, name);
    if (!mutex)
        return LockResult::Held; // no mutex to be had: nothing to share it with either
    const DWORD waited = WaitForSingleObject(mutex, DWORD(waitMs));
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
        CloseHandle(mutex);
        return LockResult::Busy;
    }
    m_hMutex = mutex;
    return LockResult::Held;
}

void Win32PortMutex::Release()
{
    if (!m_hMutex)
        return;
    ReleaseMutex(static_cast<HANDLE>(m_hMutex));
    CloseHandle(static_cast<HANDLE>(m_hMutex));
    m_hMutex = nullptr;
}
