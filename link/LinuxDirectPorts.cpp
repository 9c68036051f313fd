#include "link/LinuxDirectPorts.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {
// ioperm reaches only the first 1024 ports.
constexpr int kPerPortLimit = 0x400;
constexpr int kRegisters = 3;
}

LinuxDirectPorts::~LinuxDirectPorts()
{
    if (m_nBase >= 0 && m_bPerPort)
        m_calls.DropPorts(unsigned(m_nBase), kRegisters);
}

bool LinuxDirectPorts::Open(int base, std::string* error)
{
    m_bPerPort = base + kRegisters <= kPerPortLimit;
    const int result = m_bPerPort ? m_calls.GrantPorts(unsigned(base), kRegisters) : m_calls.GrantAllPorts();
    if (result < 0) {
        char port[16];
        std::snprintf(port, sizeof port, "0x%X", unsigned(base));
        *error = std::string("direct access to port ") + port + " was refused (" + std::strerror(-result) + ")";
        if (-result == EPERM || -result == EACCES)
            *error += ": it needs root (sudo). Without root, name the port's device "
                      "(--port /dev/parport0) or let the tool find it (--port auto)";
        else
            *error += ": name the port's device instead (--port /dev/parport0)";
        return false;
    }
    m_nBase = base;
    return true;
}

// Only the granted registers: any other port instruction would kill the process.
void LinuxDirectPorts::Out(uint16_t port, uint8_t value)
{
    if (Granted(port))
        m_calls.OutByte(port, value);
}

uint8_t LinuxDirectPorts::In(uint16_t port)
{
    return Granted(port) ? m_calls.InByte(port) : 0xFF;
}
