#include "link/Win32PortAccessSystem.h"

#include <windows.h>

uint32_t Win32PortAccessSystem::GetVersion()
{
    return ::GetVersion();
}

PortAccessSystem::Handle Win32PortAccessSystem::OpenServiceManager()
{
    return OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
}

PortAccessSystem::Handle Win32PortAccessSystem::OpenDriverService(Handle manager, const std::string& name)
{
    return OpenServiceA(static_cast<SC_HANDLE>(manager), name.c_str(), SERVICE_ALL_ACCESS);
}

bool Win32PortAccessSystem::StartDriverService(Handle service)
{
    return StartServiceA(static_cast<SC_HANDLE>(service), 0, nullptr) != FALSE;
}

PortAccessSystem::Handle Win32PortAccessSystem::CreateDriverService(Handle manager, const std::string& name,
                                                                      const std::string& driverPath)
{
    return CreateServiceA(static_cast<SC_HANDLE>(manager), name.c_str(), name.c_str(), SERVICE_ALL_ACCESS,
                          SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, driverPath.c_str(),
                          nullptr, nullptr, nullptr, nullptr, nullptr);
}

void Win32PortAccessSystem::CloseServiceHandle(Handle handle)
{
    ::CloseServiceHandle(static_cast<SC_HANDLE>(handle));
}

PortAccessSystem::Handle Win32PortAccessSystem::OpenDevice(const std::string& path)
{
    HANDLE device = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    return device == INVALID_HANDLE_VALUE ? nullptr : device;
}

void Win32PortAccessSystem::CloseDevice(Handle device)
{
    CloseHandle(device);
}

uint32_t Win32PortAccessSystem::LastError()
{
    return GetLastError();
}

void Win32PortAccessSystem::ShowMessage(const std::string& text, const std::string& caption)
{
    MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK);
}

std::string ExecutableDirectory()
{
    char path[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length <= MAX_PATH ? length : 0);
    const size_t cut = folder.rfind('\\');
    return cut == std::string::npos ? std::string() : folder.substr(0, cut);
}
