#pragma once
// The real hardware path on Windows: the processor's port instructions and
// the C library clock, whose ticks are milliseconds there. On NT the
// port-access driver must have granted the ports first.

#include "link/PortIo.h"

class DirectPortIo : public PortIo {
public:
    void Out(uint16_t port, uint8_t value) override;
    uint8_t In(uint16_t port) override;
    long Clock() override;
};
