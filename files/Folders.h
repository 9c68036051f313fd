#pragma once
// Folders on the PC, without the C++ library's file-system functions: on
// 32-bit Windows those import _wstat64, which Windows 2000's msvcrt.dll lacks.

#include <string>
#include <vector>

// Creates a folder and every missing folder above it; true when it is
// there. On failure *error names the folder that could not be made, and why.
// `made`, if given, gets the folders it made, innermost first.
bool MakeFolders(const std::string& path, std::string* error, std::vector<std::string>* made = nullptr);

// Removes a folder that holds nothing; false when it holds anything or is gone.
bool RemoveEmptyFolder(const std::string& path);

// The folder part of a path ("" for a bare name).
std::string ParentFolder(const std::string& path);

// The names in a folder, "." and ".." left out, in no particular order;
// false with the reason when the folder cannot be read.
bool FolderEntries(const std::string& path, std::vector<std::string>* names, std::string* error);

// `name` inside `folder` (as given: "" is the current folder).
std::string InFolder(const std::string& folder, const std::string& name);

// A path that does not depend on the current folder: "/a", and on Windows
// "C:\a" and "\\server\share".
bool IsAbsolutePath(const std::string& path);
