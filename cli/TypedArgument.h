#pragma once
// On Windows the C runtime hands the program its command line in the code
// page, where a character the code page lacks becomes '?' or a look-alike.

#include <string>

// The command-line argument that reads `given` in the code page, as it was
// typed, in UTF-8, when the code page lost characters of it; empty when it
// lost none, and always on other systems.
std::string ArgumentAsTyped(const std::string& given);
