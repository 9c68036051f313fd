#pragma once
// The file name a download creates from a song's name. The name comes from
// the player or from the user's typing, so it may hold anything; the file it
// names must always be a plain file inside the target folder.

#include <string>

// Path separators, drive colons, control characters and <>:"/\|?* become
// '_'; a device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, with or without an
// extension) gets a leading '_'; a name of nothing but dots, or nothing at
// all, becomes "song" and the song's number. A plain file name is kept.
std::string DownloadFileName(const std::string& songName, int songNumber);

// "song (2).mp3" for `number` 2: the number before the extension, so that a
// download beside a file of the same name keeps both.
std::string NumberedFileName(const std::string& fileName, int number);
