#pragma once
// Port accesses counted on their way to the ports beneath, and reported as
// benchmark counters per iteration.

#include <benchmark/benchmark.h>

#include "link/PortIo.h"

// Counts what passes through to the ports beneath.
class CountingPorts : public PortIo {
public:
    explicit CountingPorts(PortIo* inner) : m_pInner(inner) {}
    void Out(uint16_t port, uint8_t value) override
    {
        ++outs;
        if (m_pInner)
            m_pInner->Out(port, value);
    }
    uint8_t In(uint16_t port) override
    {
        ++ins;
        return m_pInner ? m_pInner->In(port) : 0x08;
    }
    long Clock() override
    {
        ++clocks;
        return m_pInner ? m_pInner->Clock() : ++m_nTicks;
    }
    void Reset() { outs = ins = clocks = 0; }
    long outs = 0, ins = 0, clocks = 0;

private:
    PortIo* m_pInner;
    long m_nTicks = 0;
};

inline void Report(benchmark::State& state, const CountingPorts& ports)
{
    const double n = double(state.iterations());
    state.counters["status_reads"] = double(ports.ins) / n;
    state.counters["port_writes"] = double(ports.outs) / n;
    state.counters["clock_reads"] = double(ports.clocks) / n;
}
