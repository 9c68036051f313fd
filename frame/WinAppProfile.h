#pragma once
// The application object's profile (the registry) as the portable code sees
// a profile.

#include "settings/AppProfile.h"
#include "framework/WinApp.h"

class WinAppProfile : public AppProfile {
public:
    explicit WinAppProfile(CWinApp& app) : m_app(app) {}
    std::string GetProfileString(const std::string& section, const std::string& entry) override
    {
        return m_app.GetProfileString(section.c_str(), entry.c_str());
    }
    void WriteProfileString(const std::string& section, const std::string& entry, const std::string& value) override
    {
        m_app.WriteProfileString(section.c_str(), entry.c_str(), value.c_str());
    }

private:
    CWinApp& m_app;
};
