#pragma once
// JSON for scripts: strings as valid UTF-8, properly escaped, whatever bytes
// a song's name or a file's path holds.

#include <cstdint>
#include <string>
#include <vector>

// The text quoted and escaped. Text that is not UTF-8 is read as the
// program's own text (the code page on Windows, Windows-1252 elsewhere).
std::string JsonString(const std::string& text);
std::string JsonNumber(long long value);
// A number with `places` decimals, "-4.5".
std::string JsonDecimal(double value, int places);
std::string JsonBool(bool value);
inline const char* const kJsonNull = "null";

// {"a": 1, "b": "x"} from keys and values already in JSON.
class JsonObject {
public:
    JsonObject& Add(const std::string& key, const std::string& json);
    std::string Text() const;
    // Each member on a line of its own.
    std::string TextLines() const;

private:
    std::vector<std::pair<std::string, std::string>> m_members;
};

// [ ... ] of values already in JSON, one a line when `lines`.
std::string JsonArray(const std::vector<std::string>& values, bool lines);
