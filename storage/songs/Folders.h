#pragma once
// Folders on the PC, without the C++ library's file-system functions: on
// 32-bit Windows those import _wstat64, which Windows 2000's msvcrt.dll lacks.

#include <string>

// Creates a folder and every missing folder above it; true when it is
// there. On failure *error names the folder that could not be made, and why.
bool MakeFolders(const std::string& path, std::string* error);

// The folder part of a path ("" for a bare name).
std::string ParentFolder(const std::string& path);
