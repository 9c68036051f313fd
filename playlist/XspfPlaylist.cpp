#include "playlist/XspfPlaylist.h"

#include <expat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "files/FilePtr.h"

namespace {

struct ParserFree {
    void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};
using ParserPtr = std::unique_ptr<std::remove_pointer_t<XML_Parser>, ParserFree>;

constexpr size_t kMostTracks = 300000;
constexpr size_t kLongestLocation = 32 * 1024;
// Element names come as "namespace\nname": lists with and without XSPF's
// namespace read alike.
constexpr char kSeparator = '\n';

// Where the parse stands: the path of elements from <playlist> down.
struct XspfReader {
    std::vector<std::string> open;
    std::vector<std::string>* locations = nullptr;
    std::string location;   // the text of the <location> being read
    bool trackHasLocation = false;
    std::string problem;
    XML_Parser parser = nullptr;

    bool In(const char* a, const char* b, const char* c) const
    {
        const size_t n = open.size();
        return n == 4 && open[0] == "playlist" && open[1] == a && open[2] == b && open[3] == c;
    }
    void Stop(const std::string& why)
    {
        if (problem.empty())
            problem = why;
        XML_StopParser(parser, XML_FALSE);
    }
};

std::string LocalName(const XML_Char* name)
{
    const char* separator = std::strrchr(name, kSeparator);
    return separator ? separator + 1 : name;
}

void XMLCALL StartElement(void* data, const XML_Char* name, const XML_Char**)
{
    auto* reader = static_cast<XspfReader*>(data);
    reader->open.push_back(LocalName(name));
    if (reader->open.size() == 1) {
        if (reader->open[0] != "playlist")
            reader->Stop("not an XSPF playlist (its first element is <" + reader->open[0] + ">)");
    }
    if (reader->open.size() == 3 && reader->open[1] == "trackList" && reader->open[2] == "track")
        reader->trackHasLocation = false;
    if (reader->In("trackList", "track", "location"))
        reader->location.clear();
}

void XMLCALL EndElement(void* data, const XML_Char*)
{
    auto* reader = static_cast<XspfReader*>(data);
    // A track may give several locations, the same song in other places: the first is its own.
    if (reader->In("trackList", "track", "location") && !reader->trackHasLocation) {
        reader->trackHasLocation = true;
        size_t start = reader->location.find_first_not_of(" \t\r\n");
        size_t end = reader->location.find_last_not_of(" \t\r\n");
        if (start != std::string::npos) {
            if (reader->locations->size() >= kMostTracks)
                reader->Stop("more than " + std::to_string(kMostTracks) + " tracks; not a playlist");
            else
                reader->locations->push_back(reader->location.substr(start, end - start + 1));
        }
    }
    reader->open.pop_back();
}

void XMLCALL Text(void* data, const XML_Char* text, int length)
{
    auto* reader = static_cast<XspfReader*>(data);
    if (!reader->In("trackList", "track", "location"))
        return;
    if (reader->location.size() + size_t(length) > kLongestLocation)
        reader->Stop("a location longer than " + std::to_string(kLongestLocation) + " bytes; not a playlist");
    else
        reader->location.append(text, size_t(length));
}

}

bool ReadXspfLocations(const std::string& path, std::vector<std::string>* locations, std::string* error)
{
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        *error = path + ": " + std::strerror(errno);
        return false;
    }
    ParserPtr parser(XML_ParserCreateNS(nullptr, kSeparator));
    if (!parser) {
        *error = path + ": out of memory";
        return false;
    }
    XspfReader reader;
    reader.locations = locations;
    reader.parser = parser.get();
    XML_SetUserData(parser.get(), &reader);
    XML_SetElementHandler(parser.get(), StartElement, EndElement);
    XML_SetCharacterDataHandler(parser.get(), Text);
    char buffer[64 * 1024];
    for (;;) {
        const size_t got = std::fread(buffer, 1, sizeof buffer, file.get());
        if (std::ferror(file.get())) {
            *error = path + ": " + std::strerror(errno);
            return false;
        }
        const bool last = got < sizeof buffer;
        if (XML_Parse(parser.get(), buffer, int(got), last) != XML_STATUS_OK) {
            *error = path + ": " +
                     (!reader.problem.empty()
                          ? reader.problem
                          : "not a playlist Mellifon can read (line " +
                                std::to_string(XML_GetCurrentLineNumber(parser.get())) + ": " +
                                XML_ErrorString(XML_GetErrorCode(parser.get())) + ")");
            return false;
        }
        if (last)
            break;
    }
    return true;
}

std::string XmlLibraryVersion()
{
    const XML_Expat_Version version = XML_ExpatVersionInfo();
    return "expat " + std::to_string(version.major) + "." + std::to_string(version.minor) + "." +
           std::to_string(version.micro);
}
