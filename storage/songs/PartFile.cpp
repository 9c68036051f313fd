#include "storage/songs/PartFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

#include "files/FileSize.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

// Opens a new file for writing; null when one of that name is there already.
std::FILE* CreateNew(const std::string& path)
{
#ifdef _WIN32
    const int descriptor = _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (descriptor < 0)
        return nullptr;
    std::FILE* file = _fdopen(descriptor, "wb");
    if (!file)
        _close(descriptor);
#else
    const int descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
    if (descriptor < 0)
        return nullptr;
    std::FILE* file = fdopen(descriptor, "wb");
    if (!file)
        close(descriptor);
#endif
    return file;
}

}

PartFile::~PartFile()
{
    if (m_pFile)
        std::fclose(m_pFile);
    if (!m_path.empty())
        std::remove(m_path.c_str());
}

bool PartFile::Create(const std::string& path)
{
    for (int number = 1; number < 100; ++number) {
        const std::string part = path + (number == 1 ? "" : "." + std::to_string(number)) + ".part";
        m_pFile = CreateNew(part);
        if (m_pFile) {
            m_path = part;
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

bool PartFile::Close()
{
    std::FILE* file = m_pFile;
    m_pFile = nullptr;
    return file && std::fclose(file) == 0;
}

bool PartFile::TakeName(const std::string& path, bool replace)
{
    if (m_path.empty() || m_pFile)
        return false;
    // Only a plain file is ever replaced: a device or a folder of that name
    // is no earlier download.
    if (PathExists(path.c_str()) && !IsRegularFile(path.c_str()))
        return false;
#ifdef _WIN32
    // Windows renames over no file at all.
    if (std::rename(m_path.c_str(), path.c_str()) == 0) {
        m_path.clear();
        return true;
    }
    if (!replace || !PathExists(path.c_str()))
        return false;
    // The old file steps aside, and comes back when the new one cannot take
    // its place.
    std::string aside;
    for (int number = 1; number < 100 && aside.empty(); ++number)
        if (!PathExists((path + "." + std::to_string(number) + ".old").c_str()))
            aside = path + "." + std::to_string(number) + ".old";
    if (aside.empty() || std::rename(path.c_str(), aside.c_str()) != 0)
        return false;
    if (std::rename(m_path.c_str(), path.c_str()) != 0) {
        std::rename(aside.c_str(), path.c_str());
        return false;
    }
    std::remove(aside.c_str());
#else
    if (replace) {
        if (std::rename(m_path.c_str(), path.c_str()) != 0)
            return false;
    } else if (link(m_path.c_str(), path.c_str()) == 0) {
        unlink(m_path.c_str()); // the song has its name; this one is only a second
    } else if (errno == EEXIST) {
        return false;
    } else if (PathExists(path.c_str()) || std::rename(m_path.c_str(), path.c_str()) != 0) {
        // A file system without hard links (FAT) gets a look before the rename.
        return false;
    }
#endif
    m_path.clear();
    return true;
}
