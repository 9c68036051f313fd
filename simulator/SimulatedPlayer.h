#pragma once
// A register-level model of the player behind the three port registers: it
// decodes address and data cycles from the control strobes, takes flash
// commands and addresses, receives and sends page streams, and drives the
// ready line. It answers only at the base address it is attached to and only
// after the link's wake-up sequence. Protocol errors are recorded, never
// fatal, so tests can assert that the link makes none.
//
// Timing, as a real chip has it: while a read, program or erase is under way
// the ready line stays low and the chip ignores what reaches it (commands,
// addresses, stream bytes), recorded as errors of the link. A slow operation
// runs its time whatever the link does meanwhile, a wake-up included; only
// the "hang" faults below end at the next wake-up, as if the player reset
// its flash. A page read slower than the link's time-out is dropped by the
// player: the chip's page register keeps the page it held before, and that
// is what a read stream then gives.
//
// Pages the flash does not have: the bank byte selects one chip of 256
// blocks (16384 pages), and a player has as many chips as its size needs.
// A page at or beyond the flash's end is on a chip that is not there: nothing
// answers, so the ready line (held up by its resistor) reads ready at once,
// a read stream gives 0xFF, and a program or erase changes nothing. Such
// operations are logged with the page number as addressed, so tests can see
// that nothing was sent there.

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "format/PageFormat.h"
#include "link/PortIo.h"

class FlashMemory;

// An operation of one kind that keeps the chip busy longer than it should.
struct SlowOperation {
    long at = 0;    // the Nth operation of its kind from now (1: the next one); 0: none; -1: every one
    long ticks = 0; // clock ticks the chip stays busy with it
};

// Ways the player can misbehave, for tests.
struct PlayerFaults {
    bool absent = false;                    // nothing on the port at all
    bool readyNeverRises = false;           // every read, program and erase stays busy
    bool readyHighAfterReadAddress = false; // not busy after a read address
    int busyReads = 3;                      // status reads the ready line stays low
    int hangPrograms = 0;                   // the next N programs never complete (-1: all)
    int hangErases = 0;                     // the next N erase units never complete (-1: all)
    long powerCutAfter = -1;                // flash operations done before the power goes
    int flipBitEvery = 0;                   // every Nth data byte read comes back with one bit flipped
    long unplugAfterReads = -1;             // the cable comes out once this many pages have been read
    long wornProgram = 0;                   // the Nth page programmed from now keeps one data bit set (-1: every one)
    SlowOperation slowRead;                 // beyond the link's time-out, the read is dropped
    SlowOperation slowProgram;
    SlowOperation slowErase;
};

struct FlashOperation {
    enum Kind { Read, Program, Erase } kind;
    uint32_t page;
    bool operator==(const FlashOperation&) const = default;
};

class SimulatedPlayer : public PortIo {
public:
    static constexpr int kWakePulseReads = 20000;

    explicit SimulatedPlayer(FlashMemory& flash, uint16_t basePort = 0x378);

    void Out(uint16_t port, uint8_t value) override;
    uint8_t In(uint16_t port) override;
    long Clock() override;
    uint8_t InRepeated(uint16_t port, int count) override;

    // A virtual clock moves one tick per look, so time-outs cost no wall time.
    void UseVirtualClock(bool on) { m_bVirtualClock = on; }
    PlayerFaults& Faults() { return m_faults; }
    FlashMemory& Flash() { return m_flash; }

    bool InLinkMode() const { return m_bLinkOpen; }
    // The clock is looked at only while a slow operation runs: a look at the
    // wall clock costs more than the rest of a port access.
    bool Busy() const { return m_bHung || m_nBusyReads > 0 || (m_nBusyUntil != 0 && SlowlyBusy()); }
    // Port reads, writes and looks at the clock since the player was made.
    long long Accesses() const { return m_nAccesses; }
    long PageReads() const { return m_nPageReads; }
    // Wake-ups that opened the link since the logs were last cleared.
    long WakeUps() const { return m_nWakeUps; }
    bool PoweredOff() const { return m_bPowerOff; }
    const std::vector<std::string>& ProtocolErrors() const { return m_errors; }
    const std::vector<FlashOperation>& Operations() const { return m_operations; }
    void ClearLogs();

private:
    enum class ReadSource { None, PageData, FlashStatus };

    void OnControl(uint8_t value);
    void OnAddressStrobe();
    void OnDataStrobe();
    void OnStreamEdge(bool falling);
    void OnReadEdge(bool falling);
    void OnWakeEdge(bool falling, long readsHeld);
    void OnWakePulse();
    void OnDataCycle(uint8_t reg, uint8_t value);
    void OnCommand(uint8_t command);
    void OnAddressByte(uint8_t value);
    void StartRead();
    void Program();
    void Erase();
    bool TakeFlashOperation();
    void GoBusy(bool hang, long slowTicks = 0);
    long SlowTicks(SlowOperation& slow);
    long Now() const;
    bool SlowlyBusy() const;
    uint32_t AddressedPage() const;
    bool ChipThere(uint32_t page) const;
    void ResetCommand();
    void Error(const std::string& what);

    FlashMemory& m_flash;
    uint16_t m_nBase;
    PlayerFaults m_faults;
    bool m_bVirtualClock = false;
    long m_nVirtualTicks = 0;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();

    // The lines.
    uint8_t m_nData = 0;
    uint8_t m_nControl = 0x04;
    uint8_t m_nNibbles = 0;     // status bits 4 to 7 as the player drives them
    long m_nReadsSinceControl = 0;

    // Link state.
    bool m_bLinkOpen = false;
    bool m_bPowerOff = false;
    int m_nWakeStage = 0;
    bool m_bWakeHighPending = false;
    int m_nRegister = -1;

    // Flash command state.
    int m_nCommand = -1;
    uint8_t m_nBank = 0;
    uint8_t m_address[3] = {};
    int m_nAddressBytes = 0;
    bool m_bStreamOpen = false;
    int m_nStreamBytes = 0;
    uint8_t m_stream[kRawPageSize] = {};
    ReadSource m_readSource = ReadSource::None;
    uint8_t m_readPage[kRawPageSize] = {}; // the chip's page register
    bool m_bNoChip = false;                 // the page addressed is on no chip
    int m_nReadPosition = 0;
    uint8_t m_nOutByte = 0;
    long m_nBytesSent = 0;
    uint8_t m_nFlashStatus = 0xC0;

    long m_nBusyReads = 0;
    bool m_bHung = false;
    mutable long m_nBusyUntil = 0; // a slow operation: busy until this tick (0: none)
    long long m_nAccesses = 0;
    long m_nFlashOperations = 0;
    long m_nPageReads = 0;
    long m_nWakeUps = 0;

    std::vector<std::string> m_errors;
    std::vector<FlashOperation> m_operations;
};
