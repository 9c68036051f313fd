#pragma once
// Linux's port calls answered by simulated hardware: /dev/parportN is a port
// at a base address, with a simulated player behind it or nothing; the port
// instructions reach the same ports once granted, and only as root. It keeps
// the kernel's rules (no register access before the claim, one process per
// claim) and notes every breach, and logs the calls with runs of register
// accesses folded into one "io".

#include <string>
#include <vector>

#include "link/LinuxPortCalls.h"
#include "simulator/SimulatedPlayer.h"

class SimulatedPortCalls : public LinuxPortCalls {
public:
    struct Port {
        std::string path;
        uint16_t base;
        SimulatedPlayer* player; // null: nothing on the cable
    };
    explicit SimulatedPortCalls(std::vector<Port> ports) : m_ports(std::move(ports)), m_open(m_ports.size()), m_claimed(m_ports.size()) {}

    int Open(const std::string& path) override;
    int Ioctl(int fd, unsigned long request, void* argument) override;
    void Close(int fd) override;
    int LockFile(int fd) override;
    void UnlockFile(int fd) override;
    int GrantPorts(unsigned long from, unsigned long count) override;
    int GrantAllPorts() override;
    void DropPorts(unsigned long from, unsigned long count) override;
    void OutByte(uint16_t port, uint8_t value) override;
    uint8_t InByte(uint16_t port) override;
    long Milliseconds() override { return ++m_nTicks; }
    void Sleep(long milliseconds) override { m_nTicks += milliseconds; }
    bool ReadTextFile(const std::string& path, std::string* text) override;

    // What the system refuses.
    int openError = 0;          // every open fails with this error number
    std::string heldElsewhere;  // the device another program has locked
    bool root = false;          // the port instructions are granted
    long failIoctlsAfter = -1;  // later register ioctls fail with EIO
    // Ctrl+C (SIGINT raised) when the player has programmed this many pages,
    // or when it starts erasing the directory block for a save.
    long signalAfterPrograms = -1;
    bool signalAtDirectoryErase = false;

    const std::vector<std::string>& Log() const { return m_log; }
    const std::vector<std::string>& Breaches() const { return m_breaches; }
    bool AnyClaimed() const;
    bool AnyOpen() const;

private:
    void Note(const std::string& entry);
    void Breach(const std::string& what) { m_breaches.push_back(what); }
    void Watch(SimulatedPlayer* player);
    Port* PortAt(uint16_t port);
    bool Granted(uint16_t port) const;

    std::vector<Port> m_ports;
    std::vector<bool> m_open, m_claimed;
    std::vector<std::pair<unsigned long, unsigned long>> m_granted;
    bool m_bAllGranted = false;
    long m_nTicks = 0;
    long m_nAccesses = 0;
    size_t m_nOperationsSeen = 0;
    long m_nPrograms = 0;
    std::vector<std::string> m_log, m_breaches;
};
