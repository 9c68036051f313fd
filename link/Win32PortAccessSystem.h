#pragma once
// The port-access calls as Windows makes them.

#include "link/PortAccessSystem.h"

class Win32PortAccessSystem : public PortAccessSystem {
public:
    uint32_t GetVersion() override;
    Handle OpenServiceManager() override;
    Handle OpenDriverService(Handle manager, const std::string& name) override;
    bool StartDriverService(Handle service) override;
    Handle CreateDriverService(Handle manager, const std::string& name, const std::string& driverPath) override;
    void CloseServiceHandle(Handle handle) override;
    Handle OpenDevice(const std::string& path) override;
    void CloseDevice(Handle device) override;
    uint32_t LastError() override;
    void ShowMessage(const std::string& text, const std::string& caption) override;
};

// The folder of the running program, without a trailing backslash.
std::string ExecutableDirectory();
