#pragma once
// Builds the port accesses the link is expected to make, step by step, in the
// vocabulary of the wire protocol, for comparison with a recorded log.

#include <vector>

#include "link/RecordingPortIo.h"

class WireSequence {
public:
    explicit WireSequence(uint16_t base = 0x378) : m_nBase(base) {}

    WireSequence& Data(uint8_t v) { return Push(PortAccess::Out, m_nBase, v); }
    WireSequence& Control(uint8_t v) { return Push(PortAccess::Out, uint16_t(m_nBase + 2), v); }
    WireSequence& Status(uint8_t v) { return Push(PortAccess::In, uint16_t(m_nBase + 1), v); }
    WireSequence& Statuses(int n, uint8_t v)
    {
        for (int i = 0; i < n; ++i)
            Status(v);
        return *this;
    }
    WireSequence& Clock() { return Push(PortAccess::Clock, 0, 0); }
    WireSequence& Address(uint8_t reg) { return Data(reg).Control(0x0C).Control(0x04); }
    WireSequence& Cycle(uint8_t v) { return Data(v).Control(0x00).Control(0x04); }
    WireSequence& Pulse(uint8_t status)
    {
        return Control(0x00).Statuses(20000, status).Control(0x04).Statuses(20000, status);
    }

    const std::vector<PortAccess>& Accesses() const { return m_accesses; }

private:
    WireSequence& Push(PortAccess::Kind kind, uint16_t port, uint8_t v)
    {
        m_accesses.push_back({kind, port, v});
        return *this;
    }

    uint16_t m_nBase;
    std::vector<PortAccess> m_accesses;
};
