#include "settings/FileProfile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

std::vector<std::string> ReadLines(const std::string& path)
{
    std::vector<std::string> lines;
    std::ifstream file(path);
    for (std::string line; std::getline(file, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

bool IsSection(const std::string& line, std::string* name)
{
    if (line.size() < 2 || line.front() != '[' || line.back() != ']')
        return false;
    *name = line.substr(1, line.size() - 2);
    return true;
}

// Values are one line each: a line break would start a new entry.
std::string OneLine(std::string value)
{
    for (char& c : value)
        if (c == '\n' || c == '\r')
            c = ' ';
    return value;
}

}

std::string FileProfile::GetProfileString(const std::string& section, const std::string& entry)
{
    std::string current;
    for (const std::string& line : ReadLines(m_path)) {
        std::string name;
        if (IsSection(line, &name)) {
            current = name;
            continue;
        }
        if (current == section && line.size() > entry.size() && line.compare(0, entry.size(), entry) == 0 &&
            line[entry.size()] == '=')
            return line.substr(entry.size() + 1);
    }
    return "";
}

void FileProfile::WriteProfileString(const std::string& section, const std::string& entry, const std::string& value)
{
    std::vector<std::string> lines = ReadLines(m_path);
    const std::string setting = entry + "=" + OneLine(value);
    std::string current;
    bool inSection = false, written = false;
    size_t sectionEnd = 0;
    for (size_t i = 0; i < lines.size() && !written; ++i) {
        std::string name;
        if (IsSection(lines[i], &name)) {
            current = name;
            inSection = current == section;
            if (inSection)
                sectionEnd = i + 1;
            continue;
        }
        if (!inSection)
            continue;
        if (lines[i].compare(0, entry.size() + 1, entry + "=") == 0) {
            lines[i] = setting;
            written = true;
        } else if (!lines[i].empty()) {
            sectionEnd = i + 1;
        }
    }
    if (!written && sectionEnd > 0) {
        lines.insert(lines.begin() + std::ptrdiff_t(sectionEnd), setting);
    } else if (!written) {
        if (!lines.empty() && !lines.back().empty())
            lines.push_back("");
        lines.push_back("[" + section + "]");
        lines.push_back(setting);
    }

    m_writeError.clear();
    std::error_code code;
    const std::filesystem::path folder = std::filesystem::path(m_path).parent_path();
    if (!folder.empty())
        std::filesystem::create_directories(folder, code);
    const std::string temporary = m_path + ".new";
    std::ostringstream text;
    for (const std::string& line : lines)
        text << line << '\n';
    std::FILE* file = code ? nullptr : std::fopen(temporary.c_str(), "wb");
    const std::string bytes = text.str();
    bool ok = file && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const int error = code ? code.value() : errno;
    if (file)
        ok = std::fclose(file) == 0 && ok;
    // Replaces the old file on Windows too, where rename() would refuse.
    std::error_code renamed;
    if (ok)
        std::filesystem::rename(temporary, m_path, renamed);
    if (!ok || renamed) {
        m_writeError = m_path + ": " + (renamed ? renamed.message() : std::strerror(error ? error : errno));
        std::remove(temporary.c_str());
    }
}
