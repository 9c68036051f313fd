#pragma once
// Finds the parallel port on which the player answers, starting with the one
// that answered last time, and remembers it. Runs once at start-up, before
// any window exists; with no player it asks the user to connect one.

#include <functional>

#include "settings/AppProfile.h"
#include "settings/YesNoQuestion.h"
#include "link/DeviceLink.h"

extern const char* const kNoPlayerText;
extern const char* const kNoPlayerCaption;

class PortSelection {
public:
    PortSelection(AppProfile& profile, YesNoQuestion& question, DeviceLink& link = g_deviceLink);

    // Closes the splash window, if there is one, before the question is asked.
    void SetSplashCloser(std::function<void()> closeSplash) { m_closeSplash = std::move(closeSplash); }

    // True when a player answered; the link is then set to its port and in link mode.
    bool SelectPort();
    // 1 when a player answered on this port, which is then saved; else 0.
    int TryPort(int base);

    // The saved port, or 0x378 when the saved text holds no usable number.
    static int ParseSavedPort(const std::string& text);

private:
    bool TryFallbackPorts();

    AppProfile& m_profile;
    YesNoQuestion& m_question;
    DeviceLink& m_link;
    std::function<void()> m_closeSplash;
};
