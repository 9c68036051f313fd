#pragma once
// The window program's application profile in the registry
// (HKEY_CURRENT_USER\Software\Local AppWizard-Generated Applications\Mellifon),
// for a program without the window layer's application object, so that the
// command-line tool and the window remember the same port.

#include "settings/AppProfile.h"

class RegistryProfile : public AppProfile {
public:
    std::string GetProfileString(const std::string& section, const std::string& entry) override;
    void WriteProfileString(const std::string& section, const std::string& entry, const std::string& value) override;

    // False when the last write did not reach the registry.
    bool LastWriteOk() const { return m_bLastWriteOk; }

private:
    bool m_bLastWriteOk = true;
};
