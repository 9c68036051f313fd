#pragma once
// XSPF playlists (.xspf): XML whose <trackList> holds a <track> for each
// song, its <location> an address (file:///..., or one relative to the list).

#include <string>
#include <vector>

// The first location of each track of the list at `path`, in order, as the
// list writes them (UTF-8, still percent-encoded); false with the reason
// when the file is no XSPF list or cannot be read.
bool ReadXspfLocations(const std::string& path, std::vector<std::string>* locations, std::string* error);


// "expat 2.5.0": the XML parser that reads them, as this program runs with it.
std::string XmlLibraryVersion();
