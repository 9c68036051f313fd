// Runs fuzz inputs of either target without libFuzzer, for the tests: each
// file named, and every file in each folder named. An input in a folder
// named "directory" or "sharing", or named after one with a dash
// (scripts/fuzz names its findings so), is of that target; any other of the
// sharing one when its first byte is 0x60 or more. A finding aborts with
// its message.
// Usage: mellifon_fuzz_replay INPUT|FOLDER...

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/FuzzTargets.h"
#include "fuzz/FuzzWorld.h"

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        // Absolute now: the target works in a sandbox folder of its own.
        const fs::path named = fs::absolute(argv[i]);
        if (!fs::is_directory(named)) {
            inputs.push_back(named);
            continue;
        }
        std::vector<fs::path> files;
        for (const auto& entry : fs::recursive_directory_iterator(named))
            if (entry.is_regular_file())
                files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        inputs.insert(inputs.end(), files.begin(), files.end());
    }
    if (inputs.empty()) {
        std::fprintf(stderr, "usage: mellifon_fuzz_replay INPUT|FOLDER...\n");
        return 2;
    }
    for (const fs::path& input : inputs) {
        if (!fs::exists(input)) {
            std::fprintf(stderr, "%s: no such file\n", input.c_str());
            return 2;
        }
        std::fprintf(stderr, "%s\n", input.filename().c_str());
        const std::vector<uint8_t> bytes = ReadWhole(input);
        const std::string folder = input.parent_path().filename().string();
        const std::string name = input.filename().string();
        const auto of = [&](const std::string& target) { return folder == target || name.rfind(target + "-", 0) == 0; };
        RunFuzzInput(bytes.data(), bytes.size(),
                     of("directory") ? FuzzTarget::Directory
                     : of("sharing") ? FuzzTarget::Sharing
                                     : FuzzTarget::Either);
    }
    std::printf("%zu inputs replayed on the %s\n", inputs.size(),
                ChosenWire() == Wire::Registers ? "register-level player" : "page-level player");
    return 0;
}
