// The copy folder on Windows: FlushFileBuffers before the rename, and a
// rename that replaces the old file and reaches the disk before it returns.

#include <windows.h>
#include <shlobj.h>

#include <cstdlib>

#include "storage/CopyFolder.h"

namespace {

std::string Reason(const std::string& what)
{
    char text[256] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, GetLastError(), 0, text,
                   sizeof text - 1, nullptr);
    std::string reason = text;
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' '))
        reason.pop_back();
    return what + ": " + reason;
}

bool MakeFolders(const std::string& path)
{
    for (size_t cut = path.find_first_of("\\/", 3);; cut = path.find_first_of("\\/", cut + 1)) {
        const std::string part = path.substr(0, cut);
        if (!CreateDirectoryA(part.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
        if (cut == std::string::npos)
            return true;
    }
}

class Win32CopyFolder : public CopyFolder {
public:
    explicit Win32CopyFolder(std::string path) : m_path(std::move(path)) {}

    std::string Path() const override { return m_path; }

    bool WriteDurably(const std::string& name, const std::vector<uint8_t>& bytes, std::string* error) override
    {
        const std::string final = m_path + "\\" + name;
        const std::string temporary = final + ".tmp";
        HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            *error = Reason(temporary);
            return false;
        }
        DWORD written = 0;
        bool ok = WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr) &&
                  written == bytes.size() && FlushFileBuffers(file);
        if (!ok)
            *error = Reason(temporary);
        CloseHandle(file);
        if (ok && !MoveFileExA(temporary.c_str(), final.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            *error = Reason(final);
            ok = false;
        }
        if (!ok)
            DeleteFileA(temporary.c_str());
        return ok;
    }

    std::vector<std::string> Names() override
    {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((m_path + "\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            return names;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                names.push_back(found.cFileName);
        } while (FindNextFileA(search, &found));
        FindClose(search);
        return names;
    }

    bool Read(const std::string& name, std::vector<uint8_t>* bytes) override
    {
        HANDLE file = CreateFileA((m_path + "\\" + name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        bytes->clear();
        uint8_t chunk[65536];
        DWORD got = 0;
        bool ok = true;
        while ((ok = ReadFile(file, chunk, sizeof chunk, &got, nullptr) != 0) && got > 0)
            bytes->insert(bytes->end(), chunk, chunk + got);
        CloseHandle(file);
        return ok;
    }

    bool Remove(const std::string& name) override { return DeleteFileA((m_path + "\\" + name).c_str()) != 0; }

private:
    std::string m_path;
};

}

std::unique_ptr<CopyFolder> OpenCopyFolder(const std::string& path, std::string* error)
{
    if (!MakeFolders(path)) {
        *error = Reason(path);
        return nullptr;
    }
    return std::make_unique<Win32CopyFolder>(path);
}

std::string UserCopyFolderPath()
{
    char folder[MAX_PATH] = {};
    if (SHGetFolderPathA(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, folder) != S_OK) {
        const char* data = std::getenv("APPDATA");
        lstrcpynA(folder, data && *data ? data : ".", MAX_PATH);
    }
    return std::string(folder) + "\\Mellifon\\Directory copies";
}
