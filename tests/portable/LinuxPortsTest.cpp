// The Linux port back ends over simulated system calls: the parallel-port
// devices (claim, registers, release), the port search over them, direct
// access as root, and what the user is told when the system says no.

#ifdef __linux__

#include <gtest/gtest.h>

#include <cstring>

#include "settings/FileProfile.h"
#include "settings/PortSelection.h"
#include "link/LinuxDirectPorts.h"
#include "link/ParportBus.h"
#include "link/PortStop.h"
#include "SimulatedPortCalls.h"
#include "TempPath.h"
#include "TestPlayer.h"

namespace {

using Log = std::vector<std::string>;

class NoQuestion : public YesNoQuestion {
public:
    bool AskYesNo(const std::string&, const std::string&) override { return false; }
};

struct LinuxPorts : ::testing::Test {
    LinuxPorts() : calls({{"/dev/parport0", 0x378, &player}, {"/dev/parport1", 0x278, nullptr}})
    {
        link.AttachPorts(&bus);
    }
    ~LinuxPorts() override { ClearPortStop(); }

    FlashMemory flash{64};
    SimulatedPlayer player{flash, 0x378};
    SimulatedPortCalls calls;
    ParportBus bus{calls};
    DeviceLink link;
    std::string error;
};

TEST_F(LinuxPorts, ANamedDeviceIsLockedClaimedUsedThroughItsIoctlsAndReleased)
{
    ASSERT_TRUE(bus.AddDevice("/dev/parport0", 0x378, &error)) << error;
    ASSERT_EQ(bus.Acquire(0x378, 0), LockResult::Held);
    link.SetPort(0x378);
    ASSERT_EQ(link.Probe(), 1);

    std::vector<uint8_t> block(kBlockSize), back(kBlockSize);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = uint8_t(i * 7);
    ASSERT_EQ(link.WriteBlock(block.data(), 3, 0xFFFF, 0xFFFF), 1);
    ASSERT_EQ(link.ReadBlock(back.data(), 3), 1);
    EXPECT_EQ(back, block);
    link.CloseLink();
    bus.Release();
    bus.Close();

    EXPECT_EQ(calls.Log(), (Log{"open /dev/parport0", "lock /dev/parport0", "claim /dev/parport0", "io",
                                "release /dev/parport0", "unlock /dev/parport0", "close /dev/parport0"}));
    EXPECT_TRUE(calls.Breaches().empty()) << calls.Breaches()[0];
    EXPECT_TRUE(player.ProtocolErrors().empty()) << player.ProtocolErrors()[0];
    EXPECT_FALSE(player.InLinkMode());
}

// The window's search, over the ports the kernel lists: one claimed at a
// time, the one that answered remembered as the window remembers it.
TEST_F(LinuxPorts, TheSearchFindsThePlayerThroughTheDeviceAtItsBaseAndRemembersIt)
{
    SimulatedPlayer other(flash, 0x278);
    SimulatedPortCalls twoPorts({{"/dev/parport0", 0x378, nullptr}, {"/dev/parport1", 0x278, &other}});
    ParportBus twoBus(twoPorts);
    for (const ParportDeviceInfo& device : ListParportDevices(twoPorts))
        ASSERT_TRUE(twoBus.AddDevice(device.path, device.base, &error)) << error;
    link.AttachPorts(&twoBus);
    TempPath folder("profile");
    FileProfile profile(folder.String() + "/mellifon.ini");
    NoQuestion question;

    ASSERT_TRUE(PortSelection(profile, question, link).SelectPort());
    EXPECT_EQ(link.m_nBasePort, 0x278);
    EXPECT_EQ(FileProfile(folder.String() + "/mellifon.ini").GetProfileString("Port", "Rio"), "632");
    twoBus.Close();
    EXPECT_TRUE(twoPorts.Breaches().empty()) << twoPorts.Breaches()[0];
    EXPECT_FALSE(twoPorts.AnyClaimed());
    EXPECT_FALSE(twoPorts.AnyOpen());
    EXPECT_TRUE(other.ProtocolErrors().empty());
}

// A device another program has locked is waited for a while, then the
// command is refused without a single register access; it is taken once free.
TEST_F(LinuxPorts, ADeviceAnotherProgramHoldsIsWaitedForThenLeftAlone)
{
    ASSERT_TRUE(bus.AddDevice("/dev/parport0", 0x378, &error));
    calls.heldElsewhere = "/dev/parport0";
    const long before = calls.Milliseconds();
    EXPECT_EQ(bus.Acquire(0x378, 3000), LockResult::Busy);
    EXPECT_GE(calls.Milliseconds() - before, 3000);
    EXPECT_LT(calls.Milliseconds() - before, 3200);
    EXPECT_EQ(calls.Log(), Log{"open /dev/parport0"});
    calls.heldElsewhere.clear();
    EXPECT_EQ(bus.Acquire(0x378, 3000), LockResult::Held);
    EXPECT_TRUE(calls.AnyClaimed());
    EXPECT_EQ(bus.Acquire(0x278, 3000), LockResult::Held); // no device of ours there
    bus.Close();
    EXPECT_FALSE(calls.AnyClaimed());
    EXPECT_TRUE(calls.Breaches().empty());
}

// A device that stops answering must not pass for a player that took the data.
TEST_F(LinuxPorts, AFailingIoctlFailsTheLinkAtOnceAndSaysWhy)
{
    ASSERT_TRUE(bus.AddDevice("/dev/parport0", 0x378, &error));
    link.SetPort(0x378);
    ASSERT_EQ(link.Probe(), 1);
    calls.failIoctlsAfter = 0;
    std::vector<uint8_t> block(kBlockSize);
    EXPECT_EQ(link.WriteBlockRetry(block.data(), 3, 0xFFFF, 0xFFFF), 0);
    EXPECT_NE(bus.Failure().find("Input/output error"), std::string::npos) << bus.Failure();
    EXPECT_TRUE(PortStopRequested());
    bus.Close();
    EXPECT_FALSE(calls.AnyClaimed());
}

TEST_F(LinuxPorts, RefusalsSayWhatToDo)
{
    calls.openError = EACCES;
    EXPECT_FALSE(bus.AddDevice("/dev/parport0", 0x378, &error));
    EXPECT_NE(error.find("lp group"), std::string::npos) << error;
    calls.openError = 0;
    EXPECT_FALSE(bus.AddDevice("/dev/parport7", 0x378, &error));
    EXPECT_NE(error.find("modprobe ppdev"), std::string::npos) << error;

    LinuxDirectPorts direct(calls);
    EXPECT_FALSE(direct.Open(0x378, &error));
    EXPECT_NE(error.find("needs root"), std::string::npos) << error;
    EXPECT_NE(error.find("--port /dev/parport0"), std::string::npos) << error;
}

// As root: ioperm for the three registers, iopl above the first 1024 ports.
TEST_F(LinuxPorts, RootReachesThePlayerWithThePortInstructions)
{
    calls.root = true;
    LinuxDirectPorts direct(calls);
    ASSERT_TRUE(direct.Open(0x378, &error)) << error;
    link.AttachPorts(&direct);
    link.SetPort(0x378);
    EXPECT_EQ(link.Probe(), 1);
    link.CloseLink();
    EXPECT_FALSE(player.InLinkMode());
    EXPECT_TRUE(calls.Breaches().empty()) << calls.Breaches()[0];
    EXPECT_EQ(calls.Log().front(), "ioperm");

    LinuxDirectPorts high(calls);
    ASSERT_TRUE(high.Open(0x408, &error));
    EXPECT_EQ(calls.Log().back(), "iopl");
}

}

#endif
