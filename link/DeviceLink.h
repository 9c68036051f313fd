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

#include "link/PortIo.h"
#include "storage/format/DirectoryImage.h"

// Every status read whose value the link does not need lands here, so that
// no read used as a delay can be optimised away.
extern volatile uint8_t g_nDiscardedStatus;

class DirectoryCopies;
struct DirectoryCopy;
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
    // The four erase units of a block, for a caller whose link is already open.
    int EraseBlockUnits(int block);
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
    int SaveDirectory(const std::string& change = std::string());
    int UploadSong(const char* path);
    // The same, under the song name `name`, with the progress saying
    // `progressTitle` (empty: the dialog's usual text).
    int UploadSong(const char* path, const std::string& name, const std::string& progressTitle);
    int UploadNextBlock(UploadStep& upload);
    // Writes song `number` (counted from 1) into `directory`, or into the
    // current directory when that is empty.
    int DownloadSong(int number, const std::string& directory = std::string());
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
    // The last load found block 0 damaged and nothing could repair it.
    bool DirectoryDamaged() const { return m_bDirectoryDamaged; }
    SaveProblem LastSaveProblem() const { return m_saveProblem; }
    // Reads the header page of block 0 alone (1/64 of a load): its save
    // time and checksums tell whether the directory changed since.
    DirectoryCheck CheckDirectoryUnchanged();
    // Writes a directory that is sealed already (a copy that finishes an
    // interrupted save) to block 0, as SaveDirectory does but without a
    // shadow and without sealing it anew.
    int WriteSealedDirectory(const DirectoryImage& sealed, const std::string& change);
    // Reads one page with its spare bytes, reading it again while its data
    // and its checksum disagree; 0 when the player does not answer.
    int ReadPageChecked(int page, uint8_t* raw, int block);
    // Reads every block of an upload back and writes it once more when it
    // differs: a page read costs about twelve page writes, so it is a choice.
    void SetVerifyUploads(bool on) { m_bVerifyUploads = on; }
    bool VerifyUploads() const { return m_bVerifyUploads; }
    // 1 when the block on the player holds these data with these links.
    int BlockReadsBack(const uint8_t* source, int block, uint16_t previous, uint16_t next);
    // The prints of the songs this program wrote (see SongPrint), kept with
    // the copies of the directory.
    void NoteSongPrint(const std::array<uint32_t, 4>& key, uint32_t print) { m_songPrints[key] = print; }
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

    int WriteDirectory(const DirectoryImage& sealed, const std::string& change, bool shadow);
    bool KeepCopies(const DirectoryImage& sealed, const std::string& change, bool shadow, uint16_t* shadowBlock);
    void ForgetPlayerDirectory() { m_pOnPlayer.reset(); }
    void CarryPrints(DirectoryCopy* copy, const DirectoryCopy* previous);
    void RememberPlayerDirectory(const DirectoryImage& image);
    int ReadBlockZero(uint8_t* raw);
    void ReportBrokenRules();

    PortIo* m_pPorts = nullptr;
    UserInterface* m_pUi = nullptr;
    DirectoryCopies* m_pCopies = nullptr;
    std::unique_ptr<DirectoryImage> m_pOnPlayer;
    bool m_bDirectoryDamaged = false;
    bool m_bSafeguards = true;
    bool m_bVerifyUploads = false;
    bool m_bCopyWarningShown = false;
    std::string m_copyFolderProblem;
    std::map<std::array<uint32_t, 4>, uint32_t> m_songPrints;
    SaveProblem m_saveProblem = SaveProblem::None;
};

extern DeviceLink g_deviceLink;
