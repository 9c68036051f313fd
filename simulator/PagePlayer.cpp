#include "simulator/PagePlayer.h"

#include <algorithm>
#include <cstring>

#include "format/PageFormat.h"
#include "simulator/FlashMemory.h"

namespace {

// Status reads the link's wait makes before its 1000-tick limit runs out,
// on the virtual clock.
constexpr long kReadsPerWait = 999;
constexpr long kTicksPerWait = 1000;
constexpr size_t kMaxErrors = 100;

bool TakeHang(int& count)
{
    if (count == 0)
        return false;
    if (count > 0)
        --count;
    return true;
}

}

void PagePlayer::ClearLogs()
{
    m_errors.clear();
    m_operations.clear();
    m_nWakeUps = 0;
}

void PagePlayer::Out(uint16_t, uint8_t)
{
    Error("register write while the pages are served directly");
}

uint8_t PagePlayer::In(uint16_t)
{
    Error("register read while the pages are served directly");
    return 0xFF;
}

// A wake-up ends a hang, not a slow operation.
int PagePlayer::OpenLink()
{
    if (!Present())
        return 1;
    ++m_nWakeUps;
    m_bLinkOpen = true;
    m_bHung = false;
    m_nBusyReads = 0;
    return 1;
}

int PagePlayer::CloseLink()
{
    if (Present())
        m_bLinkOpen = false;
    return 1;
}

// Lines that nothing drives float high, and bit 3 high reads as ready.
int PagePlayer::WaitReady()
{
    return WaitedReady() ? 1 : 0;
}

bool PagePlayer::WaitedReady()
{
    if (!Answering())
        return true;
    if (m_bHung || m_nBusyReads >= kReadsPerWait) {
        if (!m_bHung)
            m_nBusyReads -= kReadsPerWait;
        m_nTicks += kTicksPerWait;
        return false;
    }
    m_nBusyReads = 0;
    const long deadline = m_nTicks + kTicksPerWait;
    if (m_nBusyUntil >= deadline) {
        m_nTicks = deadline;
        return false;
    }
    m_nTicks = std::max(m_nTicks, m_nBusyUntil);
    return true;
}

// Whether a command reaches a chip that takes it. A released link hears
// nothing; a busy chip ignores it.
bool PagePlayer::TakeCommand(const char* what)
{
    if (!Present())
        return false;
    if (!m_bLinkOpen) {
        Error(std::string(what) + " while the link is closed");
        return false;
    }
    if (Busy()) {
        Error(std::string(what) + " while busy");
        return false;
    }
    return true;
}

// The bank byte selects one chip of 256 blocks; a page at or beyond the
// flash's end is on a chip that is not there.
bool PagePlayer::ChipThere(uint32_t page) const
{
    return page < m_flash.Pages();
}

// Counts down to the slow operation; its ticks when this is the one.
long PagePlayer::SlowTicks(SlowOperation& slow)
{
    if (slow.at < 0)
        return slow.ticks;
    if (slow.at == 0 || --slow.at > 0)
        return 0;
    return slow.ticks;
}

int PagePlayer::ReadPage(uint32_t page, uint8_t* destination, int keep)
{
    if (TakeCommand("page read")) {
        if (m_faults.unplugAfterReads >= 0 && m_nPageReads >= m_faults.unplugAfterReads) {
            m_faults.absent = true;
            return 0;
        }
        ++m_nPageReads;
        m_operations.push_back({FlashOperation::Read, page});
        // Nothing answers for a page on no chip: it reads ready at once.
        if (!ChipThere(page))
            return 0;
        const long slow = SlowTicks(m_faults.slowRead);
        if (slow <= kTicksPerWait)
            std::memcpy(m_register, m_flash.RawPage(page), kRawPageSize);
        if (!m_faults.readyHighAfterReadAddress)
            GoBusy(false, slow);
    }
    // The link's look right after the address: ready already means nobody
    // took it. A chip busy before it ignored the read, and once ready gives
    // what its page register holds.
    if (!Answering() || !Busy())
        return 0;
    if (m_nBusyReads > 0 && !m_bHung)
        --m_nBusyReads;
    if (!WaitedReady())
        return 0;
    return GiveRegister(destination, keep);
}

int PagePlayer::GiveRegister(uint8_t* destination, int keep)
{
    const int every = m_faults.flipBitEvery;
    if (every <= 0) {
        std::memcpy(destination, m_register, size_t(keep));
        m_nBytesSent += kRawPageSize;
        return 1;
    }
    for (int i = 0; i < kRawPageSize; ++i) {
        uint8_t value = m_register[i];
        ++m_nBytesSent;
        if (m_nBytesSent % every == 0)
            value ^= uint8_t(1u << ((m_nBytesSent / every) % 8));
        if (i < keep)
            destination[i] = value;
    }
    return 1;
}

int PagePlayer::ProgramPage(uint32_t page, const uint8_t* data, const uint8_t* spare)
{
    if (!TakeCommand("page program")) {
        // Each byte of the stream that the link sends is followed by a status read.
        if (!m_bHung)
            m_nBusyReads = m_nBusyReads > kRawPageSize ? m_nBusyReads - kRawPageSize : 0;
        return WaitedReady() ? 1 : 0;
    }
    if (!TakeFlashOperation())
        return 1;
    if (TakeHang(m_faults.hangPrograms)) {
        GoBusy(true);
        return WaitedReady() ? 1 : 0;
    }
    uint8_t stream[kRawPageSize];
    std::memcpy(stream, data, kPageSize);
    std::memcpy(stream + kPageSize, spare, kSpareSize);
    // A worn cell that will not take a 0: the byte reads back one bit high.
    long& wornIn = m_faults.wornProgram;
    uint8_t worn = 0;
    if (wornIn < 0 || (wornIn > 0 && --wornIn == 0))
        for (int i = 0; i < kPageSize && !worn; ++i)
            if (stream[i] != 0xFF) {
                worn = uint8_t(~stream[i] & -~stream[i]); // its lowest 0 bit
                stream[i] |= worn;
            }
    m_operations.push_back({FlashOperation::Program, page});
    if (!ChipThere(page))
        return 1;
    m_flash.ProgramPage(page, stream);
    std::memcpy(m_register, stream, kRawPageSize); // the stream went through the page register
    GoBusy(false, SlowTicks(m_faults.slowProgram));
    return WaitedReady() ? 1 : 0;
}

int PagePlayer::EraseUnit(uint32_t page)
{
    if (!TakeCommand("erase")) {
        // The link's look right after the confirm: ready already means
        // nobody took it; a chip busy before goes on to its wait.
        if (!Answering() || !Busy())
            return 0;
        if (m_nBusyReads > 0 && !m_bHung)
            --m_nBusyReads;
        return WaitedReady() ? 1 : 0;
    }
    if (!TakeFlashOperation())
        return 0; // the power went: the lines float high, ready at the first look
    if (TakeHang(m_faults.hangErases)) {
        GoBusy(true);
        return WaitedReady() ? 1 : 0;
    }
    m_operations.push_back({FlashOperation::Erase, page - page % kPagesPerEraseUnit});
    if (!ChipThere(page))
        return 0;
    m_flash.EraseUnit(page);
    GoBusy(false, SlowTicks(m_faults.slowErase));
    if (!Busy())
        return 0;
    if (m_nBusyReads > 0 && !m_bHung)
        --m_nBusyReads;
    return WaitedReady() ? 1 : 0;
}

// Programs and erases count towards a power cut; reads do not.
bool PagePlayer::TakeFlashOperation()
{
    if (m_faults.powerCutAfter >= 0 && m_nFlashOperations >= m_faults.powerCutAfter) {
        m_bPowerOff = true;
        m_bLinkOpen = false;
        return false;
    }
    ++m_nFlashOperations;
    return true;
}

void PagePlayer::GoBusy(bool hang, long slowTicks)
{
    if (hang || m_faults.readyNeverRises)
        m_bHung = true;
    else
        m_nBusyReads = m_faults.busyReads;
    if (slowTicks > 0)
        m_nBusyUntil = m_nTicks + slowTicks;
}

void PagePlayer::Error(const std::string& what)
{
    if (m_errors.size() < kMaxErrors)
        m_errors.push_back(what);
}
