#include "commands/UploadPlan.h"

#include "audio/AudioFrame.h"
#include "link/DeviceLink.h"
#include "commands/FileSongName.h"
#include "format/DirectoryEntry.h"
#include "format/DirectoryImage.h"

namespace {

constexpr uint64_t kBlockBytes = 32768;

int TargetKbps(const UploadOptions& options)
{
    if (options.kbps > 0)
        return options.kbps;
    return options.speech ? kSpeechKbps : kDefaultKbps;
}

// What is done to the file, and why.
void Decide(PlannedFile& file, const UploadOptions& options)
{
    const AudioFileFacts& facts = file.facts;
    if (facts.kind == AudioKind::Unreadable || facts.kind == AudioKind::Empty) {
        file.action = UploadAction::Refuse;
        file.reason = facts.problem;
        return;
    }
    if (options.asIs) {
        file.action = UploadAction::Store;
        if (facts.kind != AudioKind::PlayerPlays)
            file.warning = "the player cannot play it (" + (facts.format.empty() ? facts.problem : facts.format) + ")";
        return;
    }
    file.conversion.kbps = TargetKbps(options);
    file.conversion.mono = options.speech;
    switch (facts.kind) {
    case AudioKind::NotAudio:
        file.action = UploadAction::Refuse;
        file.reason = facts.problem;
        return;
    case AudioKind::Convertible:
        file.action = UploadAction::Convert;
        file.reason = "the player does not play " + facts.format;
        return;
    default:
        break;
    }
    const bool rateChosen = options.kbps > 0 || options.speech;
    if (rateChosen && options.reencodePlayable && facts.kbps > file.conversion.kbps) {
        file.action = UploadAction::Convert;
        file.reason = std::to_string(facts.kbps) + " kbps is above " + std::to_string(file.conversion.kbps);
    } else if (options.stripTags && facts.tags.leadingBytes + facts.tags.trailingBytes > 0) {
        file.action = UploadAction::StoreWithoutTags;
    } else if (facts.content.strayBytes > 0) {
        // The player, the list and the plan go by the first bytes stored:
        // they must be a frame's.
        file.action = UploadAction::StoreFromFirstFrame;
    } else {
        file.action = UploadAction::Store;
    }
}

uint64_t PlannedBytes(PlannedFile& file)
{
    const AudioFileFacts& facts = file.facts;
    switch (file.action) {
    case UploadAction::Store:
        return facts.content.riffWrapped ? facts.size - kRiffWrapperBytes : facts.size;
    case UploadAction::StoreWithoutTags:
        return facts.framesEnd - facts.content.firstFrame;
    case UploadAction::StoreFromFirstFrame:
        return facts.size - facts.content.firstFrame;
    case UploadAction::Convert:
        file.estimated = true;
        // A file that does not tell its playing time: its own size is the guess.
        return facts.seconds > 0 ? ConvertedSize(facts.seconds, file.conversion.kbps) : facts.size;
    case UploadAction::Refuse:
        break;
    }
    return 0;
}

}

int UploadPlan::ToStore() const
{
    int count = 0;
    for (const PlannedFile& file : files)
        count += file.ToBeStored();
    return count;
}

int UploadPlan::Refused() const
{
    int count = 0;
    for (const PlannedFile& file : files)
        count += file.action == UploadAction::Refuse;
    return count;
}

int UploadPlan::Skipped() const
{
    int count = 0;
    for (const PlannedFile& file : files)
        count += file.skipped;
    return count;
}

void IdentifyPlannedFile(PlannedFile& file)
{
    const AudioFileFacts& facts = file.facts;
    file.source = SourceFingerprint(facts.path);
    if (file.action == UploadAction::Store)
        file.print = StoredPrint(facts.path, facts.content.riffWrapped ? kRiffWrapperBytes : 0, facts.size);
    else if (file.action == UploadAction::StoreWithoutTags)
        file.print = StoredPrint(facts.path, facts.content.firstFrame, facts.framesEnd);
    else if (file.action == UploadAction::StoreFromFirstFrame)
        file.print = StoredPrint(facts.path, facts.content.firstFrame, facts.size);
}

std::string PlannedName(const AudioFileFacts& facts, UploadAction action, const UploadOptions& options)
{
    const std::string fileName = DeviceLink::BaseName(facts.path);
    if (options.nameFromTags) {
        const std::string tagged = NameFromTags(facts.tags.artist, facts.tags.title);
        return tagged.empty() ? WithoutExtension(fileName) : tagged;
    }
    // A converted song downloads as what it now is.
    if (action == UploadAction::Convert)
        return WithoutExtension(fileName) + ".mp3";
    return fileName;
}

namespace {

// The song on the player, or the file before it in the batch, that holds
// what this file would store; empty when none.
std::string DuplicateOf(const PlannedFile& file, const std::vector<PlannedFile>& before,
                        const std::vector<KnownSong>& onPlayer, const SongNameText& rules)
{
    const std::vector<bool> none(onPlayer.size(), false);
    const int song = SongHoldingFile(onPlayer, none, file.source, file.print, file.bytes);
    if (song >= 0)
        return "\"" + rules.Shown(onPlayer[size_t(song)].name) + "\" on the player";
    for (const PlannedFile& earlier : before)
        if (earlier.ToBeStored() && file.source != 0 && earlier.source == file.source)
            return DeviceLink::BaseName(earlier.facts.path) + " in this upload";
    return std::string();
}

}

UploadPlan PlanUpload(std::vector<AudioFileFacts> files, const UploadOptions& options, int freeBlocks, int songsStored,
                      const SongNameText* names, const std::vector<KnownSong>* onPlayer)
{
    const Utf8SongNames toolNames;
    const SongNameText& rules = names ? *names : toolNames;
    UploadPlan plan;
    plan.freeBlocks = freeBlocks;
    int blocksLeft = freeBlocks;
    int slotsLeft = DirectoryImage::kEntrySlots - songsStored;
    int songs = songsStored;
    for (AudioFileFacts& facts : files) {
        PlannedFile file;
        file.facts = std::move(facts);
        Decide(file, options);
        if (file.action != UploadAction::Refuse) {
            const std::string name = PlannedName(file.facts, file.action, options);
            file.name = rules.Shown(rules.Stored(name));
            file.nameCut = NameCharacters(rules.Stored(name)) < NameCharacters(name);
            file.bytes = PlannedBytes(file);
            file.blocks = int((file.bytes + kBlockBytes - 1) / kBlockBytes);
            if (onPlayer) {
                IdentifyPlannedFile(file);
                file.duplicateOf = DuplicateOf(file, plan.files, *onPlayer, rules);
                file.skipped = !file.duplicateOf.empty() && !options.storeDuplicates;
            }
        }
        if (file.ToBeStored()) {
            plan.blocksNeeded += file.blocks;
            // The first song of an empty player takes the directory's block too.
            const int needed = file.blocks + (songs == 0 ? 1 : 0);
            file.fits = needed <= blocksLeft && slotsLeft > 0;
            if (file.fits) {
                blocksLeft -= needed;
                --slotsLeft;
                ++songs;
            }
        }
        plan.files.push_back(std::move(file));
    }
    const int toStore = plan.ToStore();
    if (songsStored == 0 && toStore > 0)
        ++plan.blocksNeeded;
    plan.missingBlocks = plan.blocksNeeded > freeBlocks ? plan.blocksNeeded - freeBlocks : 0;
    const int slots = DirectoryImage::kEntrySlots - songsStored;
    plan.missingSlots = toStore > slots ? toStore - (slots > 0 ? slots : 0) : 0;
    return plan;
}
