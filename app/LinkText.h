#pragma once
// The texts behind a link that will not open: the command line of the
// program registered for web pages, and the message for the shell's code.

#include <optional>
#include <string>

// Room for a command line with its target, terminating NUL included.
constexpr size_t kCommandLineRoom = 520;
// Room for a registry value read back, terminating NUL included.
constexpr size_t kRegistryValueRoom = 260;

// The registered command with its "%1" placeholder cut off (a quoted one
// from its opening quote, taking the switches after it too), then a blank
// and the target. Nothing when the result would not fit its room.
std::optional<std::string> CommandLineForTarget(const std::string& registered, const std::string& target);

// "Can't open link:" and an empty line, then what the code means.
std::string LaunchErrorText(int code);
