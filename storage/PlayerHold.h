#pragma once
// A command's hold on the player (link/PlayerLock.h) for the life of a
// scope. Nested holds share the outermost, so a flow that refills the list
// inside a command takes nothing twice; the tool holds the player for its
// whole run, the window for each command.

#include "link/DeviceLink.h"

class PlayerHold {
public:
    explicit PlayerHold(DeviceLink& link) : m_link(link), m_bHeld(link.HoldPlayer()) {}
    ~PlayerHold()
    {
        if (m_bHeld)
            m_link.LetGoOfPlayer();
    }
    PlayerHold(const PlayerHold&) = delete;
    PlayerHold& operator=(const PlayerHold&) = delete;

    // False when another program has the player (the hold said so).
    explicit operator bool() const { return m_bHeld; }

private:
    DeviceLink& m_link;
    bool m_bHeld;
};
