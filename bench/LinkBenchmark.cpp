// What the link's operations cost against the simulated player, in port
// accesses and in time, and what the link itself costs per port access.

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "link/DeviceLink.h"
#include "simulator/FlashMemory.h"
#include "simulator/SimulatedPlayer.h"
#include "CountingPorts.h"

namespace {

struct Bench {
    Bench() : flash(64), player(flash), ports(&player), link(std::make_unique<DeviceLink>())
    {
        player.UseVirtualClock(true);
        link->AttachPorts(&ports);
        link->SetPort(0x378);
        block.assign(32768, 0x5A);
        link->OpenLink();
        link->WriteBlock(block.data(), 3, 0xFFFF, 0xFFFF);
    }
    FlashMemory flash;
    SimulatedPlayer player;
    CountingPorts ports;
    std::unique_ptr<DeviceLink> link;
    std::vector<uint8_t> block;
};

template <class Operation>
void RunOnPlayer(benchmark::State& state, Operation operation)
{
    Bench b;
    b.ports.Reset();
    for (auto _ : state)
        benchmark::DoNotOptimize(operation(b));
    Report(state, b.ports);
    state.counters["protocol_errors"] = double(b.player.ProtocolErrors().size());
}

void PageRead(benchmark::State& state)
{
    RunOnPlayer(state, [](Bench& b) { return b.link->ReadPage(5, b.block.data(), 3); });
}

void PageWrite(benchmark::State& state)
{
    RunOnPlayer(state, [](Bench& b) { return b.link->WritePage(b.block.data(), 5, 3, 2, 4); });
}

void BlockErase(benchmark::State& state)
{
    RunOnPlayer(state, [](Bench& b) { return b.link->EraseBlock(7); });
}

void BlockWrite(benchmark::State& state)
{
    RunOnPlayer(state, [](Bench& b) { return b.link->WriteBlock(b.block.data(), 7, 6, 8); });
}

void BlockRead(benchmark::State& state)
{
    RunOnPlayer(state, [](Bench& b) { return b.link->ReadBlock(b.block.data(), 3); });
}

void Probe(benchmark::State& state)
{
    RunOnPlayer(state, [](Bench& b) { return b.link->Probe(); });
}

void OpenLink(benchmark::State& state)
{
    RunOnPlayer(state, [](Bench& b) { return b.link->OpenLink(); });
}

// The link alone: a port that does nothing, so the time is the link's own.
void LinkCostPerAccess(benchmark::State& state)
{
    CountingPorts ports(nullptr);
    auto link = std::make_unique<DeviceLink>();
    link->AttachPorts(&ports);
    link->SetPort(0x378);
    std::vector<uint8_t> page(512);
    for (auto _ : state)
        benchmark::DoNotOptimize(link->WritePage(page.data(), 0, 1, 0, 0));
    Report(state, ports);
    const double accesses = double(ports.ins + ports.outs + ports.clocks);
    state.counters["ns_per_access"] = benchmark::Counter(
        accesses / double(state.iterations()), benchmark::Counter::kIsIterationInvariantRate |
                                                   benchmark::Counter::kInvert);
}

BENCHMARK(PageRead);
BENCHMARK(PageWrite);
BENCHMARK(BlockErase);
BENCHMARK(BlockWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BlockRead)->Unit(benchmark::kMillisecond);
BENCHMARK(Probe);
BENCHMARK(OpenLink);
BENCHMARK(LinkCostPerAccess);

} // namespace
