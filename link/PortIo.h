#pragma once
// The four things the link needs of the machine: a byte out to a port, a byte
// in from a port, and a clock of 1000 ticks a second. Everything the program
// says to the player goes through one of these, in program order.

#include <cstdint>

class PortIo {
public:
    virtual ~PortIo() = default;
    virtual void Out(uint16_t port, uint8_t value) = 0;
    virtual uint8_t In(uint16_t port) = 0;
    virtual long Clock() = 0;
    // `count` reads of one port in a row, as the link gives a line time to
    // settle; the last read's value (0xFF for none). Each is a read of its
    // own; a port model may spare the call for each.
    virtual uint8_t InRepeated(uint16_t port, int count)
    {
        uint8_t value = 0xFF;
        for (int i = 0; i < count; ++i)
            value = In(port);
        return value;
    }
};
