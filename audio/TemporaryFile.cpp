#include "audio/TemporaryFile.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <random>

namespace {
std::atomic<unsigned> s_nCount{0};
}

TemporaryFile::TemporaryFile(const std::string& suffix)
{
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(error);
    if (error)
        return;
    // A name no other run picks: the time, a random number and a count.
    std::random_device random;
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = "mellifon-" + std::to_string(now % 1000000007) + "-" + std::to_string(random() % 1000000) +
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
