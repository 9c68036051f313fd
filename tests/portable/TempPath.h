#pragma once
// A file name in the temporary directory, removed when the test ends.

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

class TempPath {
public:
    // The process's number keeps test runs that share the machine apart.
    explicit TempPath(const std::string& stem)
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
#ifdef _WIN32
        const int process = _getpid();
#else
        const int process = int(getpid());
#endif
        std::string name = "mellifon-" + stem + "-" + (info ? info->name() : "x") + "-" + std::to_string(process);
        m_path = std::filesystem::temp_directory_path() / name;
        std::filesystem::remove_all(m_path);
    }
    ~TempPath()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    std::string String() const { return m_path.string(); }
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};
