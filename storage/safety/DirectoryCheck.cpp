#include "storage/safety/DirectoryCheck.h"

#include <algorithm>
#include <vector>

#include "link/DeviceLink.h"
#include "format/PageFormat.h"
#include "format/DirectoryRules.h"
#include "storage/UserInterface.h"

namespace {

std::string N(long value)
{
    return std::to_string(value);
}

constexpr size_t kMostFindings = 40;

std::string LinkText(uint16_t block)
{
    return block == kNoLinkBlock ? "none" : "block " + N(block);
}

// The chains as the directory gives them, cut where a rule already failed.
std::vector<std::vector<uint16_t>> Chains(const DirectoryImage& image)
{
    std::vector<std::vector<uint16_t>> chains;
    std::vector<bool> seen(DirectoryImage::kTableBlocks, false);
    const int songs = std::min<int>(image.entryCount(), DirectoryImage::kEntrySlots);
    for (int slot = 0; slot < songs; ++slot) {
        const DirectoryEntry entry = image.Entry(slot);
        std::vector<uint16_t> chain;
        unsigned block = entry.firstBlock();
        for (int i = 0; i < entry.blockCount() && image.IsSongBlock(block) && !seen[block]; ++i) {
            seen[block] = true;
            chain.push_back(uint16_t(block));
            block = image.blockLink(block);
        }
        chains.push_back(chain);
    }
    return chains;
}

}

std::vector<std::string> CheckDirectory(DeviceLink& link)
{
    std::vector<std::string> findings;
    for (const RuleBreak& rule : DirectoryRuleBreaks(link.m_image))
        findings.push_back(rule.text);
    // A directory this broken has no chains worth reading.
    if (findings.size() > kMostFindings) {
        const size_t more = findings.size() - kMostFindings;
        findings.resize(kMostFindings);
        findings.push_back("... and " + N(long(more)) + " more like these.");
        return findings;
    }

    const std::vector<std::vector<uint16_t>> chains = Chains(link.m_image);
    size_t total = 0, done = 0;
    for (const auto& chain : chains)
        total += chain.size();
    WaitCursor wait(link.Ui());
    link.OpenLink();
    uint8_t raw[kRawPageSize];
    for (size_t slot = 0; slot < chains.size(); ++slot) {
        const std::vector<uint16_t>& chain = chains[slot];
        const std::string song = "Song " + N(long(slot) + 1) + ": ";
        for (size_t i = 0; i < chain.size(); ++i) {
            link.Ui().ShowProgress(int(done++), int(total));
            const uint16_t block = chain[i];
            if (!link.ReadPageChecked(0, raw, block)) {
                link.CloseLink();
                link.Ui().ShowProgress(-1, -1);
                findings.push_back("Rio stopped answering; the check is not complete.");
                return findings;
            }
            SpareLinks links;
            const uint16_t previous = i == 0 ? kNoLinkBlock : chain[i - 1];
            const uint16_t next = i + 1 == chain.size() ? kNoLinkBlock : chain[i + 1];
            if (RawPageErased(raw))
                findings.push_back(song + "its block " + N(block) + " is empty on Rio.");
            else if (!RawPageIntact(raw))
                findings.push_back(song + "the first page of its block " + N(block) +
                                   " does not match its own checksum on Rio.");
            else if (!ParseSpareBytes(raw + kPageSize, &links))
                findings.push_back(song + "its block " + N(block) + " carries no chain links on Rio.");
            else if (links.previous != previous || links.next != next)
                findings.push_back(song + "on Rio its block " + N(block) + " follows " + LinkText(links.previous) +
                                   " and leads to " + LinkText(links.next) + "; the directory has it follow " +
                                   LinkText(previous) + " and lead to " + LinkText(next) + ".");
        }
    }
    link.CloseLink();
    link.Ui().ShowProgress(-1, -1);
    return findings;
}
