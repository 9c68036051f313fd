#pragma once
// The check of the directory in the link's image: every rule of the format
// it breaks, then every way its chains disagree with Rio's memory, where
// each block's first page records the block before it and the block after
// it. It reads, and changes nothing.

#include <string>
#include <vector>

class DeviceLink;

// Empty when the directory is sound.
std::vector<std::string> CheckDirectory(DeviceLink& link);
