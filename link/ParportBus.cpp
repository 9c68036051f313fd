#include "link/ParportBus.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/ioctl.h>
#include <linux/ppdev.h>

#include "link/PortStop.h"

namespace {
// The kernel numbers at most this many parallel ports.
constexpr int kMaxParports = 16;
constexpr long kLockRetryMs = 50;
}

std::vector<ParportDeviceInfo> ListParportDevices(LinuxPortCalls& calls)
{
    std::vector<ParportDeviceInfo> devices;
    for (int n = 0; n < kMaxParports; ++n) {
        const std::string name = "parport" + std::to_string(n);
        std::string text;
        if (!calls.ReadTextFile("/proc/sys/dev/parport/" + name + "/base-addr", &text))
            continue;
        // "888\t1912": the base, then the ECP registers' base.
        char* end = nullptr;
        const long base = std::strtol(text.c_str(), &end, 10);
        if (end != text.c_str() && base > 0 && base <= 0xFFFD)
            devices.push_back({"/dev/" + name, int(base)});
    }
    return devices;
}

std::string ParportErrorText(const std::string& path, const char* step, int error)
{
    std::string text = path + ": cannot " + step + ": " + std::strerror(error);
    if (error == EACCES || error == EPERM)
        text += " (the device belongs to the lp group: add yourself to it, for example with "
                "'sudo usermod -aG lp $USER', and log in again)";
    else if (error == ENOENT || error == ENODEV || error == ENXIO)
        text += " (is the parallel-port device driver loaded? 'sudo modprobe ppdev')";
    return text;
}

bool ParportBus::AddDevice(const std::string& path, int base, std::string* error)
{
    const int fd = m_calls.Open(path);
    if (fd < 0) {
        *error = ParportErrorText(path, "open", -fd);
        return false;
    }
    m_devices.push_back({path, base, fd});
    return true;
}

LockResult ParportBus::Acquire(int base, long waitMs)
{
    int offset = 0;
    Device* device = DeviceAt(static_cast<uint16_t>(base), &offset);
    if (!device || offset != 0)
        return LockResult::Held;
    const long deadline = m_calls.Milliseconds() + waitMs;
    for (;;) {
        const int result = m_calls.LockFile(device->fd);
        if (result != -EWOULDBLOCK && result != -EINTR)
            break; // locked, or a device that takes no lock: its claim alone guards it
        if (m_calls.Milliseconds() >= deadline)
            return LockResult::Busy;
        m_calls.Sleep(kLockRetryMs);
    }
    m_nLocked = int(device - m_devices.data());
    if (!Select(*device)) {
        Release();
        return LockResult::Failed;
    }
    return LockResult::Held;
}

void ParportBus::Release()
{
    ReleaseClaim();
    if (m_nLocked < 0)
        return;
    m_calls.UnlockFile(m_devices[size_t(m_nLocked)].fd);
    m_nLocked = -1;
}

void ParportBus::Close()
{
    Release();
    for (Device& device : m_devices)
        m_calls.Close(device.fd);
    m_devices.clear();
}

ParportBus::Device* ParportBus::DeviceAt(uint16_t port, int* offset)
{
    for (Device& device : m_devices) {
        if (port >= device.base && port <= device.base + 2) {
            *offset = port - device.base;
            return &device;
        }
    }
    return nullptr;
}

// One claimed device at a time, as another program may want the others.
bool ParportBus::Select(Device& device)
{
    const int index = int(&device - m_devices.data());
    if (m_nClaimed == index)
        return true;
    if (!m_failure.empty())
        return false;
    ReleaseClaim();
    const int result = m_calls.Ioctl(device.fd, PPCLAIM, nullptr);
    if (result < 0) {
        m_failure = ParportErrorText(device.path, "claim the port", -result);
        RequestPortStop();
        return false;
    }
    m_nClaimed = index;
    return true;
}

void ParportBus::ReleaseClaim()
{
    if (m_nClaimed < 0)
        return;
    m_calls.Ioctl(m_devices[size_t(m_nClaimed)].fd, PPRELEASE, nullptr);
    m_nClaimed = -1;
}

bool ParportBus::Call(Device& device, unsigned long request, void* argument, const char* what)
{
    if (!Select(device))
        return false;
    const int result = m_calls.Ioctl(device.fd, request, argument);
    if (result < 0) {
        m_failure = ParportErrorText(device.path, what, -result);
        RequestPortStop();
        return false;
    }
    return true;
}

// The status register takes no writes; nothing answers between the ports.
void ParportBus::Out(uint16_t port, uint8_t value)
{
    int offset = 0;
    Device* device = DeviceAt(port, &offset);
    if (!device || offset == 1 || !m_failure.empty())
        return;
    Call(*device, offset == 0 ? PPWDATA : PPWCONTROL, &value,
         offset == 0 ? "write the data register" : "write the control register");
}

uint8_t ParportBus::In(uint16_t port)
{
    int offset = 0;
    Device* device = DeviceAt(port, &offset);
    if (!device)
        return 0xFF;
    if (!m_failure.empty())
        return 0x00;
    static const unsigned long kReads[] = {PPRDATA, PPRSTATUS, PPRCONTROL};
    uint8_t value = 0;
    if (!Call(*device, kReads[offset], &value, "read a register"))
        return 0x00;
    return value;
}
