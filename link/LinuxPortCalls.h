#pragma once
// The system calls through which the Linux port back ends reach the machine,
// behind one small interface, so that tests can route them to the simulated
// player. Results are as the kernel gives them: a value of 0 or more on
// success, minus the error number on failure.

#include <cstdint>
#include <string>

class LinuxPortCalls {
public:
    virtual ~LinuxPortCalls() = default;
    // open(path, O_RDWR): a file descriptor.
    virtual int Open(const std::string& path) = 0;
    virtual int Ioctl(int fd, unsigned long request, void* argument) = 0;
    virtual void Close(int fd) = 0;
    // flock(fd, LOCK_EX | LOCK_NB) and flock(fd, LOCK_UN): every program that
    // opens the same device meets the lock.
    virtual int LockFile(int fd) = 0;
    virtual void UnlockFile(int fd) = 0;
    // ioperm(from, count, 1), and iopl(3) for ports above 0x3FF.
    virtual int GrantPorts(unsigned long from, unsigned long count) = 0;
    virtual int GrantAllPorts() = 0;
    virtual void DropPorts(unsigned long from, unsigned long count) = 0;
    // The processor's port instructions, once granted.
    virtual void OutByte(uint16_t port, uint8_t value) = 0;
    virtual uint8_t InByte(uint16_t port) = 0;
    // A monotonic clock in milliseconds (CLOCK_MONOTONIC).
    virtual long Milliseconds() = 0;
    virtual void Sleep(long milliseconds) = 0;
    // A small text file (from /proc); false when it cannot be read.
    virtual bool ReadTextFile(const std::string& path, std::string* text) = 0;
};

// The real calls (the command-line tool's own file picks them; its tests
// pick the simulated ones).
LinuxPortCalls& SystemPortCalls();
