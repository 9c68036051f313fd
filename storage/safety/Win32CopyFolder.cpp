// The copy folder on Windows: FlushFileBuffers before the rename, and a
// rename that replaces the old file and reaches the disk before it returns.

#include <windows.h>

#include <cstdlib>

#include "storage/safety/CopyFolder.h"

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

// Windows 98 has MoveFileExA only as a stub; each copy has a name of its
// own, so a plain rename does there.
bool Rename(const std::string& from, const std::string& to)
{
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    return GetLastError() == ERROR_CALL_NOT_IMPLEMENTED && MoveFileA(from.c_str(), to.c_str());
}

// The user's application data folder. Looked up at run time: Windows 98's
// shell has no SHGetFolderPathA, and a program importing it would not load.
std::string ApplicationDataFolder()
{
    typedef HRESULT(WINAPI * FolderPath)(HWND, int, HANDLE, DWORD, LPSTR);
    const int kAppData = 0x001a, kCreate = 0x8000; // CSIDL_APPDATA, CSIDL_FLAG_CREATE
    for (const char* library : {"shell32.dll", "shfolder.dll"}) {
        HMODULE module = LoadLibraryA(library);
        if (!module)
            continue;
        auto lookUp = reinterpret_cast<FolderPath>(reinterpret_cast<void*>(GetProcAddress(module, "SHGetFolderPathA")));
        char folder[MAX_PATH] = {};
        const bool found = lookUp && lookUp(nullptr, kAppData | kCreate, nullptr, 0, folder) == S_OK;
        FreeLibrary(module);
        if (found)
            return folder;
    }
    const char* data = std::getenv("APPDATA");
    if (data && *data)
        return data;
    char program[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, program, MAX_PATH - 1);
    std::string folder = program;
    return folder.substr(0, folder.find_last_of('\\'));
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
        if (ok && !Rename(temporary, final)) {
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
    return ApplicationDataFolder() + "\\Mellifon\\Directory copies";
}
