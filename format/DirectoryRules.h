#pragma once
// Every way a directory image breaks the rules of its format, in words for
// the user. Serious breaks are those that can cost a song when the
// directory is used: a chain that leaves the memory, runs into block 0,
// shares a block or counts a free block as its own, more slots than the
// directory has, or failing checksums. The others (counters, leftovers)
// only make the figures wrong.

#include <string>
#include <vector>

class DirectoryImage;

struct RuleBreak {
    std::string text;
    bool serious;
};

// `checksumsChecked`: the caller found both checksums right already.
std::vector<RuleBreak> DirectoryRuleBreaks(const DirectoryImage& image, bool checksumsChecked = false);

// True when nothing serious is wrong: what a copy must be to replace block 0.
bool DirectoryTrustworthy(const DirectoryImage& image);
