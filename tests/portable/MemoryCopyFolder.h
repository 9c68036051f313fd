#pragma once
// A copy folder in memory, for tests: what a PC keeps, without the disk.
// It can be made to refuse writes, as a full or read-only disk does.

#include <map>

#include "storage/safety/CopyFolder.h"

class MemoryCopyFolder : public CopyFolder {
public:
    std::string Path() const override { return "memory"; }
    bool WriteDurably(const std::string& name, const std::vector<uint8_t>& bytes, std::string* error) override
    {
        if (refuseWrites) {
            *error = "memory: the disk is full";
            return false;
        }
        files[name] = bytes;
        return true;
    }
    std::vector<std::string> Names() override
    {
        std::vector<std::string> names;
        for (const auto& file : files)
            names.push_back(file.first);
        return names;
    }
    bool Read(const std::string& name, std::vector<uint8_t>* bytes) override
    {
        const auto file = files.find(name);
        if (file == files.end())
            return false;
        *bytes = file->second;
        return true;
    }
    bool Remove(const std::string& name) override { return files.erase(name) > 0; }

    std::map<std::string, std::vector<uint8_t>> files;
    bool refuseWrites = false;
};
