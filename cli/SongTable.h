#pragma once
// The song list as text: a header line, a line a song with the columns in
// the order the window shows them, then the four status texts; and the same
// for scripts, tab-separated or as JSON, with plain numbers.

#include <string>

#include "commands/SongListContent.h"

class DirectoryImage;
class SongNameText;

std::string FormatSongTable(const SongListContent& content);

// The table's columns and status texts, one tab between fields: sizes in
// bytes, bit rates in kbit/s and sample rates in Hz without units or
// separators, upload dates in ISO 8601 (UTC). Names as `names` shows them.
std::string FormatSongTsv(DirectoryImage& image, const SongNameText& names);

// One object: "songs", each with its number, name, size in bytes, duration
// in milliseconds, format, bit rate, sample rate, upload date (ISO 8601,
// UTC) and whether the player plays it; "memory", the status bar's figures
// in bytes; "damaged", whether the directory is; "shown_from_copy", whether
// the songs are those of the copy a damaged directory is to be repaired from,
// not yet written back to the player. UTF-8.
std::string FormatSongJson(const DirectoryImage& image, bool damaged, bool fromCopy = false);
