#include "cli/CliArguments.h"

#include <algorithm>
#include <cstdlib>
#include <map>

#include "audio/Conversion.h"

namespace {

// What --help prints: the player's options, each command, then what the
// commands share.
const char* const kUsageLine = "usage: mellifon-cli [--flash IMAGE | --port PORT] ";
const char* const kUsageHead =
    "usage: mellifon-cli [--flash IMAGE | --port PORT] COMMAND [ARGS]\n"
    "  --help               this text; COMMAND --help: that command's alone.\n"
    "  --version            the program's version and those of the libraries it runs with.\n"
    "  --verbose            with each file refused or converted with damage, the words of the\n"
    "                       library that judged it (FFmpeg's).\n"
    "  --flash IMAGE        the simulated player whose flash is the file IMAGE;\n"
    "                       a missing file becomes a new, factory-fresh 32 MiB player.\n"
    "                       Default: $XDG_DATA_HOME/mellifon/player.img\n"
    "                       (~/.local/share/mellifon/player.img).\n"
    "  --flash-size MIB     the size of a new image, 1 to 32 MiB (16: a 16 MiB player);\n"
    "                       an existing image keeps its size and must match.\n"
    "  --port PORT          a real player on a parallel port instead:\n"
    "                       /dev/parportN  Linux's parallel-port device (the lp group may use it);\n"
    "                       0x378          a base address, with the processor's port\n"
    "                                      instructions (root on Linux; on Windows the\n"
    "                                      32-bit program with giveio.sys beside it);\n"
    "                       auto           the port that answered last time, then the\n"
    "                                      usual base addresses, as the window searches;\n"
    "                                      on Linux through the parallel-port devices.\n"
    "                       Ctrl+C stops after the current step; a directory save always\n"
    "                       completes, and the player is left out of link mode.\n";

struct CommandHelp {
    const char* command;
    const char* text; // its synopsis, two spaces, what it does; then its options
};

const CommandHelp kCommandHelp[] = {
    {"list",
     "  list [--tsv | --json]  the songs as the window lists them, then the status texts;\n"
     "                       --tsv: one tab between fields, plain numbers, ISO 8601 dates (UTC);\n"
     "                       --json: one JSON object (see README).\n"},
    {"upload",
     "  upload ITEM... [OPTIONS]  stores files in order. An item is a file, a folder (its audio\n"
     "                       files by track number, then by name) or a playlist (.m3u, .m3u8,\n"
     "                       .pls, .xspf). Each file is examined first: MPEG audio the player\n"
     "                       plays is stored byte for byte, other audio (FLAC, Ogg, Opus, M4A,\n"
     "                       WMA, WAV, AIFF, ...) is converted to MP3 at 128 kbps, 44100 Hz,\n"
     "                       and a file that is not audio is refused. A file the player holds\n"
     "                       already is left out. When the batch does not fit, nothing is\n"
     "                       stored (see --fit).\n"
     "    --bitrate N        convert at N kbps (32 to 320), and re-encode playable files above N.\n"
     "    --speech           mono at 64 kbps (or at --bitrate N).\n"
     "    --as-is            store every file unchanged; warns for each the player cannot play.\n"
     "    --strip-tags       store MP3s without their ID3 and APE tags and pictures.\n"
    "    --level            bring every song to one loudness (-18 LUFS): from its ReplayGain\n"
    "                       or R128 tags, else measured; converted songs get the gain in the\n"
    "                       conversion, MP3s stored as they are in their frames' global gain\n"
    "                       (1.5 dB steps, no re-encoding). No sample reaches full scale.\n"
     "    --name-from-tags   name songs \"Artist - Title\" from their tags, else after the\n"
     "                       file without its extension.\n"
     "    --duplicates       store files the player holds already once more.\n"
     "    --fit              when the batch does not fit, store those that fit, in order.\n"
     "    --dry-run          print the plan and change nothing.\n"
     "    --verify           read every block back and write it again if it differs.\n"},
    {"sync",
     "  sync ITEM... [--yes] [--dry-run [--json]] [--fit] [upload's conversion options]\n"
     "                       makes the player hold exactly the songs of a playlist or folder,\n"
     "                       in its order: songs it holds are kept and moved, the others\n"
     "                       uploaded, songs not on the list removed. Shows the plan and asks\n"
     "                       unless --yes; one undo takes it back. When the list does not\n"
     "                       fit, nothing changes unless --fit (the head of the list that fits).\n"},
    {"fill",
     "  fill SOURCE... [--random | --newest | --albums] [--keep] [--level] [--dry-run] [--yes]\n"
     "                       fills the player with songs chosen from a library: SOURCE is a\n"
     "                       folder (with its folders) or a playlist. By default the songs on\n"
     "                       the player are replaced by a choice that fills it; --keep keeps\n"
     "                       them and fills the free memory. Songs this PC put on this player\n"
     "                       in its recent fills come last, so each fill brings other music.\n"
     "                       A sync of the player with the choice: the plan first, one undo.\n"
     "    --random           songs by chance (the default).\n"
     "    --newest           the newest files first.\n"
     "    --albums           whole albums (a folder, in track order), albums by chance.\n"
     "    --keep             keep the songs on the player; fill its free memory.\n"
     "                       Also upload's --bitrate, --speech, --strip-tags, --name-from-tags,\n"
     "                       --level and --verify.\n"},
    {"download",
     "  download N... [--to DIR] [--overwrite]  writes songs N (the No. column) into DIR\n"
     "                       (default: the current directory); beside a file of the same\n"
     "                       name as \"name (2).mp3\", unless --overwrite.\n"},
    {"remove",
     "  remove N [--yes]     removes song N; asks first unless --yes.\n"},
    {"rename",
     "  rename N NAME        renames song N as the in-place edit does.\n"},
    {"move",
     "  move N M             song N becomes song M; the others keep their order.\n"},
    {"init",
     "  init [--yes]         initializes the player; asks first unless --yes.\n"},
    {"undo",
     "  undo [--yes]         takes back the last change (a removal, initialize, rename, move,\n"
     "                       upload, sync or fill) from the directory's copies kept on this PC;\n"
     "                       again for the change before it.\n"},
    {"check",
     "  check [--json]       reports what is wrong with the directory and its chains on the\n"
     "                       player; changes nothing. Exit status 1 when anything is.\n"},
    {"rescue",
     "  rescue [--yes]       rebuilds the directory from the chain links in the player's\n"
     "                       memory, shows what it found, and writes it once confirmed.\n"},
};

const char* const kDryRunHelp =
    "  --dry-run            with upload, sync, fill, remove, rename, move, init, undo and\n"
    "                       rescue: what would change; nothing is written to the player or PC.\n";
const char* const kExitStatus =
    "Exit status: 0 done, 1 an operation failed, 2 a usage error, 130 stopped by Ctrl+C.\n";

constexpr size_t kAll = size_t(-1);

struct CommandShape {
    size_t minOperands;
    size_t maxOperands;
    std::string options; // the options the command takes, as "--a --b"
    size_t songNumbers;  // how many operands, from the first, are song numbers
};

// What is done to the files of an upload or a sync.
const std::string kFileOptions =
    "--bitrate --speech --as-is --strip-tags --name-from-tags --level --fit --dry-run --verify";

const std::map<std::string, CommandShape> kCommands = {
    {"list", {0, 0, "--tsv --json", 0}},
    {"upload", {1, kAll, kFileOptions + " --duplicates", 0}},
    {"sync", {1, kAll, kFileOptions + " --yes --json", 0}},
    {"fill", {1, kAll, "--random --newest --albums --keep --bitrate --speech --strip-tags --name-from-tags --level "
                       "--dry-run --verify --yes", 0}},
    {"download", {1, kAll, "--to --overwrite", kAll}},
    {"remove", {1, 1, "--yes --dry-run", 1}},
    {"rename", {2, 2, "--dry-run", 1}},
    {"move", {2, 2, "--dry-run", 2}},
    {"init", {0, 0, "--yes --dry-run", 0}},
    {"undo", {0, 0, "--yes --dry-run", 0}},
    {"check", {0, 0, "--json", 0}},
    {"rescue", {0, 0, "--yes --dry-run", 0}},
};

bool Takes(const CommandShape& shape, const std::string& option)
{
    const std::string options = " " + shape.options + " ";
    return options.find(" " + option + " ") != std::string::npos;
}

// The flags that take no value, and where each goes.
bool* FlagOf(const std::string& option, CliArguments* a)
{
    const std::map<std::string, bool*> flags = {
        {"--tsv", &a->tsv},           {"--yes", &a->yes},
        {"--verify", &a->verify},     {"--speech", &a->speech},
        {"--as-is", &a->asIs},        {"--strip-tags", &a->stripTags},
        {"--name-from-tags", &a->nameFromTags}, {"--fit", &a->fit},
        {"--dry-run", &a->dryRun},   {"--json", &a->json},
        {"--duplicates", &a->duplicates}, {"--overwrite", &a->overwrite},
        {"--level", &a->level},       {"--random", &a->random},
        {"--newest", &a->newest},     {"--albums", &a->albums},
        {"--keep", &a->keep},
    };
    const auto flag = flags.find(option);
    return flag == flags.end() ? nullptr : flag->second;
}

std::string CheckUploadOptions(const CliArguments& a, const std::string& bitrate)
{
    if (!bitrate.empty() && !IsMp3BitRate(a.bitrate))
        return "--bitrate takes one of " + Mp3BitRatesText() + ", not '" + bitrate + "'";
    if (int(a.random) + int(a.newest) + int(a.albums) > 1)
        return "choose one of --random, --newest and --albums";
    if (a.asIs && (a.bitrate > 0 || a.speech || a.stripTags || a.level))
        return "--as-is stores files unchanged; it does not go with --bitrate, --speech, --strip-tags or --level";
    return "";
}

}

namespace {

// The options of an upload that a sync takes too, one a line.
std::string UploadOptionsHelp()
{
    for (const CommandHelp& upload : kCommandHelp) {
        if (std::string(upload.command) != "upload")
            continue;
        const std::string text = upload.text;
        std::string options;
        for (size_t at = text.find("\n    --"); at != std::string::npos; at = text.find("\n    --", at + 1)) {
            const size_t next = text.find("\n    --", at + 1);
            const std::string option = text.substr(at + 1, (next == std::string::npos ? text.size() - 1 : next) - at);
            if (option.rfind("    --duplicates", 0) != 0)
                options += option;
        }
        return options;
    }
    return "";
}

}

std::string CliUsage()
{
    std::string usage = kUsageHead;
    for (const CommandHelp& help : kCommandHelp)
        usage += help.text;
    return usage + kDryRunHelp + kExitStatus;
}

std::string CommandUsage(const std::string& command)
{
    const auto shape = kCommands.find(command);
    for (const CommandHelp& help : kCommandHelp) {
        if (command != help.command)
            continue;
        // The synopsis ends where two spaces or the line do.
        const std::string text = help.text;
        const size_t end = std::min(text.find("  ", 2), text.find('\n'));
        std::string usage = kUsageLine + text.substr(2, end - 2) + "\n" + text;
        // A sync converts as an upload does.
        if (command == "sync")
            usage += UploadOptionsHelp();
        if (shape != kCommands.end() && Takes(shape->second, "--dry-run") && usage.find("    --dry-run") == std::string::npos)
            usage += kDryRunHelp;
        return usage + "--flash and --port choose the player: 'mellifon-cli --help' says how.\n" + kExitStatus;
    }
    return "";
}

int ParseSongNumber(const std::string& text)
{
    if (text.empty() || text.size() > 6)
        return 0;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return 0;
        value = value * 10 + (c - '0');
    }
    return value;
}

int ParseBaseAddress(const std::string& text)
{
    if (text.empty() || text[0] == '-' || text[0] == '+' || text[0] == ' ')
        return 0;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 0);
    if (*end != '\0' || value < 0x100 || value > 0xFFFD)
        return 0;
    return int(value);
}

std::string ParseCliArguments(const std::vector<std::string>& words, CliArguments* arguments)
{
    std::vector<std::string> options;
    std::string bitrate;
    bool operandsOnly = false;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (!operandsOnly && (word == "--help" || word == "-h")) {
            // Its command's help when one is given before it.
            arguments->help = true;
            return "";
        }
        if (!operandsOnly && word == "--version") {
            arguments->version = true;
            return "";
        }
        if (!operandsOnly && word == "--verbose") {
            arguments->verbose = true;
            continue;
        }
        if (!operandsOnly && word == "--") {
            operandsOnly = true;
        } else if (!operandsOnly && word == "--flash-size") {
            if (i + 1 >= words.size())
                return word + " needs a value";
            const int size = ParseSongNumber(words[++i]);
            if (size < 1 || size > 32)
                return "--flash-size takes a whole number of MiB from 1 to 32, not '" + words[i] + "'";
            arguments->flashMebibytes = size;
        } else if (!operandsOnly && (word == "--flash" || word == "--to" || word == "--port" || word == "--bitrate")) {
            if (i + 1 >= words.size())
                return word + " needs a value";
            (word == "--flash"   ? arguments->imagePath
             : word == "--to"    ? arguments->toDirectory
             : word == "--port"  ? arguments->port
                                 : bitrate) = words[++i];
            options.push_back(word);
        } else if (!operandsOnly && word.size() > 1 && word[0] == '-') {
            options.push_back(word);
        } else if (arguments->command.empty()) {
            arguments->command = word;
        } else {
            arguments->operands.push_back(word);
        }
    }
    if (arguments->command.empty())
        return "no command given";
    const auto shape = kCommands.find(arguments->command);
    if (shape == kCommands.end())
        return "unknown command '" + arguments->command + "'";
    if (!arguments->imagePath.empty() && !arguments->port.empty())
        return "--flash and --port name two players; give one";
    if (arguments->flashMebibytes != 0 && !arguments->port.empty())
        return "--flash-size is for a simulated player's image, not a real player";
    const std::string& port = arguments->port;
    if (!port.empty() && port != "auto" && port.rfind("/dev/", 0) != 0 && ParseBaseAddress(port) == 0)
        return "--port takes a device (/dev/parport0), a base address (0x378) or auto, not '" + port + "'";
    for (const std::string& option : options) {
        if (option == "--flash" || option == "--port")
            continue;
        bool* flag = FlagOf(option, arguments);
        if (!flag && option != "--to" && option != "--bitrate")
            return "unknown option '" + option + "'";
        if (!Takes(shape->second, option))
            return arguments->command + " does not take " + option;
        if (flag)
            *flag = true;
    }
    if (!bitrate.empty())
        arguments->bitrate = ParseSongNumber(bitrate);
    const std::string upload = CheckUploadOptions(*arguments, bitrate);
    if (!upload.empty())
        return upload;
    if (arguments->tsv && arguments->json)
        return "--tsv and --json are two forms of the list; give one";
    // A sync in JSON is its plan: a script reads it, nobody answers its question.
    if (arguments->command == "sync" && arguments->json && !arguments->dryRun)
        return "sync --json prints the plan only; add --dry-run";
    const size_t count = arguments->operands.size();
    if (count < shape->second.minOperands || count > shape->second.maxOperands)
        return "wrong number of arguments for " + arguments->command;
    // Whether the player holds such a song is the command's to say; a word
    // that is no number at all is a mistake in the command line.
    for (size_t i = 0; i < count && i < shape->second.songNumbers; ++i)
        if (ParseSongNumber(arguments->operands[i]) == 0)
            return "'" + arguments->operands[i] + "' is not a song number (the No. column, counted from 1)";
    if (arguments->command == "rename" && arguments->operands[1].empty())
        return "a song's name cannot be empty";
    return "";
}
