#pragma once
// The PC folder that keeps the copies of the player's directory. A file in
// it is written whole or not at all: to a temporary name first, flushed to
// the disk, then renamed over its own name, so a power cut on the PC leaves
// either the old file or the new one.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CopyFolder {
public:
    virtual ~CopyFolder() = default;
    // The folder's path, for messages.
    virtual std::string Path() const = 0;
    virtual bool WriteDurably(const std::string& name, const std::vector<uint8_t>& bytes, std::string* error) = 0;
    // The names of the files in the folder, in no particular order.
    virtual std::vector<std::string> Names() = 0;
    virtual bool Read(const std::string& name, std::vector<uint8_t>* bytes) = 0;
    virtual bool Remove(const std::string& name) = 0;
};

// The folder at `path`, made when missing; null with a reason when it cannot be.
std::unique_ptr<CopyFolder> OpenCopyFolder(const std::string& path, std::string* error);

// Where this user's copies live: the application data folder on Windows,
// $XDG_DATA_HOME (~/.local/share) elsewhere.
std::string UserCopyFolderPath();
