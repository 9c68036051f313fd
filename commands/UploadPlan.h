#pragma once
// The plan of an upload, made before anything is written: what is done to
// each file, the name and size it will have on the player (estimated for a
// conversion from its playing time and the bit rate), and whether the batch
// fits. The plan decides; storage does.

#include <cstdint>
#include <string>
#include <vector>

#include "audio/AudioFile.h"
#include "audio/Conversion.h"
#include "commands/SongIdentity.h"
#include "format/SongName.h"

struct UploadOptions {
    int kbps = 0;              // --bitrate: converts at this rate, and re-encodes playable files above it
    bool speech = false;       // mono at 64 kbps (or at --bitrate)
    bool asIs = false;         // every file unchanged, as it always was
    bool stripTags = false;    // MP3s without their tags and pictures
    bool nameFromTags = false; // "Artist - Title"
    // With a rate chosen (kbps or speech): playable files above it are
    // re-encoded too. The window sets a rate always and asks about this.
    bool reencodePlayable = true;
    bool storeDuplicates = false; // files already on the player are stored again
    bool level = false;           // --level: every song brought to one loudness (audio/Levelling.h)

    // As-is stores every file unchanged, whatever else is chosen.
    bool Levels() const { return level && !asIs; }
};

enum class UploadAction {
    Store,            // byte for byte
    StoreWithoutTags, // the audio frames byte for byte
    StoreFromFirstFrame, // byte for byte from the first frame: stray bytes before it left out
    Convert,
    Refuse,
};

struct PlannedFile {
    AudioFileFacts facts;
    UploadAction action = UploadAction::Refuse;
    std::string reason;  // Refuse: why; Convert: why it is converted
    std::string warning; // --as-is: why the player cannot play it
    ConversionSettings conversion;
    std::string name;    // on the player, as the program shows it
    bool nameCut = false; // the player keeps less of it than it was given
    uint64_t bytes = 0;  // on the player; estimated for a conversion
    bool estimated = false;
    int blocks = 0;
    bool fits = false;   // in order, after the files before it that fit
    // When the songs on the player were given: what tells this file there.
    uint64_t source = 0; // a fingerprint of the file
    uint32_t print = 0;  // of the bytes stored, when stored as they are or without tags
    std::string duplicateOf; // the song on the player (or the file before it in the batch) with its content
    bool skipped = false;    // a duplicate, left out
    // Levelling: the gain its sound is given, in dB; for an MP3 stored as
    // its frames, in steps of their global gain. `levelNote` says how its
    // loudness was found, or why it is left as it is.
    bool levelled = false;
    double gainDb = 0;
    int gainSteps = 0;
    std::string levelNote;

    bool ToBeStored() const { return action != UploadAction::Refuse && !skipped; }
};

struct UploadPlan {
    std::vector<PlannedFile> files;
    int freeBlocks = 0;    // before the batch
    int blocksNeeded = 0;  // by every file to be stored (and the directory's, on an empty player)
    int missingBlocks = 0; // beyond the free ones
    int missingSlots = 0;  // songs beyond the 60 a directory lists

    bool Fits() const { return missingBlocks == 0 && missingSlots == 0; }
    int ToStore() const;  // files neither refused nor skipped
    int Refused() const;
    int Skipped() const;  // duplicates left out
};

// The file's name on the player, before any cut.
std::string PlannedName(const AudioFileFacts& facts, UploadAction action, const UploadOptions& options);

// `names`: how the program stores names (the tool's, UTF-8, when none).
// `onPlayer`, when given, are the songs on the player: a file whose content
// one of them (or a file before it in the batch) holds already is a
// duplicate, and left out unless `options.storeDuplicates`. The window asks
// about those and plans again; the tool leaves them out with a note.
UploadPlan PlanUpload(std::vector<AudioFileFacts> files, const UploadOptions& options, int freeBlocks, int songsStored,
                      const SongNameText* names = nullptr, const std::vector<KnownSong>* onPlayer = nullptr);

// Works out what tells the planned file on the player (`source`, `print`).
void IdentifyPlannedFile(PlannedFile& file);
