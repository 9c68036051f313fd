#include "cli/PlayerConnection.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "settings/PortSelection.h"
#include "cli/CliArguments.h"
#include "cli/ConsoleUserInterface.h"
#include "link/DeviceLink.h"
#include "link/PortStop.h"
#include "simulator/DefaultImagePath.h"
#include "simulator/FlashMemory.h"
#include "simulator/ImageFileLock.h"
#include "simulator/SimulatedPlayer.h"

#if defined(__linux__)
#include "settings/FileProfile.h"
#include "link/LinuxDirectPorts.h"
#include "link/ParportBus.h"
#elif defined(_WIN32)
#include "settings/RegistryProfile.h"
#include "link/DirectPortIo.h"
#include "link/PortDriverLoader.h"
#include "link/Win32PortAccessSystem.h"
#include "link/Win32PortMutex.h"
#endif

namespace {

constexpr int kImagePlayerPort = 0x378;
constexpr int kBlocksPerMebibyte = 32;
// A device named on the command line answers here, as far as the link knows.
constexpr int kNamedDevicePort = 0x378;

bool Fail(const std::string& text)
{
    std::fprintf(stderr, "mellifon-cli: %s\n", text.c_str());
    return false;
}

std::string Hex(int base)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", unsigned(base));
    return text;
}

// The search's question to connect the player, asked on the terminal.
class ConsoleQuestion : public YesNoQuestion {
public:
    explicit ConsoleQuestion(ConsoleUserInterface& ui) : m_ui(ui) {}
    bool AskYesNo(const std::string& text, const std::string&) override { return m_ui.AskYesNo(text); }

private:
    ConsoleUserInterface& m_ui;
};

#ifdef _WIN32
// The driver loader's one message box goes to the terminal instead.
class ConsolePortAccessSystem : public Win32PortAccessSystem {
public:
    void ShowMessage(const std::string& text, const std::string& caption) override
    {
        std::fprintf(stderr, "mellifon-cli: %s: %s\n", caption.c_str(), text.c_str());
    }
};
#endif

#ifdef __linux__
std::string ProfilePath()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    std::string folder = config && *config ? config : std::string(home && *home ? home : ".") + "/.config";
    return folder + "/mellifon/mellifon.ini";
}
#endif

extern "C" void OnStopSignal(int signal)
{
    RequestPortStop();
#ifdef _WIN32
    std::signal(signal, OnStopSignal); // the C runtime resets it before the call
#else
    (void)signal;
#endif
}

}

void InstallStopHandlers()
{
#ifdef _WIN32
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGBREAK, OnStopSignal);
#else
    // No SA_RESTART: a question waiting on the terminal ends at Ctrl+C.
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
#endif
}

// Whatever answers the link: one of these is set, and the link talks to it
// through the stoppable ports.
struct PlayerConnection::Ports {
    std::unique_ptr<FlashMemory> flash;
    std::unique_ptr<SimulatedPlayer> player;
#if defined(__linux__)
    std::unique_ptr<ParportBus> bus;
    std::unique_ptr<LinuxDirectPorts> direct;
#elif defined(_WIN32)
    std::unique_ptr<DirectPortIo> direct;
#endif
    std::unique_ptr<StoppablePorts> stoppable;
    std::unique_ptr<PlayerLock> lock; // where the bus is not the lock itself
    std::string where; // the port, as the user named it
    bool real = false;
    bool held = false; // the player is this command's until Close

    bool Hold(DeviceLink& link)
    {
        held = link.HoldPlayer();
        return held;
    }

    bool OpenImage(const std::string& path, int mebibytes);
    bool OpenPort(const std::string& port, DeviceLink& link, ConsoleUserInterface& ui);
    bool Attach(PortIo& inner, DeviceLink& link)
    {
        stoppable = std::make_unique<StoppablePorts>(inner);
        link.AttachPorts(stoppable.get());
        return true;
    }
    bool ProbeAt(DeviceLink& link, int base);
    bool Search(DeviceLink& link, ConsoleUserInterface& ui, AppProfile& profile);
    std::string Failure() const
    {
#ifdef __linux__
        if (bus)
            return bus->Failure();
#endif
        return "";
    }
};

// For the tests of the tool: the simulated player loses its power after
// this many flash operations, and time-outs pass at once; or each page it
// programs keeps it busy this many milliseconds, so a command takes a while.
static void MisbehaveWhenAsked(SimulatedPlayer& player)
{
    const char* slow = std::getenv("MELLIFON_SIM_SLOW_PROGRAMS");
    if (slow && *slow)
        player.Faults().slowProgram = {-1, std::strtol(slow, nullptr, 10)};
    const char* after = std::getenv("MELLIFON_SIM_POWER_CUT_AFTER");
    if (!after || !*after)
        return;
    player.Faults().powerCutAfter = std::strtol(after, nullptr, 10);
    player.UseVirtualClock(true);
}

// `mebibytes`: the size of a new image, which an existing one must have; 0: any.
bool PlayerConnection::Ports::OpenImage(const std::string& path, int mebibytes)
{
    std::string error;
    if (!MakeImageFolder(path, &error))
        return Fail(error);
    const int blocks = mebibytes ? mebibytes * kBlocksPerMebibyte : FlashMemory::kDefaultBlocks;
    flash = FlashMemory::OpenImage(path, &error, blocks);
    if (!flash)
        return Fail(error);
    if (mebibytes && flash->Blocks() != blocks)
        return Fail(path + " is a player of " + std::to_string(flash->Blocks() / kBlocksPerMebibyte) +
                    " MiB; --flash-size makes a new image only");
    player = std::make_unique<SimulatedPlayer>(*flash, kImagePlayerPort);
    MisbehaveWhenAsked(*player);
    return true;
}

// A named port must have a player: an empty list from no player at all
// would read as an empty player.
bool PlayerConnection::Ports::ProbeAt(DeviceLink& link, int base)
{
    link.SetPort(base);
    if (!Hold(link))
        return false; // the hold, or the port's failure on the way out, says why
    const bool answered = link.Probe() != 0;
    if (PortStopRequested())
        return false; // the way out says so
    if (answered)
        return true;
    const std::string failure = Failure();
    return Fail(!failure.empty() ? failure : "no player answers on " + where + " (is it connected and switched on?)");
}

bool PlayerConnection::Ports::Search(DeviceLink& link, ConsoleUserInterface& ui, AppProfile& profile)
{
    ConsoleQuestion question(ui);
    PortSelection selection(profile, question, link);
    if (!selection.SelectPort()) {
        if (PortStopRequested())
            return false; // the way out says so
        const std::string failure = Failure();
        return Fail(!failure.empty() ? failure : "no player found on any port");
    }
    std::fprintf(stderr, "mellifon-cli: the player answers at %s\n", Hex(link.m_nBasePort).c_str());
    return Hold(link);
}

bool PlayerConnection::Ports::OpenPort(const std::string& port, DeviceLink& link, ConsoleUserInterface& ui)
{
    where = port;
    real = true;
    const int base = ParseBaseAddress(port);
#if defined(__linux__)
    LinuxPortCalls& calls = SystemPortCalls();
    std::string error;
    if (port == "auto") {
        const std::vector<ParportDeviceInfo> devices = ListParportDevices(calls);
        if (devices.empty())
            return Fail("the system lists no parallel ports (is the driver loaded? 'sudo modprobe parport_pc "
                        "ppdev'); as root a base address can be named instead (--port 0x378)");
        bus = std::make_unique<ParportBus>(calls);
        std::string reasons;
        size_t opened = 0;
        for (const ParportDeviceInfo& device : devices) {
            if (bus->AddDevice(device.path, device.base, &error))
                ++opened;
            else
                reasons += "\n  " + error;
        }
        if (opened == 0)
            return Fail("no parallel port could be opened:" + reasons);
        if (!reasons.empty())
            std::fprintf(stderr, "mellifon-cli: left out:%s\n", reasons.c_str());
        Attach(*bus, link);
        link.AttachPlayerLock(bus.get());
        FileProfile profile(ProfilePath());
        if (!Search(link, ui, profile))
            return false;
        if (!profile.WriteError().empty())
            std::fprintf(stderr, "mellifon-cli: the port was not remembered: %s\n", profile.WriteError().c_str());
        return true;
    }
    if (base == 0) {
        bus = std::make_unique<ParportBus>(calls);
        if (!bus->AddDevice(port, kNamedDevicePort, &error))
            return Fail(error);
        Attach(*bus, link);
        link.AttachPlayerLock(bus.get());
        return ProbeAt(link, kNamedDevicePort);
    }
    direct = std::make_unique<LinuxDirectPorts>(calls);
    if (!direct->Open(base, &error))
        return Fail(error);
    Attach(*direct, link);
    return ProbeAt(link, base);
#elif defined(_WIN32) && !defined(_WIN64)
    if (base == 0 && port != "auto")
        return Fail("device names are for Linux; name a base address (--port 0x378) or --port auto");
    static ConsolePortAccessSystem system;
    static PortDriverLoader loader(system, ExecutableDirectory());
    if (!loader.LoadPortDriver())
        return Fail("the ports were not granted: on Windows NT, 2000 and XP the port-access driver "
                    "giveio.sys must lie beside mellifon-cli.exe, and its first start needs an administrator");
    direct = std::make_unique<DirectPortIo>();
    Attach(*direct, link);
    lock = std::make_unique<Win32PortMutex>();
    link.AttachPlayerLock(lock.get());
    if (port == "auto") {
        RegistryProfile profile;
        if (!Search(link, ui, profile))
            return false;
        if (!profile.LastWriteOk())
            std::fprintf(stderr, "mellifon-cli: the port was not remembered in the registry\n");
        return true;
    }
    return ProbeAt(link, base);
#elif defined(_WIN64)
    (void)link;
    (void)ui;
    return Fail("--port needs the 32-bit mellifon-cli.exe on 32-bit Windows (XP, 2000 or 98): 64-bit "
                "Windows lets no program use the parallel port's registers");
#else
    (void)link;
    (void)ui;
    return Fail("--port is not available on this system");
#endif
}

PlayerConnection::PlayerConnection() : m_ports(std::make_unique<Ports>()) {}

PlayerConnection::~PlayerConnection() = default;

bool PlayerConnection::Open(const CliArguments& arguments, DeviceLink& link, ConsoleUserInterface& ui)
{
    InstallStopHandlers();
    link.AttachUserInterface(&ui);
    if (!arguments.port.empty())
        return m_ports->OpenPort(arguments.port, link, ui);
    if (!m_ports->OpenImage(arguments.imagePath.empty() ? DefaultPlayerImagePath() : arguments.imagePath,
                            arguments.flashMebibytes))
        return false;
    m_ports->Attach(*m_ports->player, link);
    m_ports->lock = std::make_unique<ImageFileLock>(*m_ports->flash, kImagePlayerPort);
    link.AttachPlayerLock(m_ports->lock.get());
    link.SetPort(kImagePlayerPort);
    return m_ports->Hold(link);
}

int PlayerConnection::Close(DeviceLink& link, int status, bool savedChange)
{
    const bool stopped = PortStopRequested();
    ClearPortStop();
    // Out of link mode on every way out; a port that failed stays silent. A
    // stop may have cut a cycle short, so the link is woken afresh (from the
    // idle control value) before it is let go. A port another program holds
    // is left to it.
    if (m_ports->real && m_ports->held && m_ports->stoppable && link.m_bPortSet) {
        if (stopped)
            link.OpenLink();
        link.CloseLink();
    }
    if (m_ports->held)
        link.LetGoOfPlayer();
    const std::string failure = m_ports->Failure();
    // For the tool's benchmark (bench/tool-download): what the run cost in port accesses.
    const char* counting = std::getenv("MELLIFON_SIM_COUNT_ACCESSES");
    if (m_ports->player && counting && *counting)
        std::fprintf(stderr, "simulated player: %lld port accesses\n", m_ports->player->Accesses());
    link.AttachPlayerLock(nullptr);
    link.AttachPorts(nullptr);
    m_ports = std::make_unique<Ports>(); // releases the port
    if (!failure.empty()) {
        Fail(failure);
        return 1;
    }
    if (stopped) {
        // A save that had begun was finished before the stop took effect.
        Fail(savedChange ? "stopped by Ctrl+C; the player holds the change saved before the stop took effect"
                         : "stopped by Ctrl+C; what the player had stored before it is kept");
        return kCliStopped;
    }
    return status;
}
