#include "link/LinuxSystemPortCalls.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#if defined(__i386__) || defined(__x86_64__)
#include <sys/io.h>
#define MELLIFON_PORT_INSTRUCTIONS 1
#endif

int LinuxSystemPortCalls::Open(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    return fd >= 0 ? fd : -errno;
}

int LinuxSystemPortCalls::Ioctl(int fd, unsigned long request, void* argument)
{
    const int result = ::ioctl(fd, request, argument);
    return result >= 0 ? result : -errno;
}

void LinuxSystemPortCalls::Close(int fd)
{
    ::close(fd);
}

int LinuxSystemPortCalls::LockFile(int fd)
{
    return ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 0 : -errno;
}

void LinuxSystemPortCalls::UnlockFile(int fd)
{
    ::flock(fd, LOCK_UN);
}

#ifdef MELLIFON_PORT_INSTRUCTIONS
int LinuxSystemPortCalls::GrantPorts(unsigned long from, unsigned long count)
{
    return ::ioperm(from, count, 1) == 0 ? 0 : -errno;
}

int LinuxSystemPortCalls::GrantAllPorts()
{
    return ::iopl(3) == 0 ? 0 : -errno;
}

void LinuxSystemPortCalls::DropPorts(unsigned long from, unsigned long count)
{
    ::ioperm(from, count, 0);
}

void LinuxSystemPortCalls::OutByte(uint16_t port, uint8_t value)
{
    outb(value, port);
}

uint8_t LinuxSystemPortCalls::InByte(uint16_t port)
{
    return inb(port);
}
#else
// No port instructions on this processor: only the device works.
int LinuxSystemPortCalls::GrantPorts(unsigned long, unsigned long)
{
    return -ENOSYS;
}

int LinuxSystemPortCalls::GrantAllPorts()
{
    return -ENOSYS;
}

void LinuxSystemPortCalls::DropPorts(unsigned long, unsigned long) {}
void LinuxSystemPortCalls::OutByte(uint16_t, uint8_t) {}

uint8_t LinuxSystemPortCalls::InByte(uint16_t)
{
    return 0xFF;
}
#endif

long LinuxSystemPortCalls::Milliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return long(now.tv_sec) * 1000 + long(now.tv_nsec / 1000000);
}

void LinuxSystemPortCalls::Sleep(long milliseconds)
{
    timespec pause{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
    while (::nanosleep(&pause, &pause) != 0 && errno == EINTR) {
    }
}

bool LinuxSystemPortCalls::ReadTextFile(const std::string& path, std::string* text)
{
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (!file)
        return false;
    char buffer[256];
    const size_t length = std::fread(buffer, 1, sizeof buffer, file);
    std::fclose(file);
    text->assign(buffer, length);
    return true;
}
