#include "audio/TemporaryFile.h"

#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "files/FileSize.h"
#include "files/Folders.h"
#include "files/Processes.h"

namespace {

std::atomic<unsigned> s_nCount{0};

// The system's temporary folder, ending in its separator; empty when there
// is none. Without the C++ library's file-system functions: on 32-bit
// Windows they import calls that Windows 2000 lacks. (Windows' stat fails on
// a folder named with a separator at its end, so the name is checked first.)
std::string TemporaryFolder()
{
#ifdef _WIN32
    const char* const names[] = {"TMP", "TEMP", "USERPROFILE"};
    const char* const fallback = "C:\\";
    const char separator = '\\';
#else
    const char* const names[] = {"TMPDIR"};
    const char* const fallback = "/tmp";
    const char separator = '/';
#endif
    std::string folder;
    for (const char* name : names) {
        const char* value = std::getenv(name);
        if (value && *value && IsFolder(value)) {
            folder = value;
            break;
        }
    }
    if (folder.empty() && IsFolder(fallback))
        folder = fallback;
    if (!folder.empty() && folder.back() != separator && folder.back() != '/')
        folder += separator;
    return folder;
}

bool Exists(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file)
        std::fclose(file);
    return file != nullptr || IsFolder(path.c_str());
}

// Every name starts so, with the owning process's id after it.
constexpr const char* kPrefix = "mellifon-p";

// The owner's id in a name of ours; false for any other name.
bool OwnerOf(const std::string& name, unsigned long* id)
{
    const size_t prefix = std::strlen(kPrefix);
    if (name.compare(0, prefix, kPrefix) != 0)
        return false;
    size_t end = prefix;
    while (end < name.size() && end - prefix < 10 && std::isdigit(static_cast<unsigned char>(name[end])))
        ++end;
    if (end == prefix || end >= name.size() || name[end] != '-')
        return false;
    *id = std::strtoul(name.substr(prefix, end - prefix).c_str(), nullptr, 10);
    return true;
}

// A run killed in a conversion (the system's kill, a power failure) could
// not remove its file: the first temporary file of a run in a folder
// removes those whose run has ended. A file of a run still going stays.
void RemoveFilesOfEndedRuns(const std::string& folder)
{
    static std::string s_swept;
    if (folder == s_swept)
        return;
    s_swept = folder;
    std::vector<std::string> names;
    std::string error;
    if (!FolderEntries(folder, &names, &error))
        return; // nothing to tidy where nothing can be read
    const unsigned long self = ThisProcessId();
    for (const std::string& name : names) {
        unsigned long owner = 0;
        const std::string path = folder + name;
        if (OwnerOf(name, &owner) && owner != self && !ProcessRunning(owner) && !IsFolder(path.c_str()))
            std::remove(path.c_str());
    }
}

}

TemporaryFile::TemporaryFile(const std::string& suffix)
{
    const std::string folder = TemporaryFolder();
    if (folder.empty())
        return;
    RemoveFilesOfEndedRuns(folder);
    // A name no other run picks: this process's id (which also tells a
    // later run whether the file's owner still runs), the time and a count.
    // (No random device: the old systems' C runtime lacks the call.)
    const auto now = uint64_t(std::chrono::system_clock::now().time_since_epoch().count());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string path = folder + kPrefix + std::to_string(ThisProcessId()) + "-" +
                                 std::to_string(now % 1000000007) + "-" + std::to_string(++s_nCount) + suffix;
        if (!Exists(path)) {
            m_path = path;
            return;
        }
    }
}

TemporaryFile::~TemporaryFile()
{
    if (!m_path.empty())
        std::remove(m_path.c_str());
}
