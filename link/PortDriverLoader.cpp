#include "link/PortDriverLoader.h"

#include <cstdio>

const char* const kDriverServiceName = "giveio";
const char* const kDriverDevicePath = "\\\\.\\giveio";
const char* const kDriverFileName = "\\giveio.sys";

PortDriverLoader::PortDriverLoader(PortAccessSystem& system, std::string programDirectory)
    : m_system(system), m_programDirectory(std::move(programDirectory))
{
}

bool PortDriverLoader::LoadPortDriver()
{
    if (m_system.GetVersion() & 0x80000000u)
        return true;
    if (OpenPortDevice())
        return true;
    m_hManager = m_system.OpenServiceManager();
    if (!m_hManager) {
        m_system.ShowMessage("Can't connect to service control manager", "LoadDrv");
        return false;
    }
    if (StartDriverService(kDriverServiceName) != 0) {
        if (InstallDriverService(m_programDirectory + kDriverFileName, kDriverServiceName) != 0)
            return false;
        if (StartDriverService(kDriverServiceName) != 0)
            return false;
    }
    return OpenPortDevice();
}

// Opening the device is what grants the access; it stays after the close.
bool PortDriverLoader::OpenPortDevice()
{
    PortAccessSystem::Handle device = m_system.OpenDevice(kDriverDevicePath);
    if (!device) {
        std::fputs("Couldn't access giveio device\n", stdout);
        return false;
    }
    m_system.CloseDevice(device);
    return true;
}

uint32_t PortDriverLoader::StartDriverService(const std::string& name)
{
    PortAccessSystem::Handle service = m_system.OpenDriverService(m_hManager, name);
    if (!service)
        return m_system.LastError();
    const uint32_t error = m_system.StartDriverService(service) ? 0 : m_system.LastError();
    m_system.CloseServiceHandle(service);
    return error;
}

uint32_t PortDriverLoader::InstallDriverService(const std::string& driverPath, const std::string& name)
{
    PortAccessSystem::Handle service = m_system.CreateDriverService(m_hManager, name, driverPath);
    if (!service)
        return m_system.LastError();
    m_system.CloseServiceHandle(service);
    return 0;
}
