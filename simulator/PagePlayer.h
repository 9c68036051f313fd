#pragma once
// The simulated player one level above its registers: it serves the link's
// page exchanges (link/PageDevice.h) straight from the flash, with the
// faults, the log of flash operations and the answers of the register-level
// model (SimulatedPlayer.h), for a tiny fraction of its cost. Fuzz targets
// and long sweeps use it; tests/portable/PagePathTest.cpp keeps the two
// models in step.
//
// What the wire shows is kept: the player answers only between a wake-up and
// a release; gone (absent, unplugged, powered off) or released, its status
// lines float high, so reads fail at once and programs and erases look done;
// a command to a chip still busy is ignored, and a read that meets it gives
// what the chip's page register holds once it is ready; a hang lasts until
// the next wake-up, a slow operation its time; a read slower than the link's
// time-out is dropped; a page beyond the flash is on no chip; a program only
// clears bits. A ready line held low past the link's time-out without a hang
// (busyReads of 999 and more) makes the command that meets it fail, which is
// all the link can tell of it.

#include <cstdint>
#include <string>
#include <vector>

#include "link/PageDevice.h"
#include "format/PageFormat.h"
#include "link/PortIo.h"
#include "simulator/SimulatedPlayer.h"

class FlashMemory;

class PagePlayer : public PageDevice, public PortIo {
public:
    explicit PagePlayer(FlashMemory& flash) : m_flash(flash) {}

    int OpenLink() override;
    int CloseLink() override;
    int WaitReady() override;
    int ReadPage(uint32_t page, uint8_t* destination, int keep) override;
    int ProgramPage(uint32_t page, const uint8_t* data, const uint8_t* spare) override;
    int EraseUnit(uint32_t page) override;

    // The link's clock, virtual: time-outs and pauses cost no wall time. The
    // registers themselves are not to be used while the pages are served here.
    void Out(uint16_t port, uint8_t value) override;
    uint8_t In(uint16_t port) override;
    long Clock() override { return ++m_nTicks; }

    PlayerFaults& Faults() { return m_faults; }
    FlashMemory& Flash() { return m_flash; }
    bool InLinkMode() const { return m_bLinkOpen; }
    bool Busy() const { return m_bHung || m_nBusyReads > 0 || m_nTicks < m_nBusyUntil; }
    long PageReads() const { return m_nPageReads; }
    long WakeUps() const { return m_nWakeUps; }
    bool PoweredOff() const { return m_bPowerOff; }
    const std::vector<std::string>& ProtocolErrors() const { return m_errors; }
    const std::vector<FlashOperation>& Operations() const { return m_operations; }
    void ClearLogs();

private:
    bool Present() const { return !m_faults.absent && !m_bPowerOff; }
    bool Answering() const { return Present() && m_bLinkOpen; }
    bool TakeCommand(const char* what);
    bool WaitedReady();
    bool TakeFlashOperation();
    void GoBusy(bool hang, long slowTicks = 0);
    long SlowTicks(SlowOperation& slow);
    bool ChipThere(uint32_t page) const;
    int GiveRegister(uint8_t* destination, int keep);
    void Error(const std::string& what);

    FlashMemory& m_flash;
    PlayerFaults m_faults;
    long m_nTicks = 0;
    bool m_bLinkOpen = false;
    bool m_bPowerOff = false;
    bool m_bHung = false;
    long m_nBusyReads = 0;
    long m_nBusyUntil = 0; // a slow operation: busy until this tick
    uint8_t m_register[kRawPageSize] = {}; // the chip's page register
    long m_nWakeUps = 0;
    long m_nFlashOperations = 0;
    long m_nPageReads = 0;
    long m_nBytesSent = 0;
    std::vector<std::string> m_errors;
    std::vector<FlashOperation> m_operations;
};
