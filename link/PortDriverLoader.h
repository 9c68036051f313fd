#pragma once
// Makes sure this process may use the port instructions. On the Windows 95
// family it may; on NT the port-access driver must run, which may mean
// installing it as a service from the program's folder and starting it, and
// its device must open once.

#include <string>

#include "link/PortAccessSystem.h"

extern const char* const kDriverServiceName; // also the display name
extern const char* const kDriverDevicePath;
extern const char* const kDriverFileName;

class PortDriverLoader {
public:
    // programDirectory: the executable's folder, without a trailing backslash.
    PortDriverLoader(PortAccessSystem& system, std::string programDirectory);

    bool LoadPortDriver();
    bool OpenPortDevice();
    // 0 on success, otherwise the error code of the step that failed.
    uint32_t StartDriverService(const std::string& name);
    uint32_t InstallDriverService(const std::string& driverPath, const std::string& name);

private:
    PortAccessSystem& m_system;
    std::string m_programDirectory;
    // Opened once, kept for the life of the process.
    PortAccessSystem::Handle m_hManager = nullptr;
};
