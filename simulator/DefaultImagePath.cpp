#include "simulator/DefaultImagePath.h"

#include <cstdlib>

#include "files/Folders.h"

namespace {

std::string Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

#ifndef _WIN32
std::string UnixDataHome()
{
    std::string data = Environment("XDG_DATA_HOME");
    if (!data.empty())
        return data;
    std::string home = Environment("HOME");
    return (home.empty() ? std::string(".") : home) + "/.local/share";
}
#endif

#ifdef _WIN32
// Wine names the Unix home as "\??\Z:\home\user"; Unix paths are on drive Z:.
std::string WineDataHome(const std::string& wineHome)
{
    std::string data = Environment("XDG_DATA_HOME");
    if (!data.empty())
        return "Z:" + data;
    std::string home = wineHome;
    if (home.rfind("\\??\\", 0) == 0)
        home.erase(0, 4);
    return home + "\\.local\\share";
}
#endif

}

std::string DefaultPlayerImagePath()
{
#ifdef _WIN32
    const std::string wineHome = Environment("WINEHOMEDIR");
    if (!wineHome.empty())
        return WineDataHome(wineHome) + "\\mellifon\\player.img";
    std::string local = Environment("LOCALAPPDATA");
    return (local.empty() ? std::string(".") : local) + "\\mellifon\\player.img";
#else
    return UnixDataHome() + "/mellifon/player.img";
#endif
}

bool MakeImageFolder(const std::string& imagePath, std::string* error)
{
    return MakeFolders(ParentFolder(imagePath), error);
}
