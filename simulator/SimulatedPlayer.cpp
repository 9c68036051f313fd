#include "simulator/SimulatedPlayer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "link/DeviceLink.h"
#include "simulator/FlashMemory.h"

namespace {
constexpr uint8_t kIdle = DeviceLink::kCtlIdle;
constexpr uint8_t kAddressStrobe = DeviceLink::kCtlAddressStrobe;
constexpr uint8_t kDataStrobe = DeviceLink::kCtlDataStrobe;
constexpr size_t kMaxErrors = 100;

bool IsLinkControlRegister(int reg)
{
    return reg == DeviceLink::kRegWake || reg == DeviceLink::kRegLinkMode ||
           reg == DeviceLink::kRegLinkKey;
}

bool IsKnownRegister(int reg)
{
    switch (reg) {
    case DeviceLink::kRegReadPort:
    case DeviceLink::kRegCommand:
    case DeviceLink::kRegAddress:
    case DeviceLink::kRegWritePort:
    case DeviceLink::kRegBank:
        return true;
    default:
        return IsLinkControlRegister(reg);
    }
}

// A byte goes out as two samples of status bits 4 to 7: first its high half,
// then its low half, most significant bit on line 4 and the lowest bit of
// each half inverted on line 7 (the port inverts that line back).
uint8_t HalfOnLines(uint8_t byte, int topBit)
{
    uint8_t lines = 0;
    lines |= uint8_t(((byte >> topBit) & 1) << 4);
    lines |= uint8_t(((byte >> (topBit - 1)) & 1) << 5);
    lines |= uint8_t(((byte >> (topBit - 2)) & 1) << 6);
    lines |= uint8_t((((byte >> (topBit - 3)) & 1) ^ 1) << 7);
    return lines;
}

std::string Hex(int value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}
}

SimulatedPlayer::SimulatedPlayer(FlashMemory& flash, uint16_t basePort)
    : m_flash(flash), m_nBase(basePort)
{
}

void SimulatedPlayer::ClearLogs()
{
    m_errors.clear();
    m_operations.clear();
    m_nWakeUps = 0;
}

long SimulatedPlayer::Clock()
{
    ++m_nAccesses;
    if (m_bVirtualClock)
        ++m_nVirtualTicks;
    return Now();
}

// The time without a look at the clock: the virtual clock moves only when
// the link reads it.
long SimulatedPlayer::Now() const
{
    if (m_bVirtualClock)
        return m_nVirtualTicks;
    auto elapsed = std::chrono::steady_clock::now() - m_start;
    return long(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

bool SimulatedPlayer::SlowlyBusy() const
{
    if (Now() < m_nBusyUntil)
        return true;
    m_nBusyUntil = 0;
    return false;
}

void SimulatedPlayer::Out(uint16_t port, uint8_t value)
{
    ++m_nAccesses;
    if (m_faults.absent || m_bPowerOff)
        return;
    if (port == m_nBase)
        m_nData = value;
    else if (port == m_nBase + 2)
        OnControl(value);
}

uint8_t SimulatedPlayer::In(uint16_t port)
{
    ++m_nAccesses;
    if (port != m_nBase + 1 || m_faults.absent || m_bPowerOff)
        return 0xFF;
    ++m_nReadsSinceControl;
    if (m_bWakeHighPending && m_nReadsSinceControl >= kWakePulseReads) {
        m_bWakeHighPending = false;
        OnWakePulse();
    }
    if (!m_bLinkOpen)
        return 0xFF;
    const bool ready = !Busy();
    if (!m_bHung && m_nBusyReads > 0)
        --m_nBusyReads;
    return uint8_t(m_nNibbles | (ready ? DeviceLink::kStatusReady : 0));
}

// The same reads as `count` calls of In, at once where they change only the
// counts and the busy countdown: the link is open and no wake pulse ends
// among them. The link settles each nibble so, and the tool's simulated
// player spends most of a download there.
uint8_t SimulatedPlayer::InRepeated(uint16_t port, int count)
{
    const bool plain = count > 0 && port == m_nBase + 1 && !m_faults.absent && !m_bPowerOff && m_bLinkOpen &&
                       !(m_bWakeHighPending && m_nReadsSinceControl + count >= kWakePulseReads);
    if (!plain) {
        uint8_t value = 0xFF;
        for (int i = 0; i < count; ++i)
            value = SimulatedPlayer::In(port);
        return value;
    }
    m_nAccesses += count;
    m_nReadsSinceControl += count;
    // The last read sees the countdown as the reads before it left it.
    const long busyAtLast = m_bHung ? m_nBusyReads : std::max(0L, m_nBusyReads - (count - 1));
    const bool ready = !(m_bHung || busyAtLast > 0 || (m_nBusyUntil != 0 && SlowlyBusy()));
    if (!m_bHung)
        m_nBusyReads = std::max(0L, m_nBusyReads - count);
    return uint8_t(m_nNibbles | (ready ? DeviceLink::kStatusReady : 0));
}

void SimulatedPlayer::OnControl(uint8_t value)
{
    const uint8_t previous = m_nControl;
    const long held = m_nReadsSinceControl;
    m_nControl = value;
    m_nReadsSinceControl = 0;
    m_bWakeHighPending = false;
    if (value == previous)
        return;
    if (value == kAddressStrobe) {
        if (previous != kIdle)
            Error("address strobe from control " + Hex(previous));
        OnAddressStrobe();
        return;
    }
    if (previous == kAddressStrobe) {
        if (value != kIdle)
            Error("address strobe ended with control " + Hex(value));
        return;
    }
    if (value != kIdle && value != kDataStrobe) {
        Error("control value " + Hex(value));
        return;
    }
    const bool falling = value == kDataStrobe;
    switch (m_nRegister) {
    case DeviceLink::kRegWritePort:
        OnStreamEdge(falling);
        break;
    case DeviceLink::kRegReadPort:
        OnReadEdge(falling);
        break;
    case DeviceLink::kRegWake:
        OnWakeEdge(falling, held);
        break;
    default:
        if (falling)
            OnDataStrobe();
        break;
    }
}

void SimulatedPlayer::OnAddressStrobe()
{
    const int reg = m_nData;
    if (m_nRegister == DeviceLink::kRegWritePort)
        m_bStreamOpen = false;
    if (!IsKnownRegister(reg))
        Error("address cycle to unknown register " + Hex(reg));
    if (m_bLinkOpen && !IsLinkControlRegister(reg) && Busy())
        Error("address cycle to " + Hex(reg) + " while busy");
    m_nRegister = reg;
    if (!m_bLinkOpen)
        return;
    if (reg == DeviceLink::kRegWritePort) {
        if (m_nCommand != DeviceLink::kCmdSerialInput || m_nAddressBytes != 3)
            Error("page stream with no serial input before it");
        m_bStreamOpen = true;
        m_nStreamBytes = 0;
    } else if (reg == DeviceLink::kRegReadPort) {
        if (m_nCommand == DeviceLink::kCmdRead && m_nAddressBytes == 3) {
            m_readSource = ReadSource::PageData;
        } else if (m_nCommand == DeviceLink::kCmdReadStatus) {
            m_readSource = ReadSource::FlashStatus;
        } else {
            Error("read port selected with nothing to read");
            m_readSource = ReadSource::None;
        }
    }
}

void SimulatedPlayer::OnDataStrobe()
{
    if (m_nRegister < 0) {
        Error("data cycle with no register selected");
        return;
    }
    OnDataCycle(uint8_t(m_nRegister), m_nData);
}

void SimulatedPlayer::OnStreamEdge(bool)
{
    if (!m_bLinkOpen) {
        Error("page stream while the link is closed");
        return;
    }
    if (Busy()) {
        Error("page stream while busy");
        return;
    }
    if (!m_bStreamOpen)
        return;
    if (m_nStreamBytes < kRawPageSize)
        m_stream[m_nStreamBytes] = m_nData;
    ++m_nStreamBytes;
}

void SimulatedPlayer::OnReadEdge(bool falling)
{
    if (!m_bLinkOpen) {
        Error("read strobe while the link is closed");
        return;
    }
    if (Busy()) {
        Error("read strobe while busy");
        return;
    }
    if (falling) {
        if (m_readSource == ReadSource::PageData && m_bNoChip) {
            m_nOutByte = 0xFF;
        } else if (m_readSource == ReadSource::PageData) {
            if (m_nReadPosition >= kRawPageSize) {
                Error("read beyond the end of the page");
                m_nOutByte = 0xFF;
            } else {
                m_nOutByte = m_readPage[m_nReadPosition++];
                ++m_nBytesSent;
                const int every = m_faults.flipBitEvery;
                if (every > 0 && m_nBytesSent % every == 0)
                    m_nOutByte ^= uint8_t(1u << ((m_nBytesSent / every) % 8));
            }
        } else if (m_readSource == ReadSource::FlashStatus) {
            m_nOutByte = m_nFlashStatus;
        } else {
            m_nOutByte = 0;
        }
        m_nNibbles = HalfOnLines(m_nOutByte, 7);
    } else {
        m_nNibbles = HalfOnLines(m_nOutByte, 3);
    }
}

// The wake-up register takes long pulses: control low, then high, each held
// for a long run of status reads. The high half completes in In().
void SimulatedPlayer::OnWakeEdge(bool falling, long readsHeld)
{
    if (!falling && readsHeld >= kWakePulseReads)
        m_bWakeHighPending = true;
}

// Link mode needs a pulse, 0x55 into the mode register, 0xAA into the key
// register and a second pulse, in that order.
void SimulatedPlayer::OnWakePulse()
{
    if (m_nWakeStage == 3) {
        ++m_nWakeUps;
        m_bLinkOpen = true;
        m_bHung = false;
        m_nBusyReads = 0;
        m_nWakeStage = 0;
        ResetCommand();
    } else {
        m_nWakeStage = 1;
    }
}

void SimulatedPlayer::OnDataCycle(uint8_t reg, uint8_t value)
{
    if (reg == DeviceLink::kRegLinkMode) {
        if (value == 0xFF) {
            m_bLinkOpen = false;
            ResetCommand();
            m_nWakeStage = 0;
        } else {
            m_nWakeStage = (value == 0x55 && m_nWakeStage == 1) ? 2 : 0;
        }
        return;
    }
    if (reg == DeviceLink::kRegLinkKey) {
        m_nWakeStage = (value == 0xAA && m_nWakeStage == 2) ? 3 : 0;
        return;
    }
    m_nWakeStage = 0;
    if (!m_bLinkOpen) {
        Error("data cycle to " + Hex(reg) + " while the link is closed");
        return;
    }
    if (Busy()) {
        Error("data cycle to " + Hex(reg) + " while busy");
        return;
    }
    switch (reg) {
    case DeviceLink::kRegBank:
        m_nBank = value;
        break;
    case DeviceLink::kRegCommand:
        OnCommand(value);
        break;
    case DeviceLink::kRegAddress:
        OnAddressByte(value);
        break;
    default:
        Error("data cycle to register " + Hex(reg));
        break;
    }
}

void SimulatedPlayer::OnCommand(uint8_t command)
{
    switch (command) {
    case DeviceLink::kCmdRead:
    case DeviceLink::kCmdSerialInput:
    case DeviceLink::kCmdEraseSetup:
        m_nCommand = command;
        m_nAddressBytes = 0;
        m_nStreamBytes = 0;
        m_readSource = ReadSource::None;
        break;
    case DeviceLink::kCmdProgram:
        if (m_nCommand != DeviceLink::kCmdSerialInput || m_nAddressBytes != 3)
            Error("program with no serial input before it");
        else if (m_nStreamBytes != kRawPageSize)
            Error("page stream of " + std::to_string(m_nStreamBytes) + " bytes");
        else
            Program();
        m_nCommand = -1;
        break;
    case DeviceLink::kCmdEraseConfirm:
        if (m_nCommand != DeviceLink::kCmdEraseSetup || m_nAddressBytes != 2)
            Error("erase confirm with no erase setup before it");
        else
            Erase();
        m_nCommand = -1;
        break;
    case DeviceLink::kCmdReadStatus:
        m_nCommand = command;
        break;
    default:
        Error("unknown flash command " + Hex(command));
        break;
    }
}

void SimulatedPlayer::OnAddressByte(uint8_t value)
{
    int expected = 0;
    if (m_nCommand == DeviceLink::kCmdEraseSetup)
        expected = 2;
    else if (m_nCommand == DeviceLink::kCmdRead || m_nCommand == DeviceLink::kCmdSerialInput)
        expected = 3;
    if (expected == 0) {
        Error("address byte with no read, program or erase command");
        return;
    }
    if (m_nAddressBytes >= expected) {
        Error("too many address bytes");
        return;
    }
    m_address[m_nAddressBytes++] = value;
    if (m_nAddressBytes < expected)
        return;
    if (expected == 3 && m_address[0] != 0)
        Error("column address " + Hex(m_address[0]));
    if (m_nCommand == DeviceLink::kCmdRead)
        StartRead();
}

// Row bytes follow the column byte for reads and programs; an erase has none.
uint32_t SimulatedPlayer::AddressedPage() const
{
    const int row = (m_nCommand == DeviceLink::kCmdEraseSetup) ? 0 : 1;
    return (uint32_t(m_nBank) << 14) | (uint32_t(m_address[row + 1] & 0x3F) << 8) | m_address[row];
}

bool SimulatedPlayer::ChipThere(uint32_t page) const
{
    return page < m_flash.Pages();
}

// Counts down to the slow operation; its ticks when this is the one.
long SimulatedPlayer::SlowTicks(SlowOperation& slow)
{
    if (slow.at < 0)
        return slow.ticks;
    if (slow.at == 0 || --slow.at > 0)
        return 0;
    return slow.ticks;
}

void SimulatedPlayer::StartRead()
{
    if (m_faults.unplugAfterReads >= 0 && m_nPageReads >= m_faults.unplugAfterReads) {
        m_faults.absent = true;
        return;
    }
    ++m_nPageReads;
    const uint32_t page = AddressedPage();
    m_nReadPosition = 0;
    m_operations.push_back({FlashOperation::Read, page});
    m_bNoChip = !ChipThere(page);
    if (m_bNoChip)
        return;
    const long slow = SlowTicks(m_faults.slowRead);
    if (slow <= DeviceLink::kTimeoutTicks)
        std::memcpy(m_readPage, m_flash.RawPage(page), kRawPageSize);
    if (!m_faults.readyHighAfterReadAddress)
        GoBusy(false, slow);
}

bool SimulatedPlayer::TakeFlashOperation()
{
    if (m_faults.powerCutAfter >= 0 && m_nFlashOperations >= m_faults.powerCutAfter) {
        m_bPowerOff = true;
        m_bLinkOpen = false;
        return false;
    }
    ++m_nFlashOperations;
    return true;
}

static bool TakeHang(int& count)
{
    if (count == 0)
        return false;
    if (count > 0)
        --count;
    return true;
}

void SimulatedPlayer::Program()
{
    if (!TakeFlashOperation())
        return;
    if (TakeHang(m_faults.hangPrograms)) {
        GoBusy(true);
        return;
    }
    const uint32_t page = AddressedPage();
    m_operations.push_back({FlashOperation::Program, page});
    if (!ChipThere(page))
        return;
    // A worn cell that will not take a 0: the byte reads back one bit high.
    long& wornIn = m_faults.wornProgram;
    uint8_t worn = 0;
    if (wornIn < 0 || (wornIn > 0 && --wornIn == 0))
        for (int i = 0; i < kPageSize && !worn; ++i)
            if (m_stream[i] != 0xFF) {
                worn = uint8_t(~m_stream[i] & -~m_stream[i]); // its lowest 0 bit
                m_stream[i] |= worn;
            }
    m_flash.ProgramPage(page, m_stream);
    std::memcpy(m_readPage, m_stream, kRawPageSize); // the stream went through the page register
    GoBusy(false, SlowTicks(m_faults.slowProgram));
}

void SimulatedPlayer::Erase()
{
    if (!TakeFlashOperation())
        return;
    if (TakeHang(m_faults.hangErases)) {
        GoBusy(true);
        return;
    }
    const uint32_t page = AddressedPage();
    m_operations.push_back({FlashOperation::Erase, page - page % kPagesPerEraseUnit});
    if (!ChipThere(page))
        return;
    m_flash.EraseUnit(page);
    GoBusy(false, SlowTicks(m_faults.slowErase));
}

void SimulatedPlayer::GoBusy(bool hang, long slowTicks)
{
    if (hang || m_faults.readyNeverRises)
        m_bHung = true;
    else
        m_nBusyReads = m_faults.busyReads;
    if (slowTicks > 0)
        m_nBusyUntil = std::max(Now() + slowTicks, 1L);
}

void SimulatedPlayer::ResetCommand()
{
    m_nCommand = -1;
    m_nAddressBytes = 0;
    m_nStreamBytes = 0;
    m_bStreamOpen = false;
    m_readSource = ReadSource::None;
}

void SimulatedPlayer::Error(const std::string& what)
{
    if (m_errors.size() < kMaxErrors)
        m_errors.push_back(what);
}
