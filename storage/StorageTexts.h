#pragma once
// The storage operations' own texts, as the user sees them.

inline constexpr const char* kNewFailed = "new failed\n";
inline constexpr const char* kNotConnected = "Rio is not connected to your computer.\nPlease connect Rio.";
inline constexpr const char* kInvalidChecksum = "Invalid checksum of directory.\nInitializing is recommended.";
inline constexpr const char* kErrorReadingProperties = "error reading properties from file \n";
inline constexpr const char* kFileTooSmall = "File to small\n";
inline constexpr const char* kNotEnoughMemory = "not enough memory on device to upload the file\n";
inline constexpr const char* kNoFreeFirstBlock = "no free 32K blocks available, initialization recommended\n";
inline constexpr const char* kNoFreeNextBlock = "no free 32K blocks available, Initialization recommended\n";
inline constexpr const char* kErrorReadingFile = "error reading from file \n";
