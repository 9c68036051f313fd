#pragma once
// Texts from the program's string table.

#include <windows.h>

#include <string>

// The whole string, or empty when there is none.
std::string LoadResourceString(UINT id);
// Field `index` of a string whose fields are separated by '\n'.
std::string ResourceStringField(UINT id, int index);
