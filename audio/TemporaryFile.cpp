#include "audio/TemporaryFile.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "storage/songs/FileSize.h"

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

}

TemporaryFile::TemporaryFile(const std::string& suffix)
{
    const std::string folder = TemporaryFolder();
    if (folder.empty())
        return;
    // A name no other run picks: the time, where this run's stack lies, and
    // a count. (No random device: the old systems' C runtime lacks the call.)
    const auto now = uint64_t(std::chrono::system_clock::now().time_since_epoch().count());
    const auto stack = uint64_t(reinterpret_cast<uintptr_t>(&folder) >> 4);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string path = folder + "mellifon-" + std::to_string(now % 1000000007) + "-" +
                                 std::to_string(stack % 1000003) + "-" + std::to_string(++s_nCount) + suffix;
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
