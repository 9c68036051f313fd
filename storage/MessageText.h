#pragma once
// A message with one name put in at its %s.

#include <string>

inline std::string WithName(const char* text, const std::string& name)
{
    std::string message = text;
    const size_t at = message.find("%s");
    if (at != std::string::npos)
        message.replace(at, 2, name);
    return message;
}
