#pragma once
// The system calls that grant port access on Windows NT: the service control
// manager, the port-access driver's device, and a message box. The window
// program calls Windows through it; tests script it.

#include <cstdint>
#include <string>

class PortAccessSystem {
public:
    using Handle = void*;

    virtual ~PortAccessSystem() = default;
    // The GetVersion value: the top bit set on the Windows 95/98 family.
    virtual uint32_t GetVersion() = 0;
    // Full manager access on the local machine's default database; null on failure.
    virtual Handle OpenServiceManager() = 0;
    // Full service access; null on failure.
    virtual Handle OpenDriverService(Handle manager, const std::string& name) = 0;
    virtual bool StartDriverService(Handle service) = 0;
    // A kernel driver started on demand, normal error control, display name = name.
    virtual Handle CreateDriverService(Handle manager, const std::string& name, const std::string& driverPath) = 0;
    virtual void CloseServiceHandle(Handle handle) = 0;
    // Opens an existing device for reading, no sharing; null on failure.
    virtual Handle OpenDevice(const std::string& path) = 0;
    virtual void CloseDevice(Handle device) = 0;
    // The error code of the call that failed last.
    virtual uint32_t LastError() = 0;
    // OK only, no owner window.
    virtual void ShowMessage(const std::string& text, const std::string& caption) = 0;
};
