// What the song operations cost against the simulated player: directory load
// and save, and a 1 MiB song up and back, in port accesses, steps and time.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "link/DeviceLink.h"
#include "simulator/FactoryImage.h"
#include "simulator/FlashMemory.h"
#include "simulator/SimulatedPlayer.h"
#include "storage/UserInterface.h"
#include "CountingPorts.h"
#include "SteppingUi.h"

namespace {

struct Player {
    Player() : flash(1024), player(flash), ports(&player), link(std::make_unique<DeviceLink>())
    {
        MakeFactoryFresh(flash);
        player.UseVirtualClock(true);
        link->AttachPorts(&ports);
        link->AttachUserInterface(&ui);
        link->SetPort(0x378);
        link->InitializeDirectory();
        link->LoadDirectory();
    }
    void Reset()
    {
        ports.Reset();
        ui.steps = 0;
    }
    void Report(benchmark::State& state)
    {
        ::Report(state, ports);
        state.counters["steps"] = double(ui.steps) / double(state.iterations());
    }
    FlashMemory flash;
    SimulatedPlayer player;
    CountingPorts ports;
    SteppingUi ui;
    std::unique_ptr<DeviceLink> link;
};

std::string OneMebibyteFile()
{
    const auto path = std::filesystem::temp_directory_path() / "mellifon-bench-1mib.mp3";
    std::ofstream file(path, std::ios::binary);
    std::vector<char> bytes(1 << 20);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 7);
    bytes[0] = char(0xFF);
    bytes[1] = char(0xFB);
    file.write(bytes.data(), std::streamsize(bytes.size()));
    return path.string();
}

void DirectoryLoad(benchmark::State& state)
{
    Player p;
    p.Reset();
    for (auto _ : state)
        benchmark::DoNotOptimize(p.link->LoadDirectory());
    p.Report(state);
}

void DirectorySave(benchmark::State& state)
{
    Player p;
    p.Reset();
    for (auto _ : state)
        benchmark::DoNotOptimize(p.link->SaveDirectory());
    p.Report(state);
}

void UploadOneMebibyte(benchmark::State& state)
{
    const std::string path = OneMebibyteFile();
    Player p;
    const auto empty = std::make_unique<DirectoryImage>(p.link->m_image);
    p.Reset();
    for (auto _ : state) {
        benchmark::DoNotOptimize(p.link->UploadSong(path.c_str()));
        state.PauseTiming();
        p.link->m_image = *empty;
        state.ResumeTiming();
    }
    p.Report(state);
    std::filesystem::remove(path);
}

void DownloadOneMebibyte(benchmark::State& state)
{
    const std::string path = OneMebibyteFile();
    const std::string folder = std::filesystem::temp_directory_path().string();
    Player p;
    p.link->UploadSong(path.c_str());
    p.Reset();
    for (auto _ : state)
        benchmark::DoNotOptimize(p.link->DownloadSong(1, folder));
    p.Report(state);
    std::filesystem::remove(path);
}

BENCHMARK(DirectoryLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(DirectorySave)->Unit(benchmark::kMillisecond);
BENCHMARK(UploadOneMebibyte)->Unit(benchmark::kMillisecond);
BENCHMARK(DownloadOneMebibyte)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
