#include "framework/RegistryValue.h"

#include <windows.h>

#include <cstring>
#include <vector>

std::string ReadUserRegistryString(const std::string& keyPath, const char* entry, const char* defaultValue)
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return defaultValue;
    std::string value = defaultValue;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(hKey, entry, nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_SZ) {
        std::vector<char> buffer(size_t(size) + 1, '\0');
        if (RegQueryValueExA(hKey, entry, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) ==
            ERROR_SUCCESS)
            value = buffer.data();
    }
    RegCloseKey(hKey);
    return value;
}

bool WriteUserRegistryString(const std::string& keyPath, const char* entry, const char* value)
{
    HKEY hKey = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &hKey, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const bool ok = RegSetValueExA(hKey, entry, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                                   DWORD(strlen(value) + 1)) == ERROR_SUCCESS;
    RegCloseKey(hKey);
    return ok;
}
