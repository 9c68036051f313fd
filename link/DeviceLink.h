#pragma once
// The one object through which the program reaches the player: the register
// cycles of the parallel-port link, the page and block operations over the
// player's flash, and the in-memory copy of the player's directory.
//
// Results are the integers 1 (true) and 0 (false).

#include <cstdint>
#include <string>

#include "link/PortIo.h"
#include "storage/DirectoryImage.h"

// Every status read whose value the link does not need lands here, so that
// no read used as a delay can be optimised away.
extern volatile uint8_t g_nDiscardedStatus;

class UploadStep;
class UserInterface;

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
    int WritePage(const uint8_t* source, int page, int block, uint16_t previous, uint16_t next);
    int EraseBlock(int block);
    int WriteBlock(const uint8_t* source, int block, uint16_t previous, uint16_t next);
    int WriteBlockRetry(const uint8_t* source, int block, uint16_t previous, uint16_t next);
    int ReadBlock(uint8_t* destination, int block);
    int ReadBlockRetry(uint8_t* destination, int block);
    int Probe();

    // The song operations on the player and the directory image.
    int InitializeDirectory();
    int LoadDirectory();
    int SaveDirectory();
    int UploadSong(const char* path);
    int UploadNextBlock(UploadStep& upload);
    // Writes song `number` (counted from 1) into `directory`, or into the
    // current directory when that is empty.
    int DownloadSong(int number, const std::string& directory = std::string());
    int RemoveSong(int index);
    static std::string BaseName(const std::string& path);

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
    void PauseAfterFailure();

    PortIo* m_pPorts = nullptr;
    UserInterface* m_pUi = nullptr;
};

extern DeviceLink g_deviceLink;
