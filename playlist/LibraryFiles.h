#pragma once
// A music library as the files a fill may choose from: the files named as
// audio in folders (and their folders), and the files playlists list, each
// with only what the file system says of it, so that a library of ten
// thousand files is read in a moment; the files chosen are examined later.

#include <cstdint>
#include <string>
#include <vector>

class PlaylistText;

struct LibraryFile {
    std::string path;
    std::string folder; // its album, for a fill by albums
    uint64_t size = 0;
    int64_t modified = 0; // seconds since 1970
};

struct Library {
    std::vector<LibraryFile> files; // each once, in the order found
    std::vector<std::string> problems; // folders and lists that could not be read
};

Library ListLibrary(const std::vector<std::string>& sources, const PlaylistText& text);
