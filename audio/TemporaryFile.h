#pragma once
// A file in the system's temporary folder that lives as long as this object:
// removed on every way out of its scope (success, failure, Cancel, and
// Ctrl+C, which the programs turn into a Cancel). Its name carries this
// process's id: what a killed run leaves, the next run's first temporary
// file in that folder removes, once that run is known to have ended.

#include <string>

class TemporaryFile {
public:
    // `suffix` ends the name (".mp3"); the file is not created yet.
    explicit TemporaryFile(const std::string& suffix);
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // Empty when the system has no temporary folder.
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};
