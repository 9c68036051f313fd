#pragma once
// The song list as text: a header line, a line a song with the columns in
// the order the window shows them, then the four status texts.

#include <string>

#include "songlist/SongListContent.h"

std::string FormatSongTable(const SongListContent& content, bool tabSeparated);
