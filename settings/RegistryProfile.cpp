#include "settings/RegistryProfile.h"

#include "framework/RegistryValue.h"

namespace {
// The window program's registry key and application name.
const char* const kProfilePath = "Software\\Local AppWizard-Generated Applications\\Mellifon\\";
}

std::string RegistryProfile::GetProfileString(const std::string& section, const std::string& entry)
{
    return ReadUserRegistryString(kProfilePath + section, entry.c_str(), "");
}

void RegistryProfile::WriteProfileString(const std::string& section, const std::string& entry,
                                         const std::string& value)
{
    m_bLastWriteOk = WriteUserRegistryString(kProfilePath + section, entry.c_str(), value.c_str());
}
