#include "link/RecordingPortIo.h"

void RecordingPortIo::Out(uint16_t port, uint8_t value)
{
    if (m_bLogging)
        m_log.push_back({PortAccess::Out, port, value});
    if (m_pInner)
        m_pInner->Out(port, value);
}

uint8_t RecordingPortIo::In(uint16_t port)
{
    uint8_t value;
    if (m_pInner) {
        value = m_pInner->In(port);
    } else if (!m_script.empty()) {
        value = m_script.front();
        m_script.pop_front();
    } else {
        value = m_nDefaultStatus;
    }
    if (m_bLogging)
        m_log.push_back({PortAccess::In, port, value});
    return value;
}

// Without an inner clock, one tick passes per look.
long RecordingPortIo::Clock()
{
    long now = m_pInner ? m_pInner->Clock() : ++m_nTicks;
    if (m_bLogging)
        m_log.push_back({PortAccess::Clock, 0, 0});
    return now;
}
