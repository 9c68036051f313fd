#include "SimulatedPortCalls.h"

#ifdef __linux__

#include <cerrno>
#include <csignal>
#include <sys/ioctl.h>
#include <linux/ppdev.h>

namespace {
constexpr int kFirstFd = 10;
// An open port: status lines float, the ready line (bit 3) reads high.
constexpr uint8_t kFloatingStatus = 0x7F;
}

void SimulatedPortCalls::Note(const std::string& entry)
{
    if (entry == "io" && !m_log.empty() && m_log.back() == "io")
        return;
    m_log.push_back(entry);
}

// Ctrl+C arrives at the moment the player starts the flash operation.
void SimulatedPortCalls::Watch(SimulatedPlayer* player)
{
    if (!player || player->Operations().size() == m_nOperationsSeen)
        return;
    m_nOperationsSeen = player->Operations().size();
    const FlashOperation& last = player->Operations().back();
    if (last.kind == FlashOperation::Program && ++m_nPrograms == signalAfterPrograms)
        std::raise(SIGINT);
    if (last.kind == FlashOperation::Erase && last.page == 0 && signalAtDirectoryErase)
        std::raise(SIGINT);
}

bool SimulatedPortCalls::AnyClaimed() const
{
    for (bool claimed : m_claimed)
        if (claimed)
            return true;
    return false;
}

bool SimulatedPortCalls::AnyOpen() const
{
    for (bool open : m_open)
        if (open)
            return true;
    return false;
}

int SimulatedPortCalls::Open(const std::string& path)
{
    for (size_t i = 0; i < m_ports.size(); ++i) {
        if (m_ports[i].path != path)
            continue;
        if (openError)
            return -openError;
        m_open[i] = true;
        Note("open " + path);
        return kFirstFd + int(i);
    }
    return -ENOENT;
}

int SimulatedPortCalls::Ioctl(int fd, unsigned long request, void* argument)
{
    const size_t index = size_t(fd - kFirstFd);
    if (fd < kFirstFd || index >= m_ports.size() || !m_open[index])
        return -EBADF;
    Port& port = m_ports[index];
    if (request == PPCLAIM) {
        if (m_claimed[index])
            return -EINVAL;
        if (AnyClaimed())
            Breach("claimed " + port.path + " while holding another port");
        m_claimed[index] = true;
        Note("claim " + port.path);
        return 0;
    }
    if (request == PPRELEASE) {
        if (!m_claimed[index])
            return -EINVAL;
        m_claimed[index] = false;
        Note("release " + port.path);
        return 0;
    }
    if (!m_claimed[index]) {
        Breach("register access on " + port.path + " before claiming it");
        return -EINVAL;
    }
    if (failIoctlsAfter >= 0 && ++m_nAccesses > failIoctlsAfter)
        return -EIO;
    Note("io");
    uint8_t* value = static_cast<uint8_t*>(argument);
    if (request == PPWDATA || request == PPWCONTROL) {
        if (port.player)
            port.player->Out(uint16_t(port.base + (request == PPWDATA ? 0 : 2)), *value);
        Watch(port.player);
        return 0;
    }
    if (request == PPRSTATUS) {
        *value = port.player ? port.player->In(uint16_t(port.base + 1)) : kFloatingStatus;
        return 0;
    }
    Breach("an ioctl the link has no use for");
    return -ENOTTY;
}

void SimulatedPortCalls::Close(int fd)
{
    const size_t index = size_t(fd - kFirstFd);
    if (fd < kFirstFd || index >= m_ports.size() || !m_open[index]) {
        Breach("closed a descriptor that is not open");
        return;
    }
    if (m_claimed[index]) {
        Breach("closed " + m_ports[index].path + " without releasing it");
        m_claimed[index] = false;
    }
    m_open[index] = false;
    Note("close " + m_ports[index].path);
}

int SimulatedPortCalls::LockFile(int fd)
{
    const size_t index = size_t(fd - kFirstFd);
    if (fd < kFirstFd || index >= m_ports.size() || !m_open[index])
        return -EBADF;
    if (m_ports[index].path == heldElsewhere)
        return -EWOULDBLOCK;
    Note("lock " + m_ports[index].path);
    return 0;
}

void SimulatedPortCalls::UnlockFile(int fd)
{
    const size_t index = size_t(fd - kFirstFd);
    if (fd < kFirstFd || index >= m_ports.size() || !m_open[index]) {
        Breach("unlocked a descriptor that is not open");
        return;
    }
    Note("unlock " + m_ports[index].path);
}

int SimulatedPortCalls::GrantPorts(unsigned long from, unsigned long count)
{
    if (!root)
        return -EPERM;
    m_granted.emplace_back(from, count);
    Note("ioperm");
    return 0;
}

int SimulatedPortCalls::GrantAllPorts()
{
    if (!root)
        return -EPERM;
    m_bAllGranted = true;
    Note("iopl");
    return 0;
}

void SimulatedPortCalls::DropPorts(unsigned long from, unsigned long count)
{
    std::erase(m_granted, std::make_pair(from, count));
}

bool SimulatedPortCalls::Granted(uint16_t port) const
{
    if (m_bAllGranted)
        return true;
    for (const auto& [from, count] : m_granted)
        if (port >= from && port < from + count)
            return true;
    return false;
}

SimulatedPortCalls::Port* SimulatedPortCalls::PortAt(uint16_t port)
{
    for (Port& candidate : m_ports)
        if (port >= candidate.base && port <= candidate.base + 2)
            return &candidate;
    return nullptr;
}

void SimulatedPortCalls::OutByte(uint16_t port, uint8_t value)
{
    if (!Granted(port))
        Breach("port instruction without the right to it");
    Note("io");
    if (Port* target = PortAt(port); target && target->player) {
        target->player->Out(port, value);
        Watch(target->player);
    }
}

uint8_t SimulatedPortCalls::InByte(uint16_t port)
{
    if (!Granted(port))
        Breach("port instruction without the right to it");
    Note("io");
    Port* target = PortAt(port);
    if (!target)
        return 0xFF;
    return target->player ? target->player->In(port) : kFloatingStatus;
}

bool SimulatedPortCalls::ReadTextFile(const std::string& path, std::string* text)
{
    for (const Port& port : m_ports) {
        const std::string name = port.path.substr(port.path.rfind('/') + 1);
        if (path == "/proc/sys/dev/parport/" + name + "/base-addr") {
            *text = std::to_string(port.base) + "\t-1\n";
            return true;
        }
    }
    return false;
}

#endif
