#pragma once
// The Linux port calls as the kernel makes them.

#include "link/LinuxPortCalls.h"

class LinuxSystemPortCalls : public LinuxPortCalls {
public:
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
    long Milliseconds() override;
    void Sleep(long milliseconds) override;
    bool ReadTextFile(const std::string& path, std::string* text) override;
};
