#pragma once
// One operation at a time on a player. Two programs driving one player at
// once mix their register cycles and write each other's blocks, so each
// command (a refill of the list, an upload batch, a removal, ...) holds the
// player for itself. What is held depends on what answers the link: the
// image file of the simulated player, the parallel-port device on Linux, a
// named mutex per port on Windows; DeviceLink::HoldPlayer takes it.

enum class LockResult {
    Held,   // this program has the player now
    Busy,   // another program still has it after the wait
    Failed, // the port itself refused; the port says why
};

// How long a program waits for another to let go before it says so.
constexpr long kPlayerLockWaitMs = 3000;

class PlayerLock {
public:
    virtual ~PlayerLock() = default;
    // The player on the port at `base`, waiting up to `waitMs` for another
    // program to let it go.
    virtual LockResult Acquire(int base, long waitMs) = 0;
    virtual void Release() = 0;
};
