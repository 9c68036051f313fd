#pragma once
// A parallel port by its base address, with the processor's port
// instructions, as root may use them on Linux: ioperm grants the three
// registers (iopl all ports for bases above 0x3FF, which ioperm cannot reach).

#include <string>

#include "link/LinuxPortCalls.h"
#include "link/PortIo.h"

class LinuxDirectPorts : public PortIo {
public:
    explicit LinuxDirectPorts(LinuxPortCalls& calls) : m_calls(calls) {}
    ~LinuxDirectPorts() override;
    LinuxDirectPorts(const LinuxDirectPorts&) = delete;
    LinuxDirectPorts& operator=(const LinuxDirectPorts&) = delete;

    // False, saying why and what to do instead, when the system refuses.
    bool Open(int base, std::string* error);

    void Out(uint16_t port, uint8_t value) override;
    uint8_t In(uint16_t port) override;
    long Clock() override { return m_calls.Milliseconds(); }

private:
    bool Granted(uint16_t port) const { return m_nBase >= 0 && port >= m_nBase && port <= m_nBase + 2; }

    LinuxPortCalls& m_calls;
    int m_nBase = -1;
    bool m_bPerPort = false;
};
