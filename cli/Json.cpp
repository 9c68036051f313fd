#include "cli/Json.h"

#include <cmath>
#include <cstdio>

#include "format/SongName.h"
#ifdef _WIN32
#include "format/CodePageSongNames.h"
#endif

namespace {

std::string AsUtf8(const std::string& text)
{
    if (IsUtf8(text))
        return text;
#ifdef _WIN32
    return Utf8FromCodePage(text, 0);
#else
    return Utf8FromWindows1252(text);
#endif
}

}

std::string JsonString(const std::string& text)
{
    std::string json = "\"";
    for (char c : AsUtf8(text)) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (c == '\n') {
            json += "\\n";
        } else if (c == '\t') {
            json += "\\t";
        } else if (u < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", u);
            json += escape;
        } else {
            json += c;
        }
    }
    return json + "\"";
}

std::string JsonDecimal(double value, int places)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", places, std::isfinite(value) ? value : 0.0);
    return text;
}

std::string JsonNumber(long long value)
{
    return std::to_string(value);
}

std::string JsonBool(bool value)
{
    return value ? "true" : "false";
}

JsonObject& JsonObject::Add(const std::string& key, const std::string& json)
{
    m_members.emplace_back(key, json);
    return *this;
}

std::string JsonObject::Text() const
{
    std::string text = "{";
    for (size_t i = 0; i < m_members.size(); ++i)
        text += (i ? ", " : "") + JsonString(m_members[i].first) + ": " + m_members[i].second;
    return text + "}";
}

std::string JsonObject::TextLines() const
{
    std::string text = "{";
    for (size_t i = 0; i < m_members.size(); ++i)
        text += (i ? ",\n  " : "\n  ") + JsonString(m_members[i].first) + ": " + m_members[i].second;
    return text + "\n}\n";
}

std::string JsonArray(const std::vector<std::string>& values, bool lines)
{
    if (values.empty())
        return "[]";
    std::string text = "[";
    for (size_t i = 0; i < values.size(); ++i)
        text += (i ? "," : "") + std::string(lines ? "\n    " : "") + values[i];
    return text + (lines ? "\n  ]" : "]");
}
