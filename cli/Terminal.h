#pragma once
// Whether a standard stream is a terminal (a person may be reading or
// typing), and text written so that the terminal shows it.

#include <cstdio>
#include <string>

bool IsTerminal(std::FILE* stream);

// The tool's text (UTF-8 on Linux, the code page on Windows) with control
// characters other than line ends and tabs shown as '?': a song's name must
// not steer the terminal. A Windows console gets the characters through the
// wide call, since it shows its own (OEM) code page, not the program's.
void WriteText(std::FILE* stream, const std::string& text);
