#include "settings/PortSelection.h"

#include <cerrno>
#include <cstdlib>
#include <string>

#include "storage/PlayerHold.h"

const char* const kNoPlayerText =
    "Cannot find Rio on any LPT port.Please connect Rio and press YES to retry.\n"
    "Press NO to quit Mellifon.\n";
const char* const kNoPlayerCaption = "Quorl  mellifon@example.com";

namespace {
const char* const kSection = "Port";
const char* const kEntry = "Rio";
constexpr int kDefaultPort = 0x378;
constexpr int kFirstRetryPort = 0x3BC;
constexpr int kFallbackPorts[] = {0x378, 0x278, 0x268, 0x2C6, 0x2C7, 0x408, 0x40A, 0x40C};
}

PortSelection::PortSelection(AppProfile& profile, YesNoQuestion& question, DeviceLink& link)
    : m_profile(profile), m_question(question), m_link(link)
{
}

// Like "%d": leading blanks, an optional sign, digits, anything after them
// ignored. A number that cannot be a parallel port's base (the first 256
// addresses belong to the system board, and the three registers must fit in
// 16 bits) counts as no number, so a hand-edited value never sends cycles to
// some unrelated device.
int PortSelection::ParseSavedPort(const std::string& text)
{
    const char* start = text.c_str();
    char* end = nullptr;
    errno = 0;
    long value = std::strtol(start, &end, 10);
    if (end == start || errno == ERANGE || value < 0x100 || value > 0xFFFD)
        return kDefaultPort;
    return int(value);
}

int PortSelection::TryPort(int base)
{
    m_link.SetPort(base);
    PlayerHold hold(m_link);
    if (!hold || !m_link.Probe())
        return 0;
    m_profile.WriteProfileString(kSection, kEntry, std::to_string(base));
    return 1;
}

bool PortSelection::TryFallbackPorts()
{
    for (int base : kFallbackPorts)
        if (TryPort(base))
            return true;
    return false;
}

bool PortSelection::SelectPort()
{
    if (m_profile.GetProfileString(kSection, kEntry).empty())
        m_profile.WriteProfileString(kSection, kEntry, "888");
    const int saved = ParseSavedPort(m_profile.GetProfileString(kSection, kEntry));
    if (TryPort(saved) || TryPort(kFirstRetryPort))
        return true;
    for (;;) {
        if (TryFallbackPorts())
            return true;
        if (m_closeSplash)
            m_closeSplash();
        if (!m_question.AskYesNo(kNoPlayerText, kNoPlayerCaption))
            return false;
        if (TryPort(kFirstRetryPort))
            return true;
    }
}
