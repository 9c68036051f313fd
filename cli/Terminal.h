#pragma once
// Whether a standard stream is a terminal (a person may be reading or typing).

#include <cstdio>

bool IsTerminal(std::FILE* stream);
