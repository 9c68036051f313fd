#pragma once
// The parallel ports as Linux's parallel-port devices (/dev/parportN) show
// them: each device answers at its base address, its data, status and
// control registers reached through the device's ioctls while this process
// has claimed it. A device is claimed when the link first talks to it and
// released when the link moves to another, or when the bus closes; the user
// needs only the right to open the device (the lp group), not root.
//
// It is also the player's lock (link/PlayerLock.h): a command locks the
// device (flock, which another program opening it meets, where a second
// claim would only block in the kernel) and holds its claim until the
// command ends.

#include <string>
#include <vector>

#include "link/LinuxPortCalls.h"
#include "link/PlayerLock.h"
#include "link/PortIo.h"

struct ParportDeviceInfo {
    std::string path;
    int base;
};

// The parallel ports the kernel knows, in its order, with their base
// addresses as /proc/sys/dev/parport lists them.
std::vector<ParportDeviceInfo> ListParportDevices(LinuxPortCalls& calls);

// What went wrong with a device and what the user can do about it.
std::string ParportErrorText(const std::string& path, const char* step, int error);

class ParportBus : public PortIo, public PlayerLock {
public:
    explicit ParportBus(LinuxPortCalls& calls) : m_calls(calls) {}
    ~ParportBus() override { Close(); }
    ParportBus(const ParportBus&) = delete;
    ParportBus& operator=(const ParportBus&) = delete;

    // Opens the device; its registers answer at base, base + 1, base + 2.
    bool AddDevice(const std::string& path, int base, std::string* error);
    // Releases the claimed device and closes them all; also on destruction.
    void Close();

    // The device at base, locked and claimed for a command; Failed when the
    // claim is refused (Failure() says why). Nothing to hold elsewhere.
    LockResult Acquire(int base, long waitMs) override;
    void Release() override;

    void Out(uint16_t port, uint8_t value) override;
    uint8_t In(uint16_t port) override;
    long Clock() override { return m_calls.Milliseconds(); }

    // What failed while talking to a device; empty while nothing has. After a
    // failure the bus is silent and the link's operations fail at once.
    const std::string& Failure() const { return m_failure; }

private:
    struct Device {
        std::string path;
        int base;
        int fd;
    };

    Device* DeviceAt(uint16_t port, int* offset);
    bool Select(Device& device);
    void ReleaseClaim();
    bool Call(Device& device, unsigned long request, void* argument, const char* what);

    LinuxPortCalls& m_calls;
    std::vector<Device> m_devices;
    int m_nClaimed = -1; // index into m_devices
    int m_nLocked = -1;
    std::string m_failure;
};
