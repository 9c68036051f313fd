#pragma once
// A simulated player on port 0x378 with a virtual clock, and a link attached
// to it, for tests that talk to a player.

#include <memory>

#include "link/DeviceLink.h"
#include "simulator/FlashMemory.h"
#include "simulator/SimulatedPlayer.h"

struct TestPlayer {
    explicit TestPlayer(int blocks = FlashMemory::kDefaultBlocks, uint16_t base = 0x378)
        : flash(blocks), player(flash, base), link(std::make_unique<DeviceLink>())
    {
        player.UseVirtualClock(true);
        link->AttachPorts(&player);
        link->SetPort(base);
    }

    FlashMemory flash;
    SimulatedPlayer player;
    std::unique_ptr<DeviceLink> link;
};
