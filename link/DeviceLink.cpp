#include "link/DeviceLink.h"

#include <cstdio>
#include <ctime>
#include <memory>
#include <new>

#include "link/PageDevice.h"
#include "format/PageFormat.h"

volatile uint8_t g_nDiscardedStatus = 0;

namespace {
// Until start-up attaches real ports the link talks to an empty bus: reads
// float high and the clock moves on each look, so nothing can hang.
class FloatingBus : public PortIo {
public:
    void Out(uint16_t, uint8_t) override {}
    uint8_t In(uint16_t) override { return 0xFF; }
    long Clock() override { return ++m_nTicks; }

private:
    long m_nTicks = 0;
};

FloatingBus s_floatingBus;
}

void DeviceLink::OutData(uint8_t value)
{
    (m_pPorts ? m_pPorts : &s_floatingBus)->Out(static_cast<uint16_t>(m_nDataPort), value);
}

void DeviceLink::OutControl(uint8_t value)
{
    (m_pPorts ? m_pPorts : &s_floatingBus)->Out(static_cast<uint16_t>(m_nControlPort), value);
}

uint8_t DeviceLink::InStatus()
{
    return (m_pPorts ? m_pPorts : &s_floatingBus)->In(static_cast<uint16_t>(m_nStatusPort));
}

long DeviceLink::Clock()
{
    return (m_pPorts ? m_pPorts : &s_floatingBus)->Clock();
}

void DeviceLink::AddressCycle(uint8_t reg)
{
    OutData(reg);
    OutControl(kCtlAddressStrobe);
    OutControl(kCtlIdle);
}

void DeviceLink::DataCycle(uint8_t value)
{
    OutData(value);
    OutControl(kCtlDataStrobe);
    OutControl(kCtlIdle);
}

void DeviceLink::StreamByte(uint8_t value, int index)
{
    OutData(value);
    OutControl((index & 1) ? kCtlIdle : kCtlDataStrobe);
    g_nDiscardedStatus = InStatus();
}

uint8_t DeviceLink::ReadStreamByte()
{
    OutControl(kCtlDataStrobe);
    SpinReads(kNibbleSettleReads);
    uint8_t s1 = InStatus() ^ 0x80;
    OutControl(kCtlIdle);
    SpinReads(kNibbleSettleReads);
    uint8_t s2 = InStatus() ^ 0x80;
    uint8_t c = static_cast<uint8_t>(((s1 >> 4) & 0x0F) | (s2 & 0xF0));
    uint8_t reversed = 0;
    for (int bit = 0; bit < 8; ++bit)
        if (c & (1u << bit))
            reversed |= static_cast<uint8_t>(0x80u >> bit);
    return reversed;
}

void DeviceLink::SpinReads(int count)
{
    if (count > 0)
        g_nDiscardedStatus = (m_pPorts ? m_pPorts : &s_floatingBus)->InRepeated(uint16_t(m_nStatusPort), count);
}

void DeviceLink::SetPort(int base)
{
    m_nBasePort = base;
    m_nDataPort = base;
    m_nStatusPort = base + 1;
    m_nControlPort = base + 2;
    m_bPortSet = 1;
}

void DeviceLink::LongPulse()
{
    OutControl(kCtlDataStrobe);
    SpinReads(kWakePulseReads);
    OutControl(kCtlIdle);
    SpinReads(kWakePulseReads);
}

int DeviceLink::OpenLink()
{
    if (m_pPageDevice)
        return m_pPageDevice->OpenLink();
    OutControl(kCtlIdle);
    AddressCycle(kRegWake);
    LongPulse();
    AddressCycle(kRegLinkMode);
    DataCycle(0x55);
    AddressCycle(kRegLinkKey);
    DataCycle(0xAA);
    AddressCycle(kRegWake);
    LongPulse();
    return 1;
}

int DeviceLink::CloseLink()
{
    if (m_pPageDevice)
        return m_pPageDevice->CloseLink();
    AddressCycle(kRegLinkMode);
    DataCycle(0xFF);
    OutData(0x00);
    return 1;
}

int DeviceLink::WaitReady()
{
    if (m_pPageDevice)
        return m_pPageDevice->WaitReady();
    const long deadline = Clock() + kTimeoutTicks;
    while (Clock() < deadline) {
        if (InStatus() & kStatusReady)
            return 1;
    }
    return 0;
}

void DeviceLink::SendCommand(uint8_t command)
{
    AddressCycle(kRegCommand);
    DataCycle(command);
}

// Bank, command, then the address bytes: a column byte and the row for reads
// and programs, the row alone for an erase.
void DeviceLink::SendPageAddress(uint32_t pageNumber, uint8_t command)
{
    AddressCycle(kRegBank);
    DataCycle(BankByte(pageNumber));
    SendCommand(command);
    AddressCycle(kRegAddress);
    if (command != kCmdEraseSetup)
        DataCycle(0x00);
    DataCycle(RowLowByte(pageNumber));
    DataCycle(RowHighByte(pageNumber));
}

// After a program or erase the flash status byte is clocked out and dropped.
void DeviceLink::ClockOutFlashStatus()
{
    SendCommand(kCmdReadStatus);
    AddressCycle(kRegReadPort);
    OutControl(kCtlDataStrobe);
    SpinReads(kStatusClockReads);
    OutControl(kCtlIdle);
    SpinReads(kStatusClockReads);
}

int DeviceLink::ReadPage(int page, uint8_t* destination, int block)
{
    return ReadPageBytes(page, destination, block, kPageSize);
}

int DeviceLink::ReadRawPage(int page, uint8_t* destination, int block)
{
    return ReadPageBytes(page, destination, block, kRawPageSize);
}

// All 528 bytes always cross the wire; the first `keep` of them are stored.
int DeviceLink::ReadPageBytes(int page, uint8_t* destination, int block, int keep)
{
    if (m_pPageDevice)
        return m_pPageDevice->ReadPage(PageNumber(block, page), destination, keep);
    SendPageAddress(PageNumber(block, page), kCmdRead);
    // A player that took the read command is busy now; a high ready line
    // here means nothing is listening.
    if (InStatus() & kStatusReady)
        return 0;
    if (!WaitReady())
        return 0;
    AddressCycle(kRegReadPort);
    for (int i = 0; i < kRawPageSize; ++i) {
        uint8_t value = ReadStreamByte();
        if (i < keep)
            destination[i] = value;
    }
    return WaitReady();
}

int DeviceLink::WritePage(const uint8_t* source, int page, int block, uint16_t previous,
                          uint16_t next)
{
    const auto spare = SpareBytes(previous, next, PageChecksum(source));
    if (m_pPageDevice)
        return m_pPageDevice->ProgramPage(PageNumber(block, page), source, spare.data());
    SendPageAddress(PageNumber(block, page), kCmdSerialInput);
    AddressCycle(kRegWritePort);
    for (int i = 0; i < kPageSize; ++i)
        StreamByte(source[i], i);
    for (int i = 0; i < kSpareSize; ++i)
        StreamByte(spare[i], i);
    SendCommand(kCmdProgram);
    if (!WaitReady())
        return 0;
    ClockOutFlashStatus();
    return 1;
}

int DeviceLink::EraseBlock(int block)
{
    if (!OpenLink())
        return 0;
    for (int unit = 0; unit < kPagesPerBlock / kPagesPerEraseUnit; ++unit)
        if (!EraseUnit(PageNumber(block, unit * kPagesPerEraseUnit)))
            return 0;
    return 1;
}

int DeviceLink::EraseUnit(uint32_t firstPage)
{
    if (m_pPageDevice)
        return m_pPageDevice->EraseUnit(firstPage);
    SendPageAddress(firstPage, kCmdEraseSetup);
    SendCommand(kCmdEraseConfirm);
    // An erase keeps a chip busy for milliseconds: a ready line high at once
    // means nothing took it (no player, or no chip at this address), and the
    // pages written after it would land nowhere.
    if (InStatus() & kStatusReady)
        return 0;
    if (!WaitReady())
        return 0;
    ClockOutFlashStatus();
    return 1;
}

// A block is only as good as its pages: the first page that fails fails the
// block, so that the retry operations really retry.
int DeviceLink::WriteBlock(const uint8_t* source, int block, uint16_t previous, uint16_t next)
{
    if (!EraseBlock(block))
        return 0;
    for (int page = 0; page < kPagesPerBlock; ++page)
        if (!WritePage(source + kPageSize * page, page, block, previous, next))
            return 0;
    return 1;
}

int DeviceLink::ReadBlock(uint8_t* destination, int block)
{
    if (!OpenLink())
        return 0;
    for (int page = 0; page < kPagesPerBlock; ++page)
        if (!ReadPage(page, destination + kPageSize * page, block))
            return 0;
    return 1;
}

void DeviceLink::PauseAfterFailure()
{
    const long resume = Clock() + kTimeoutTicks;
    while (Clock() < resume) {
    }
}

int DeviceLink::WriteBlockRetry(const uint8_t* source, int block, uint16_t previous, uint16_t next)
{
    for (int attempt = 0; attempt < kBlockAttempts; ++attempt) {
        if (WriteBlock(source, block, previous, next))
            return 1;
        PauseAfterFailure();
    }
    return 0;
}

int DeviceLink::ReadBlockRetry(uint8_t* destination, int block)
{
    for (int attempt = 0; attempt < kBlockAttempts; ++attempt) {
        if (ReadBlock(destination, block))
            return 1;
        PauseAfterFailure();
    }
    return 0;
}

int DeviceLink::Probe()
{
    if (!OpenLink())
        return 0;
    std::unique_ptr<uint8_t[]> scratch(new (std::nothrow) uint8_t[kBlockSize]);
    if (!scratch) {
        std::fputs("new failed\n", stdout);
        return 0;
    }
    int answered = ReadPage(0, scratch.get(), 0);
    OpenLink();
    return answered;
}

int32_t DeviceLink::Now() const
{
    return static_cast<int32_t>(std::time(nullptr) + m_nClockOffset);
}

DeviceLink g_deviceLink;
