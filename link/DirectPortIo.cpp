#include "link/DirectPortIo.h"

#include <ctime>

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

long DirectPortIo::Clock()
{
    return long(std::clock());
}
