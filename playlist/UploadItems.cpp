#include "playlist/UploadItems.h"

#include <algorithm>
#include <climits>
#include <iterator>

#include "link/DeviceLink.h"
#include "playlist/Playlist.h"
#include "files/FileSize.h"
#include "files/Folders.h"

namespace {

// Lists that name lists (or themselves) end here, and folders within
// folders (a link back to a folder above would go on for ever).
constexpr int kDeepestList = 8;
constexpr int kDeepestFolder = 16;

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Names that say a file holds a song. A folder's file so named that holds
// no audio (empty, damaged, or of a kind this build cannot convert) is a
// song of the list that cannot be read, not a cover picture: it stays, so
// that the plan refuses it with the reason and a sync keeps its song.
bool NamedAsAudioFile(const std::string& name)
{
    static const char* const kExtensions[] = {"mp1", "mp2", "mp3", "mpa", "mpg", "mpga", "flac", "ogg", "oga",
                                              "opus", "m4a", "m4b", "mp4", "aac", "wma", "wav", "wave", "aif",
                                              "aiff", "aifc", "ape", "wv", "mpc", "ac3", "mka", "au"};
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return false;
    std::string extension = name.substr(dot + 1);
    for (char& c : extension)
        c = Lower(c);
    return std::find(std::begin(kExtensions), std::end(kExtensions), extension) != std::end(kExtensions);
}

class Expansion {
public:
    explicit Expansion(const PlaylistText& text) : m_text(text) {}

    void Item(const std::string& path, int depth)
    {
        if (IsWebAddress(path)) {
            m_items.notes.push_back(path + ": a web address, not a file on this PC; left out");
        } else if (IsFolder(path.c_str())) {
            Folder(path, 0);
        } else if (IsPlaylistPath(path)) {
            List(path, depth);
        } else {
            m_items.files.push_back(ExamineAudioFile(path));
        }
    }

    UploadItems Result() { return std::move(m_items); }

private:
    void List(const std::string& path, int depth)
    {
        if (depth >= kDeepestList) {
            m_items.problems.push_back(path + ": playlists within playlists " + std::to_string(kDeepestList) +
                                    " deep; left out");
            return;
        }
        std::vector<std::string> paths;
        std::string error;
        if (!ReadPlaylist(path, m_text, &paths, &error)) {
            m_items.problems.push_back(error);
            return;
        }
        if (paths.empty())
            m_items.notes.push_back(path + ": the playlist lists no files");
        for (const std::string& listed : paths)
            Item(listed, depth + 1);
    }

    void Folder(const std::string& path, int depth)
    {
        if (depth >= kDeepestFolder) {
            m_items.problems.push_back(path + ": folders within folders " + std::to_string(kDeepestFolder) +
                                    " deep; left out");
            return;
        }
        std::vector<std::string> names;
        std::string error;
        if (!FolderEntries(path, &names, &error)) {
            m_items.problems.push_back(error);
            return;
        }
        std::vector<AudioFileFacts> audio;
        std::vector<std::string> folders;
        for (const std::string& name : names) {
            if (name.empty() || name[0] == '.')
                continue; // hidden, as the system's own files are
            const std::string inside = InFolder(path, name);
            if (IsFolder(inside.c_str())) {
                folders.push_back(inside);
                continue;
            }
            AudioFileFacts facts = ExamineAudioFile(inside);
            if (facts.kind == AudioKind::PlayerPlays || facts.kind == AudioKind::Convertible || NamedAsAudioFile(name))
                audio.push_back(std::move(facts));
            else if (!IsPlaylistPath(name))
                m_items.notes.push_back(inside + ": left out, " + facts.problem);
        }
        std::sort(audio.begin(), audio.end(), TrackOrderBefore);
        std::sort(folders.begin(), folders.end(), NameOrderBefore);
        for (AudioFileFacts& facts : audio)
            m_items.files.push_back(std::move(facts));
        for (const std::string& folder : folders)
            Folder(folder, depth + 1);
    }

    const PlaylistText& m_text;
    UploadItems m_items;
};

}

bool NamedAsAudio(const std::string& name)
{
    return NamedAsAudioFile(name);
}

bool TrackOrderBefore(const AudioFileFacts& a, const AudioFileFacts& b)
{
    const auto key = [](const AudioFileFacts& f) {
        return std::make_pair(f.tags.track > 0 ? f.tags.disc : INT_MAX, f.tags.track > 0 ? f.tags.track : INT_MAX);
    };
    if (key(a) != key(b))
        return key(a) < key(b);
    return NameOrderBefore(DeviceLink::BaseName(a.path), DeviceLink::BaseName(b.path));
}

bool NameOrderBefore(const std::string& a, const std::string& b)
{
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            // Numbers by value: leading zeros aside, the longer is larger.
            while (i < a.size() && a[i] == '0')
                ++i;
            while (j < b.size() && b[j] == '0')
                ++j;
            size_t ei = i, ej = j;
            while (ei < a.size() && IsDigit(a[ei]))
                ++ei;
            while (ej < b.size() && IsDigit(b[ej]))
                ++ej;
            if (ei - i != ej - j)
                return ei - i < ej - j;
            const int order = a.compare(i, ei - i, b, j, ej - j);
            if (order != 0)
                return order < 0;
            i = ei;
            j = ej;
            continue;
        }
        const char ca = Lower(a[i]), cb = Lower(b[j]);
        if (ca != cb)
            return static_cast<unsigned char>(ca) < static_cast<unsigned char>(cb);
        ++i;
        ++j;
    }
    if (a.size() - i != b.size() - j)
        return a.size() - i < b.size() - j;
    return a < b; // alike but for case or zeros: still one order
}

UploadItems ExpandUploadItems(const std::vector<std::string>& items, const PlaylistText& text)
{
    Expansion expansion(text);
    for (const std::string& item : items)
        expansion.Item(item, 0);
    return expansion.Result();
}
