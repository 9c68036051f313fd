#pragma once
// The storage operations' own texts, as the user sees them.

inline constexpr const char* kNewFailed = "new failed\n";
inline constexpr const char* kNotConnected = "Rio is not connected to your computer.\nPlease connect Rio.";
inline constexpr const char* kInvalidChecksum = "Invalid checksum of directory.\nInitializing is recommended.";
inline constexpr const char* kErrorReadingProperties = "error reading properties from file \n";
inline constexpr const char* kFileTooSmall = "File to small\n";
inline constexpr const char* kNotEnoughMemory = "not enough memory on device to upload the file\n";
inline constexpr const char* kNoFreeFirstBlock = "no free 32K blocks available, initialization recommended\n";
inline constexpr const char* kNoFreeNextBlock = "no free 32K blocks available, Initialization recommended\n";
inline constexpr const char* kErrorReadingFile = "error reading from file \n";

// Texts of the program's own safety: the copies, the checks and the repair.
inline constexpr const char* kPlayerBusy =
    "Another program is using Rio, so Mellifon has changed nothing.\n"
    "Please try again when it has finished.";
inline constexpr const char* kPlayerChanged =
    "The songs on Rio have changed since Mellifon last read them, so this change was not saved.\n"
    "Mellifon reads Rio again now; please try once more.";
inline constexpr const char* kSaveFailed =
    "Saving the directory to Rio failed.\nPlease check that Rio is connected. "
    "When Mellifon next reads Rio, the list shows whether the change was kept.";
inline constexpr const char* kCopyNotKept =
    "Mellifon keeps a copy of the directory on Rio only, because it cannot write one on this PC:\n";
inline constexpr const char* kNoCopyAtAll =
    "Mellifon cannot keep a copy of the directory before saving it: Rio has no free block for one, "
    "and this PC gives this answer:\n";
inline constexpr const char* kNoCopyQuestion =
    "\n\nIf the save is cut short, the songs on Rio can be lost. Save anyway?";
inline constexpr const char* kDirectoryDamaged =
    "The directory on Rio is damaged, so Mellifon does not change it.\n"
    "You can still download songs, or initialize Rio.";
inline constexpr const char* kRecoveredFrom = "The directory on Rio was found damaged or unfinished.\n";
inline constexpr const char* kDirectoryBroken = "The directory on Rio breaks its own rules:\n";
inline constexpr const char* kDirectoryBrokenEnd =
    "Mellifon does not change it. You can still download songs, or initialize Rio.";

// Failures that the operations name with the file or song they concern.
// The program's own text, with the file's name on a line of its own.
inline constexpr const char* kErrorReadingPropertiesOf = "error reading properties from file \n%s";
inline constexpr const char* kCannotOpenFile = "Cannot open the file\n%s\nIt was not uploaded.";
inline constexpr const char* kNotAFile = "%s\nis not a file. It was not uploaded.";
inline constexpr const char* kDirectoryFull =
    "Rio holds 60 songs, the most its directory can list.\n%s was not uploaded.";
inline constexpr const char* kBlockNotWritten =
    "Rio did not take the data of %s, so it was not stored.\nPlease check that Rio is connected.";
inline constexpr const char* kBlockNotKept =
    "Rio did not keep the data of %s as they were written, so it was not stored.\n"
    "Rio's memory may be wearing out.";
inline constexpr const char* kCannotCreateFile = "Cannot create the file\n%s\nThe song was not downloaded.";
inline constexpr const char* kBlockNotRead =
    "Reading %s from Rio failed.\nPlease check that Rio is connected. The song was not downloaded.";
inline constexpr const char* kFileNotWritten = "Writing the file\n%s\nfailed. The song was not downloaded.";
inline constexpr const char* kSizeBeyondChain =
    "The directory on Rio gives %s a size that its blocks cannot hold.\nThe song was not downloaded.";
inline constexpr const char* kFileExists =
    "The file\n%s\nexists already. Replace it?\n(No keeps it, and writes the song beside it as %s.)";
inline constexpr const char* kWrittenBeside = "%s is there already: the song goes beside it as ";
inline constexpr const char* kChainBroken =
    "The directory on Rio gives %s a broken chain of blocks.\nThe song was not downloaded.";

// Undo and rescue.
inline constexpr const char* kNoHistory =
    "This PC keeps no copies of Rio's directory, so there is nothing to undo.";
inline constexpr const char* kRescueCancelled = "The rescue was stopped. Nothing was changed on Rio.";
inline constexpr const char* kNothingChanged = "Nothing was changed on Rio.";
inline constexpr const char* kRescueQuestion = "\nWrite a new directory with these songs to Rio?";
inline constexpr const char* kLetGoHeading = "Removed earlier on this PC, and still whole in Rio's memory:\n";
inline constexpr const char* kLetGoQuestion = "\nBring these back too?";
inline constexpr const char* kLetGoOnlyQuestion = "\nBring them back?";
inline constexpr const char* kLetGoLeftOut = "Songs removed earlier were left out: a rescue that asks first offers them.";
inline constexpr const char* kDamageReport = "What is wrong with the directory on Rio:\n";
inline constexpr const char* kRescueOffer =
    "\nMellifon can look for the songs in Rio's memory, where each block records the blocks "
    "before and after it, and build a new directory from them. Rescue the songs now?";
