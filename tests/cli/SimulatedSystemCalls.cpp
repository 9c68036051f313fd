// mellifon-cli's test build: its Linux port calls go to simulated parallel
// ports, so the whole tool runs through the real claim, register and release
// sequence. The environment describes the machine:
//   MELLIFON_TEST_FLASH    the player's flash image (made when missing)
//   MELLIFON_TEST_PORTS    base addresses of /dev/parport0, 1, ... (default 0x378)
//   MELLIFON_TEST_PLAYER   which of them the player hangs on (default 0)
//   MELLIFON_TEST_ROOT     1: the port instructions are granted
//   MELLIFON_TEST_HELD     a device another program has locked
//   MELLIFON_TEST_HANG_PROGRAMS  the player's programs that never complete (-1: all)
//   MELLIFON_TEST_SIGINT_AFTER_PROGRAMS  Ctrl+C when the player has programmed this many pages
//   MELLIFON_TEST_SIGINT_AT_SAVE         1: Ctrl+C as a directory save begins
//   MELLIFON_TEST_REPORT   where the calls, breaches and the player's state go at exit

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>

#include "SimulatedPortCalls.h"
#include "simulator/FlashMemory.h"

namespace {

long Number(const char* name, long fallback)
{
    const char* text = std::getenv(name);
    return text && *text ? std::strtol(text, nullptr, 0) : fallback;
}

std::vector<SimulatedPortCalls::Port> Ports(SimulatedPlayer*& player, FlashMemory& flash)
{
    const char* list = std::getenv("MELLIFON_TEST_PORTS");
    std::stringstream bases(list && *list ? list : "0x378");
    const long at = Number("MELLIFON_TEST_PLAYER", 0);
    std::vector<SimulatedPortCalls::Port> ports;
    for (std::string base; std::getline(bases, base, ',');) {
        const uint16_t address = uint16_t(std::strtol(base.c_str(), nullptr, 0));
        SimulatedPlayer* here = nullptr;
        if (long(ports.size()) == at)
            here = player = new SimulatedPlayer(flash, address);
        ports.push_back({"/dev/parport" + std::to_string(ports.size()), address, here});
    }
    return ports;
}

class TestMachine {
public:
    TestMachine()
    {
        std::string error;
        const char* image = std::getenv("MELLIFON_TEST_FLASH");
        m_flash = FlashMemory::OpenImage(image ? image : "test-player.img", &error);
        if (!m_flash) {
            std::fprintf(stderr, "test machine: %s\n", error.c_str());
            std::exit(3);
        }
        SimulatedPlayer* player = nullptr;
        auto ports = Ports(player, *m_flash);
        m_player.reset(player);
        if (m_player)
            m_player->Faults().hangPrograms = int(Number("MELLIFON_TEST_HANG_PROGRAMS", 0));
        m_calls = std::make_unique<SimulatedPortCalls>(std::move(ports));
        m_calls->root = Number("MELLIFON_TEST_ROOT", 0) == 1;
        if (const char* held = std::getenv("MELLIFON_TEST_HELD"))
            m_calls->heldElsewhere = held;
        m_calls->signalAfterPrograms = Number("MELLIFON_TEST_SIGINT_AFTER_PROGRAMS", -1);
        m_calls->signalAtDirectoryErase = Number("MELLIFON_TEST_SIGINT_AT_SAVE", 0) == 1;
    }

    // Runs at exit, after the tool has let go of everything.
    ~TestMachine()
    {
        const char* path = std::getenv("MELLIFON_TEST_REPORT");
        std::FILE* report = path ? std::fopen(path, "w") : nullptr;
        if (!report)
            return;
        std::fprintf(report, "calls:");
        for (const std::string& call : m_calls->Log())
            std::fprintf(report, " %s,", call.c_str());
        std::fprintf(report, "\nclaimed at exit: %s\n", m_calls->AnyClaimed() ? "yes" : "no");
        std::fprintf(report, "open at exit: %s\n", m_calls->AnyOpen() ? "yes" : "no");
        std::fprintf(report, "link mode at exit: %s\n", m_player && m_player->InLinkMode() ? "on" : "off");
        for (const std::string& breach : m_calls->Breaches())
            std::fprintf(report, "breach: %s\n", breach.c_str());
        if (m_player)
            for (const std::string& error : m_player->ProtocolErrors())
                std::fprintf(report, "protocol error: %s\n", error.c_str());
        std::fclose(report);
    }

    SimulatedPortCalls& Calls() { return *m_calls; }

private:
    std::unique_ptr<FlashMemory> m_flash;
    std::unique_ptr<SimulatedPlayer> m_player;
    std::unique_ptr<SimulatedPortCalls> m_calls;
};

}

LinuxPortCalls& SystemPortCalls()
{
    static TestMachine machine;
    return machine.Calls();
}
