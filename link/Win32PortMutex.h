#pragma once
// The hold on a real player on Windows (link/PlayerLock.h): a named mutex
// per port, "Mellifon port 0x378", which the window and the tool both take.
// A program that ends without letting go leaves it abandoned, and the next
// one takes it over.

#include "link/PlayerLock.h"

class Win32PortMutex : public PlayerLock {
public:
    Win32PortMutex() = default;
    ~Win32PortMutex() override { Release(); }
    Win32PortMutex(const Win32PortMutex&) = delete;
    Win32PortMutex& operator=(const Win32PortMutex&) = delete;

    LockResult Acquire(int base, long waitMs) override;
    void Release() override;

private:
    void* m_hMutex = nullptr; // a HANDLE, held while this program has the port
};
