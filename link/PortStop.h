#pragma once
// A request to stop (Ctrl+C) reaches the link through its ports: once asked,
// the ports stop talking to the player, status reads show it busy and the
// clock runs a whole time-out per look, so whatever the link is doing fails
// at once and the program can wind down on its normal path. A directory save
// that has begun holds the request off until it is done: stopping halfway
// would leave the player with no directory.

#include <cstdint>

#include "link/PortIo.h"

// Safe to call from a signal handler or a console control handler.
void RequestPortStop();
bool PortStopRequested();
// The ports work again, for the last words to the player on the way out.
void ClearPortStop();

// While one lives, the ports keep working through a stop request.
class PortStopHold {
public:
    PortStopHold();
    ~PortStopHold();
    PortStopHold(const PortStopHold&) = delete;
    PortStopHold& operator=(const PortStopHold&) = delete;
};

// The ports of the link, passed through until a stop is requested.
class StoppablePorts : public PortIo {
public:
    explicit StoppablePorts(PortIo& inner) : m_inner(inner) {}

    void Out(uint16_t port, uint8_t value) override;
    uint8_t In(uint16_t port) override;
    long Clock() override;
    uint8_t InRepeated(uint16_t port, int count) override;

private:
    bool Stopped() const;

    PortIo& m_inner;
    long m_nSkew = 0; // added to the inner clock, so it never runs backwards
};
