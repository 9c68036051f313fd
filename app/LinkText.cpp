#include "app/LinkText.h"

std::optional<std::string> CommandLineForTarget(const std::string& registered, const std::string& target)
{
    std::string command = registered;
    const size_t quoted = command.find("\"%1\"");
    if (quoted != std::string::npos) {
        command.erase(quoted);
    } else {
        const size_t bare = command.find("%1");
        if (bare != std::string::npos)
            command.erase(bare);
    }
    command += " " + target;
    if (command.size() + 1 > kCommandLineRoom)
        return std::nullopt;
    return command;
}

std::string LaunchErrorText(int code)
{
    const char* text = nullptr;
    switch (code) {
    case 0: text = "The operating system is out\nof memory or resources."; break;
    case 2: text = "The specified file was not found."; break;
    case 3: text = "The specified path was not found."; break;
    case 5: text = "The operating system denied\naccess to the specified file."; break;
    case 8: text = "There was not enough memory to complete the operation."; break;
    case 11: text = "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."; break;
    case 26: text = "A sharing violation occurred. "; break;
    case 27: text = "The filename association is\nincomplete or invalid."; break;
    case 28: text = "The DDE transaction could not\nbe completed because the request timed out."; break;
    case 29: text = "The DDE transaction failed."; break;
    case 30:
        text = "The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed.";
        break;
    case 31: text = "There is no application associated\nwith the given filename extension."; break;
    case 32: text = "The specified dynamic-link library was not found."; break;
    default: break;
    }
    const std::string reason = text ? text : "Unknown Error (" + std::to_string(code) + ") occurred.";
    return "Can't open link:\n\n" + reason;
}
