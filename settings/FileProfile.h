#pragma once
// The application profile in a small text file, where there is no registry:
// "[Section]" lines, each followed by "entry=value" lines. A missing file is
// an empty profile; a write rewrites the whole file through a temporary one,
// so a crash never leaves half a file.

#include <string>

#include "settings/AppProfile.h"

class FileProfile : public AppProfile {
public:
    explicit FileProfile(std::string path) : m_path(std::move(path)) {}

    std::string GetProfileString(const std::string& section, const std::string& entry) override;
    void WriteProfileString(const std::string& section, const std::string& entry, const std::string& value) override;

    // Why the last write failed; empty after a good one.
    const std::string& WriteError() const { return m_writeError; }

private:
    std::string m_path;
    std::string m_writeError;
};
