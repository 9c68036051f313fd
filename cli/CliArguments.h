#pragma once
// The command line of mellifon-cli.

#include <string>
#include <vector>

// Every command and option; one command's, with what it shares with the
// others (empty for a command there is not).
std::string CliUsage();
std::string CommandUsage(const std::string& command);

struct CliArguments {
    std::string imagePath; // empty: the default image
    int flashMebibytes = 0; // --flash-size: the size of a new image; 0: 32
    std::string port;      // --port: a real player; empty: the simulated one
    std::string command;
    std::vector<std::string> operands;
    std::string toDirectory; // download --to
    bool tsv = false;        // list --tsv
    bool json = false;       // list, check, sync --dry-run --json
    bool duplicates = false; // upload --duplicates: store files the player holds already
    bool overwrite = false;  // download --overwrite: replace files of the same name
    bool yes = false;        // remove, init, undo, rescue --yes
    bool verify = false;     // upload --verify
    // upload: what is done to each file (commands/UploadPlan.h)
    int bitrate = 0;         // --bitrate N; 0 when not given
    bool speech = false;     // --speech
    bool asIs = false;       // --as-is
    bool stripTags = false;  // --strip-tags
    bool nameFromTags = false; // --name-from-tags
    bool level = false;      // --level: every song to one loudness
    // fill: how it chooses, and whether the songs on the player stay
    bool random = false, newest = false, albums = false, keep = false;
    bool fit = false;        // --fit: store what fits when the batch does not
    bool dryRun = false;     // --dry-run: what would change; nothing changes
    bool help = false;    // --help: the usage, or its command's when one came before
    bool version = false; // --version
    bool verbose = false; // --verbose: the libraries' own words too
};

// Empty on success; otherwise what is wrong with the command line.
std::string ParseCliArguments(const std::vector<std::string>& words, CliArguments* arguments);

// A song number as typed: a positive decimal number, or 0 when it is none.
int ParseSongNumber(const std::string& text);

// A parallel port's base address as typed, "0x378" or "888"; 0 when it is
// none a parallel port can have.
int ParseBaseAddress(const std::string& text);
