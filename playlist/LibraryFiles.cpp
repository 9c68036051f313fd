#include "playlist/LibraryFiles.h"

#include <algorithm>
#include <set>

#include "files/FileSize.h"
#include "files/Folders.h"
#include "playlist/Playlist.h"
#include "playlist/UploadItems.h"

namespace {

// As deep as an upload goes.
constexpr int kDeepest = 16;

class Listing {
public:
    explicit Listing(const PlaylistText& text) : m_text(text) {}

    void Source(const std::string& path)
    {
        PathFacts facts;
        if (!StatPath(path.c_str(), &facts))
            m_library.problems.push_back(path + ": not found");
        else if (facts.folder)
            Folder(path, 0);
        else if (IsPlaylistPath(path))
            List(path);
        else
            File(path, facts);
    }

    Library Result() { return std::move(m_library); }

private:
    void File(const std::string& path, const PathFacts& facts)
    {
        if (!facts.regular || !m_seen.insert(path).second)
            return;
        m_library.files.push_back({path, ParentFolder(path), facts.size, facts.modified});
    }

    void List(const std::string& path)
    {
        std::vector<std::string> paths;
        std::string error;
        if (!ReadPlaylist(path, m_text, &paths, &error)) {
            m_library.problems.push_back(error);
            return;
        }
        for (const std::string& listed : paths) {
            PathFacts facts;
            if (IsWebAddress(listed) || !StatPath(listed.c_str(), &facts) || facts.folder)
                continue; // a fill chooses among files: what is not one is passed over
            File(listed, facts);
        }
    }

    void Folder(const std::string& path, int depth)
    {
        std::vector<std::string> names;
        std::string error;
        if (depth >= kDeepest || !FolderEntries(path, &names, &error)) {
            m_library.problems.push_back(depth >= kDeepest ? path + ": folders too deep; left out" : error);
            return;
        }
        std::sort(names.begin(), names.end(), NameOrderBefore);
        for (const std::string& name : names) {
            if (name.empty() || name[0] == '.')
                continue; // hidden, as the system's own files are
            const std::string inside = InFolder(path, name);
            PathFacts facts;
            if (!StatPath(inside.c_str(), &facts))
                continue;
            if (facts.folder)
                Folder(inside, depth + 1);
            else if (NamedAsAudio(name))
                File(inside, facts);
        }
    }

    const PlaylistText& m_text;
    Library m_library;
    std::set<std::string> m_seen;
};

}

Library ListLibrary(const std::vector<std::string>& sources, const PlaylistText& text)
{
    Listing listing(text);
    for (const std::string& source : sources)
        listing.Source(source);
    return listing.Result();
}
