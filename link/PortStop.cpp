#include "link/PortStop.h"

#include <atomic>

#include "link/DeviceLink.h"

namespace {
// Lock-free, so a signal handler may store to it.
std::atomic<int> s_stopRequested{0};
static_assert(std::atomic<int>::is_always_lock_free);
int s_nHolds = 0;
}

void RequestPortStop()
{
    s_stopRequested.store(1);
}

bool PortStopRequested()
{
    return s_stopRequested.load() != 0;
}

void ClearPortStop()
{
    s_stopRequested.store(0);
}

PortStopHold::PortStopHold()
{
    ++s_nHolds;
}

PortStopHold::~PortStopHold()
{
    --s_nHolds;
}

bool StoppablePorts::Stopped() const
{
    return s_nHolds == 0 && PortStopRequested();
}

void StoppablePorts::Out(uint16_t port, uint8_t value)
{
    if (!Stopped())
        m_inner.Out(port, value);
}

// Busy, not ready: a ready line that stayed high would let writes "succeed".
uint8_t StoppablePorts::In(uint16_t port)
{
    return Stopped() ? 0x00 : m_inner.In(port);
}

uint8_t StoppablePorts::InRepeated(uint16_t port, int count)
{
    return Stopped() ? 0x00 : m_inner.InRepeated(port, count);
}

long StoppablePorts::Clock()
{
    if (Stopped())
        m_nSkew += DeviceLink::kTimeoutTicks;
    return m_inner.Clock() + m_nSkew;
}
