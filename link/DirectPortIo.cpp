#include "link/DirectPortIo.h"

#include <windows.h>

void DirectPortIo::Out(uint16_t port, uint8_t value)
{
    __asm__ __volatile__("outb %0, %1" : : "a"(value), "Nd"(port));
}

uint8_t DirectPortIo::In(uint16_t port)
{
    uint8_t value;
    __asm__ __volatile__("inb %1, %0" : "=a"(value) : "Nd"(port));
    return value;
}

// Wall-clock milliseconds that never run backwards: GetTickCount is on every
// Windows (GetTickCount64 is not on XP), and counting from the first look in
// unsigned steps rides over its wrap after 49.7 days.
long DirectPortIo::Clock()
{
    const DWORD now = GetTickCount();
    if (!m_bStarted) {
        m_nLastTick = now;
        m_bStarted = true;
    }
    m_nTicks += long(DWORD(now - m_nLastTick));
    m_nLastTick = now;
    return m_nTicks;
}
