#pragma once
// Playlists as M3U files write them: one path a line, plain or extended
// (#EXTM3U, with #EXTINF lines before the paths), in a .m3u8 file in UTF-8
// and in a .m3u file in the code page of the system that wrote it; and as
// PLS files do (File1= to FileN=, in UTF-8 when they read as UTF-8, else in
// the code page); and as XSPF files do (XML, playlist/XspfPlaylist.h). A path
// that is not absolute is taken against the list's own folder.

#include <string>
#include <vector>

class PlaylistText;

// Whether the path names a playlist: it ends in .m3u, .m3u8, .pls or .xspf, in any case.
bool IsPlaylistPath(const std::string& path);

// The paths the list at `path` holds, in order; false with the reason when
// the list cannot be read. A file:// address becomes its path; any other
// address is kept as it stands (and is no file to open).
bool ReadPlaylist(const std::string& path, const PlaylistText& text, std::vector<std::string>* paths,
                  std::string* error);

// "http://..." and the like: no file on this PC.
bool IsWebAddress(const std::string& line);
