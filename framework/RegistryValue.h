#pragma once
// String values under HKEY_CURRENT_USER, where the application profile lives.

#include <string>

// The value, or defaultValue when the key or value is missing or not a string.
std::string ReadUserRegistryString(const std::string& keyPath, const char* entry, const char* defaultValue);
// Creates the key where needed.
bool WriteUserRegistryString(const std::string& keyPath, const char* entry, const char* value);
