#include "audio/TemporaryFile.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>

namespace {
std::atomic<unsigned> s_nCount{0};
}

TemporaryFile::TemporaryFile(const std::string& suffix)
{
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(error);
    if (error)
        return;
    // A name no other run picks: the time, where this run's stack lies, and
    // a count. (No random device: the old systems' C runtime lacks the call.)
    const auto now = uint64_t(std::chrono::system_clock::now().time_since_epoch().count());
    const auto stack = uint64_t(reinterpret_cast<uintptr_t>(&folder) >> 4);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = "mellifon-" + std::to_string(now % 1000000007) + "-" + std::to_string(stack % 1000003) +
                                 "-" + std::to_string(++s_nCount) + suffix;
        const std::filesystem::path path = folder / name;
        if (!std::filesystem::exists(path, error)) {
            m_path = path.string();
            return;
        }
    }
}

TemporaryFile::~TemporaryFile()
{
    if (m_path.empty())
        return;
    std::error_code ignored;
    std::filesystem::remove(m_path, ignored);
}
