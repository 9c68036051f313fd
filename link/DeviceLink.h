#pragma once
// The one object through which the program reaches the player: the register
// cycles of the parallel-port link, the page and block operations over the
// player's flash, and the in-memory copy of the player's directory.
//
// Results are the integers 1 (true) and 0 (false).

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "link/PortIo.h"
#include "format/DirectoryImage.h"
#include "format/SongPrints.h"

// Every status read whose value the link does not need lands here, so that
// no read used as a delay can be optimised away.
extern volatile uint8_t g_nDiscardedStatus;

class DirectoryCopies;
class PageDevice;
struct DirectoryCopy;
class PlayerLock;
class UploadStep;
class UserInterface;

// Why the last save did not reach the player.
enum class SaveProblem {
    None,
    PlayerChanged, // block 0 is not what was last read or written: nothing written
    NoAnswer,      // the player did not answer before anything was written
    NotCopied,     // no copy could be kept and the user chose not to save
    Failed,        // the write broke off: block 0 may hold the old or a partial directory
};

// What a look at the player's directory found, against what was last read or written.
enum class DirectoryCheck { Unchanged, Changed, NoAnswer };

// What a download does when a file of its name is there already.
enum class ExistingFiles {
    Ask,      // the user chooses: replace it, or keep both (the song under a numbered name)
    KeepBoth, // the song under a numbered name: "song (2).mp3"
    Replace,
};

// What stands on the player for a directory while block 0 is being written:
// a shadow written first, the shadow it was restored from, or nothing.
enum class WriteWitness { NewShadow, ShadowOnPlayer, None };

class DeviceLink {
public:
    // Player registers, selected by an address cycle.
    static constexpr uint8_t kRegReadPort = 0xA0;
    static constexpr uint8_t kRegCommand = 0xA1;
    static constexpr uint8_t kRegAddress = 0xA2;
    static constexpr uint8_t kRegWritePort = 0xA3;
    static constexpr uint8_t kRegWake = 0xA8;
    static constexpr uint8_t kRegBank = 0xAB;
    static constexpr uint8_t kRegLinkMode = 0xAD;
    static constexpr uint8_t kRegLinkKey = 0xAE;

    // Flash commands, sent through the command register.
    static constexpr uint8_t kCmdRead = 0x00;
    static constexpr uint8_t kCmdSerialInput = 0x80;
    static constexpr uint8_t kCmdProgram = 0x10;
    static constexpr uint8_t kCmdEraseSetup = 0x60;
    static constexpr uint8_t kCmdEraseConfirm = 0xD0;
    static constexpr uint8_t kCmdReadStatus = 0x70;

    // Control register values.
    static constexpr uint8_t kCtlIdle = 0x04;
    static constexpr uint8_t kCtlAddressStrobe = 0x0C;
    static constexpr uint8_t kCtlDataStrobe = 0x00;

    static constexpr uint8_t kStatusReady = 0x08;
    static constexpr long kTimeoutTicks = 1000;
    static constexpr int kWakePulseReads = 20000;
    static constexpr int kNibbleSettleReads = 20;
    static constexpr int kStatusClockReads = 100;
    static constexpr int kBlockAttempts = 3;

    DirectoryImage m_image;
    int m_nBasePort = 0;
    int m_nDataPort = 0;
    int m_nStatusPort = 0;
    int m_nControlPort = 0;
    int m_bPortSet = 0;

    // Where the four port operations go; set once at start-up.
    void AttachPorts(PortIo* ports) { m_pPorts = ports; }
    PortIo* Ports() const { return m_pPorts; }
    // Tests and fuzz targets only: the page operations go to a page-level
    // model of the player instead of the registers (link/PageDevice.h).
    void AttachPageDevice(PageDevice* device) { m_pPageDevice = device; }
    // What keeps other programs off the player during a command
    // (link/PlayerLock.h); none: nothing to keep off.
    void AttachPlayerLock(PlayerLock* lock) { m_pLock = lock; }
    // Takes the player for a command, waiting a short while for another
    // program to let go; nested holds share the first (storage/PlayerHold.h).
    // False, after saying so, when it could not be had.
    bool HoldPlayer();
    void LetGoOfPlayer();
    bool HoldingPlayer() const { return m_nHolds > 0; }
    // Where the storage operations show messages, dialogs and progress.
    void AttachUserInterface(UserInterface* ui) { m_pUi = ui; }
    UserInterface& Ui() const;

    void SetPort(int base);
    int OpenLink();
    int CloseLink();
    int WaitReady();
    int ReadPage(int page, uint8_t* destination, int block);
    // The same exchange, keeping all 528 bytes: the spare bytes carry the
    // page's checksum and the chain links of its block.
    int ReadRawPage(int page, uint8_t* destination, int block);
    int WritePage(const uint8_t* source, int page, int block, uint16_t previous, uint16_t next);
    int EraseBlock(int block);
    // One erase unit (16 pages from `firstPage`) of a link already awake:
    // the step EraseBlock repeats four times after its wake-up.
    int EraseUnit(uint32_t firstPage);
    int WriteBlock(const uint8_t* source, int block, uint16_t previous, uint16_t next);
    int WriteBlockRetry(const uint8_t* source, int block, uint16_t previous, uint16_t next);
    int ReadBlock(uint8_t* destination, int block);
    int ReadBlockRetry(uint8_t* destination, int block);
    int Probe();

    // The song operations on the player and the directory image.
    int InitializeDirectory();
    // With `repair`, a damaged block 0 is restored from a copy that fits
    // (storage/safety/DirectoryRecovery.h); without it the load only reads.
    int LoadDirectory(bool repair = true);
    // `change` names the change in the copies' history ("remove", "rename", ...).
    // An undo of it writes back the directory it replaced, or the one whose
    // digest is `undoTo` (the directory before a batch of several saves).
    int SaveDirectory(const std::string& change = std::string(), uint64_t undoTo = 0);
    int UploadSong(const char* path);
    // The same, under the song name `name`, with the progress saying
    // `progressTitle` (empty: the dialog's usual text).
    int UploadSong(const char* path, const std::string& name, const std::string& progressTitle);
    int UploadNextBlock(UploadStep& upload);
    int ClearLaterBlocks(const UploadStep& upload);
    // Writes song `number` (counted from 1) into `directory`, or into the
    // current directory when that is empty.
    // Song `number` into `directory` (the current folder when empty), as
    // `fileName` (the song's name made safe when empty); `written`, when
    // given, gets the path the song went to.
    int DownloadSong(int number, const std::string& directory = std::string(),
                     const std::string& fileName = std::string(), std::string* written = nullptr);
    int RemoveSong(int index);
    static std::string BaseName(const std::string& path);

    // The safety of the directory: copies kept before every save, block 0
    // checked before it is overwritten, damage repaired from the copies on
    // load (storage/safety/DirectoryRecovery.h says how).
    void AttachDirectoryCopies(DirectoryCopies* copies) { m_pCopies = copies; }
    // Why the PC has no folder for copies, said once at the first save.
    void SetCopyFolderProblem(const std::string& problem) { m_copyFolderProblem = problem; }
    DirectoryCopies* Copies() const { return m_pCopies; }
    // Block 0 as last read from or written to the player; null while that
    // is not known (nothing read yet, or a load or save that broke off).
    const DirectoryImage* PlayerDirectory() const { return m_pOnPlayer.get(); }
    // The blocks of memory the player has, as far as the link knows: what
    // the directory last read says, else what FindPlayerBlocks found, else
    // 1024. Nothing is written at or above.
    unsigned PlayerBlocks() const;
    // The player's size where the directory cannot say it (its header page
    // is damaged, or names blocks the player does not answer for): the first
    // block that does not answer. Found once a load; 0 when the player does
    // not answer at all (storage/safety/PlayerSize.cpp).
    unsigned FindPlayerBlocks();
    // The last load found block 0 damaged and nothing could repair it.
    bool DirectoryDamaged() const { return m_bDirectoryDamaged; }
    // Damaged, and the image shows the copy it is to be repaired from: the
    // repair's write did not reach the player.
    bool DirectoryFromUnwrittenCopy() const { return m_bFromUnwrittenCopy; }
    // The image is block 0 as last read from or written to the player, so
    // its figures are the player's.
    bool ImageAsOnPlayer() const;
    // Writes of block 0 that completed, counted from the start.
    int DirectoryWrites() const { return m_nDirectoryWrites; }
    SaveProblem LastSaveProblem() const { return m_saveProblem; }
    // Reads the header page of block 0 alone (1/64 of a load): its save
    // time and checksums tell whether the directory changed since.
    DirectoryCheck CheckDirectoryUnchanged();
    // Writes a directory that is sealed already (an undo, a repair) to
    // block 0 as it stands, as SaveDirectory does but without sealing it
    // anew. `note` gives its record's change, undo target and known prints.
    int WriteSealedDirectory(const DirectoryImage& sealed, const DirectoryCopy& note, WriteWitness witness);
    // Reads one page with its spare bytes, reading it again while its data
    // and its checksum disagree; 0 when the player does not answer.
    // `clean`, if given, tells whether the first read gave a whole page.
    int ReadPageChecked(int page, uint8_t* raw, int block, bool* clean = nullptr);
    // Reads every block of an upload back and writes it once more when it
    // differs: a page read costs about twelve page writes, so it is a choice.
    void SetVerifyUploads(bool on) { m_bVerifyUploads = on; }
    // A download never overwrites a file without being told to.
    void SetExistingFiles(ExistingFiles policy) { m_existingFiles = policy; }
    bool VerifyUploads() const { return m_bVerifyUploads; }
    // 1 when the block on the player holds these data with these links.
    int BlockReadsBack(const uint8_t* source, int block, uint16_t previous, uint16_t next);
    // The prints of songs this run wrote, read or proved (SongPrints.h);
    // each write's record keeps them.
    void NoteSongPrint(const SongKey& key, uint32_t print) { m_sessionPrints.Note(key, print); }
    const PrintBook& SessionPrints() const { return m_sessionPrints; }
    // The file a song was stored from, by a fingerprint of its bytes; each
    // write's record keeps it with the song.
    void NoteSongSource(const SongKey& key, uint64_t fingerprint) { m_sessionSources[key] = fingerprint; }
    // The PC's calendar clock, seconds since 1970, as saves and uploads
    // stamp it. Nothing orders directories by it: the clock of a 1998 PC is
    // often wrong, and tests set it an hour ahead or a day behind.
    int32_t Now() const;
    void SetClockOffset(long seconds) { m_nClockOffset = seconds; }
    // Off only to measure what the safety costs: no check of block 0 before
    // a save, no shadow.
    void SetSafeguards(bool on) { m_bSafeguards = on; }
    bool Safeguards() const { return m_bSafeguards; }

    uint16_t FindFreeBlock() const { return m_image.FindFreeBlock(); }
    uint16_t HeaderChecksum() const { return m_image.HeaderChecksum(); }
    uint16_t BodyChecksum() const { return m_image.BodyChecksum(); }

    // The building blocks every exchange is made of.
    void AddressCycle(uint8_t reg);
    void DataCycle(uint8_t value);
    void StreamByte(uint8_t value, int index);
    uint8_t ReadStreamByte();
    void SpinReads(int count);

    // The fingerprint of block 0 as last read or written, when it was sound;
    // 0 otherwise. Worked out when first asked for: most loads never need it.
    uint64_t PlayerDirectoryDigest() const;

private:
    void OutData(uint8_t value);
    void OutControl(uint8_t value);
    uint8_t InStatus();
    long Clock();

    void LongPulse();
    void SendCommand(uint8_t command);
    void SendPageAddress(uint32_t pageNumber, uint8_t command);
    void ClockOutFlashStatus();
    int ReadPageBytes(int page, uint8_t* destination, int block, int keep);
    void PauseAfterFailure();

    std::string FreePath(const std::string& folder, const std::string& name, bool* replace);
    std::string NumberedFreePath(const std::string& folder, const std::string& name);
    int WriteDirectory(const DirectoryImage& sealed, const DirectoryCopy& note, WriteWitness witness);
    DirectoryCopy RecordOf(const DirectoryImage& sealed, const DirectoryCopy& note, const PrintBook& book,
                           const DirectoryCopy* previous) const;
    bool KeepCopies(DirectoryCopy& record, const WriteWitness& witness, std::vector<uint8_t>* shadowPages);
    bool PlayerDirectorySound() const;
    void ForgetPlayerDirectory()
    {
        m_pOnPlayer.reset();
        m_bOnPlayerSound = false;
        m_nOnPlayerDigest = 0;
    }
    void RememberPlayerDirectory(const DirectoryImage& image);
    // `sound`: whether its checksums match, as the caller has just worked out.
    void RememberPlayerDirectory(const DirectoryImage& image, bool sound);
    int ReadBlockZero(uint8_t* raw, std::vector<int>* doubtful);
    int ReadDoubtfulPagesAgain(uint8_t* raw, const std::vector<int>& doubtful);
    void ReportBrokenRules();

    PortIo* m_pPorts = nullptr;
    PageDevice* m_pPageDevice = nullptr;
    PlayerLock* m_pLock = nullptr;
    int m_nHolds = 0;
    UserInterface* m_pUi = nullptr;
    DirectoryCopies* m_pCopies = nullptr;
    std::unique_ptr<DirectoryImage> m_pOnPlayer;
    bool m_bOnPlayerSound = false;          // its checksums hold
    mutable uint64_t m_nOnPlayerDigest = 0; // of m_pOnPlayer, once asked for
    bool m_bDirectoryDamaged = false;
    unsigned m_nFoundBlocks = 0; // FindPlayerBlocks' answer since the last load; 0: not looked
    bool m_bFromUnwrittenCopy = false;
    int m_nDirectoryWrites = 0;
    bool m_bSafeguards = true;
    bool m_bVerifyUploads = false;
    ExistingFiles m_existingFiles = ExistingFiles::Ask;
    bool m_bCopyWarningShown = false;
    std::string m_copyFolderProblem;
    PrintBook m_sessionPrints;
    std::map<SongKey, uint64_t> m_sessionSources;
    long m_nClockOffset = 0;
    SaveProblem m_saveProblem = SaveProblem::None;
};

extern DeviceLink g_deviceLink;
