#include "commands/PlanText.h"


#include <cstdio>

#include "audio/Levelling.h"
#include "link/DeviceLink.h"
#include "format/SongName.h"
#include "commands/PortTime.h"

namespace {

constexpr uint64_t kBlockBytes = 32768;

std::string What(const PlannedFile& file)
{
    const AudioFileFacts& facts = file.facts;
    std::string what = facts.format;
    if (facts.seconds > 0)
        what += (what.empty() ? "" : ", ") + PlayingTimeText(facts.seconds);
    return what.empty() ? "" : " (" + what + ")";
}

std::string Action(const PlannedFile& file)
{
    switch (file.action) {
    case UploadAction::Store:
        return "store as it is, " + MegabytesText(file.bytes);
    case UploadAction::StoreWithoutTags:
        return "store without its tags, " + MegabytesText(file.bytes);
    case UploadAction::StoreFromFirstFrame:
        return "store from its first frame, " + MegabytesText(file.bytes);
    case UploadAction::Convert:
        return "convert to MP3 at " + std::to_string(file.conversion.kbps) + " kbps" +
               (file.conversion.mono ? " mono" : "") + ", about " + MegabytesText(file.bytes);
    case UploadAction::Refuse:
        break;
    }
    return "refused: " + file.reason;
}

}

std::string MegabytesText(uint64_t bytes)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", double(bytes) / (1024.0 * 1024.0));
    return text;
}

const char* const kPlayingTimeNote =
    "Playing times as the files give them; Rio's list reckons them from size and bit rate, about 2 % less.";

std::string PlayingTimeText(double seconds)
{
    const long whole = long(seconds + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

std::string PlanLine(size_t index, const PlannedFile& file)
{
    return std::to_string(index + 1) + ". " + PlannedFileText(file);
}

std::string PlannedFileText(const PlannedFile& file)
{
    std::string line = DeviceLink::BaseName(file.facts.path) + What(file) + ": ";
    if (file.skipped)
        return line + "left out: the same as " + file.duplicateOf;
    line += Action(file);
    if (file.levelled)
        line += ", levelled " + GainText(file.gainDb);
    if (file.action != UploadAction::Refuse) {
        line += ", as \"" + file.name + "\"";
        if (!file.fits)
            line += "; does not fit";
    }
    return line;
}

std::vector<std::string> PlanWarnings(const PlannedFile& file)
{
    std::vector<std::string> notes;
    const std::string name = DeviceLink::BaseName(file.facts.path);
    if (!file.warning.empty())
        notes.push_back(name + ": stored as it is, but " + file.warning);
    if (file.nameCut)
        notes.push_back(name + ": the name was stored as its first " + std::to_string(NameCharacters(file.name)) +
                        " characters: " + file.name);
    return notes;
}

std::vector<std::string> PlanNotes(const PlannedFile& file)
{
    std::vector<std::string> notes = PlanWarnings(file);
    const std::string name = DeviceLink::BaseName(file.facts.path);
    if (!file.levelNote.empty())
        notes.push_back(name + ": " + file.levelNote);
    if (file.action == UploadAction::StoreFromFirstFrame)
        notes.push_back(name + ": " + std::to_string(file.facts.content.firstFrame) +
                        (file.facts.content.firstFrame == 1 ? " byte" : " bytes") + " before the first frame left out");
    if ((file.action != UploadAction::Store && file.action != UploadAction::StoreFromFirstFrame) || !file.facts.mpeg)
        return notes;
    const SongTags& tags = file.facts.tags;
    const uint64_t tagBytes = tags.leadingBytes + tags.trailingBytes;
    if (tagBytes >= kBlockBytes) {
        std::string note = name + ": its tags take " + MegabytesText(tagBytes);
        if (tags.pictureBytes > 0)
            note += " (pictures " + MegabytesText(tags.pictureBytes) + ")";
        notes.push_back(note + " of " + MegabytesText(file.bytes) + "; --strip-tags leaves them out");
    }
    if (file.facts.kbps > kDefaultKbps + 32)
        notes.push_back(name + ": " + std::to_string(file.facts.kbps) + " kbps; --bitrate " +
                        std::to_string(kDefaultKbps) + " would store it in about " +
                        std::to_string(kDefaultKbps * 100 / file.facts.kbps) + " % of the memory");
    return notes;
}

std::string PlanSummary(const UploadPlan& plan)
{
    int64_t blocks = 0;
    int songs = 0;
    uint64_t bytes = 0;
    for (const PlannedFile& file : plan.files) {
        if (!file.ToBeStored())
            continue;
        blocks += file.blocks;
        bytes += file.bytes;
        ++songs;
    }
    return std::to_string(songs) + " of " + std::to_string(plan.files.size()) + " files to store: " +
           MegabytesText(bytes) + " in " + std::to_string(plan.blocksNeeded) + " blocks, " +
           MegabytesText(uint64_t(plan.freeBlocks) * kBlockBytes) + " free; port work on a real player: " +
           PortTimeText(UploadPortAccesses(blocks, songs));
}

std::string NotFittingText(const UploadPlan& plan, size_t maxListed)
{
    if (plan.Fits())
        return std::string();
    std::string files;
    size_t listed = 0;
    for (const PlannedFile& file : plan.files) {
        if (!file.ToBeStored() || file.fits)
            continue;
        if (listed++ < maxListed)
            files += "  " + DeviceLink::BaseName(file.facts.path) + " (" + MegabytesText(file.bytes) + ")\n";
    }
    if (listed > maxListed)
        files += "  and " + std::to_string(listed - maxListed) + " more\n";
    std::string text =
        (listed == 1 ? "This file does not fit on the player:\n" : "These files do not fit on the player:\n") + files;
    if (plan.missingBlocks > 0)
        text += "The batch needs " + MegabytesText(uint64_t(plan.blocksNeeded) * kBlockBytes) + " and the player has " +
                MegabytesText(uint64_t(plan.freeBlocks) * kBlockBytes) + " free: " +
                MegabytesText(uint64_t(plan.missingBlocks) * kBlockBytes) + " missing.\n";
    if (plan.missingSlots > 0)
        text += std::to_string(plan.missingSlots) + (plan.missingSlots == 1 ? " song" : " songs") +
                " more than the 60 a player holds.\n";
    return text;
}

std::string ClosingLine(int stored, int files, uint64_t bytes, std::optional<uint64_t> freeBytes, int refused,
                        int notTried, int skipped, int failed)
{
    std::string line = "stored " + std::to_string(stored) + " of " + std::to_string(files) + " song" +
                       (files == 1 ? "" : "s") + ", " + MegabytesText(bytes) +
                       (freeBytes ? ", " + MegabytesText(*freeBytes) + " free"
                                  : std::string("; the free memory could not be read back"));
    if (refused > 0)
        line += "; " + std::to_string(refused) + " refused";
    if (failed > 0)
        line += "; " + std::to_string(failed) + " failed";
    if (notTried > 0)
        line += "; " + std::to_string(notTried) + " not tried";
    if (skipped > 0)
        line += "; " + std::to_string(skipped) + (skipped == 1 ? " was" : " were") + " on the player already";
    return line;
}

std::string Capitalized(std::string text)
{
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z')
        text[0] = char(text[0] - 'a' + 'A');
    return text;
}
