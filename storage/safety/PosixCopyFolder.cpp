// The copy folder on Unix: fsync before the rename, and of the folder after
// it, so the new name survives a power cut too.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "storage/safety/CopyFolder.h"

namespace {

std::string Reason(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

bool WriteAll(int fd, const std::vector<uint8_t>& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += size_t(written);
    }
    return true;
}

bool MakeFolders(const std::string& path)
{
    for (size_t cut = path.find('/', 1); ; cut = path.find('/', cut + 1)) {
        const std::string part = path.substr(0, cut);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (cut == std::string::npos)
            return true;
    }
}

class PosixCopyFolder : public CopyFolder {
public:
    explicit PosixCopyFolder(std::string path) : m_path(std::move(path)) {}

    std::string Path() const override { return m_path; }

    bool WriteDurably(const std::string& name, const std::vector<uint8_t>& bytes, std::string* error) override
    {
        const std::string final = m_path + "/" + name;
        const std::string temporary = final + ".tmp";
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0) {
            *error = Reason(temporary);
            return false;
        }
        const bool written = WriteAll(fd, bytes) && ::fsync(fd) == 0;
        const std::string problem = written ? "" : Reason(temporary);
        if (::close(fd) != 0 || !written) {
            *error = written ? Reason(temporary) : problem;
            ::unlink(temporary.c_str());
            return false;
        }
        if (::rename(temporary.c_str(), final.c_str()) != 0) {
            *error = Reason(final);
            ::unlink(temporary.c_str());
            return false;
        }
        const int folder = ::open(m_path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder >= 0) {
            ::fsync(folder);
            ::close(folder);
        }
        return true;
    }

    std::vector<std::string> Names() override
    {
        std::vector<std::string> names;
        if (DIR* folder = ::opendir(m_path.c_str())) {
            while (const dirent* entry = ::readdir(folder))
                if (entry->d_name[0] != '.')
                    names.push_back(entry->d_name);
            ::closedir(folder);
        }
        return names;
    }

    bool Read(const std::string& name, std::vector<uint8_t>* bytes) override
    {
        const int fd = ::open((m_path + "/" + name).c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return false;
        bytes->clear();
        uint8_t chunk[65536];
        ssize_t got = 0;
        while ((got = ::read(fd, chunk, sizeof chunk)) > 0 || (got < 0 && errno == EINTR))
            if (got > 0)
                bytes->insert(bytes->end(), chunk, chunk + got);
        ::close(fd);
        return got == 0;
    }

    bool Remove(const std::string& name) override { return ::unlink((m_path + "/" + name).c_str()) == 0; }

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
    return std::make_unique<PosixCopyFolder>(path);
}

std::string UserCopyFolderPath()
{
    const char* data = std::getenv("XDG_DATA_HOME");
    std::string base;
    if (data && *data) {
        base = data;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home && *home ? home : ".") + "/.local/share";
    }
    return base + "/mellifon/directory-copies";
}
