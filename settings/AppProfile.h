#pragma once
// The application profile: string values by section and value name. The
// window program keeps them in the registry; tests keep them in memory.

#include <string>

class AppProfile {
public:
    virtual ~AppProfile() = default;
    // The empty string when the value does not exist.
    virtual std::string GetProfileString(const std::string& section, const std::string& entry) = 0;
    virtual void WriteProfileString(const std::string& section, const std::string& entry,
                                    const std::string& value) = 0;
};
