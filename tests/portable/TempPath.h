#pragma once
// A file name in the temporary directory, removed when the test ends.

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

class TempPath {
public:
    explicit TempPath(const std::string& stem)
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = "mellifon-" + stem + "-" + (info ? info->name() : "x");
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
