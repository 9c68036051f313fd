#pragma once
// The real hardware path on Windows: the processor's port instructions and
// the system's millisecond tick count. On NT the port-access driver must have
// granted the ports first; 64-bit Windows grants them to no program.

#include "link/PortIo.h"

class DirectPortIo : public PortIo {
public:
    void Out(uint16_t port, uint8_t value) override;
    uint8_t In(uint16_t port) override;
    long Clock() override;

private:
    unsigned long m_nLastTick = 0;
    long m_nTicks = 0;
    bool m_bStarted = false;
};
