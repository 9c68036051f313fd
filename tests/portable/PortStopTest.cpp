// A stop request (Ctrl+C) through the ports: the link's operations fail at
// once without another word to the player, a hold lets a save finish, and
// clearing the request lets the last words through.

#include <gtest/gtest.h>

#include "link/PortStop.h"
#include "link/RecordingPortIo.h"
#include "TestPlayer.h"

namespace {

struct PortStop : ::testing::Test {
    PortStop()
    {
        link.AttachPorts(&stoppable);
        link.SetPort(0x378);
    }
    ~PortStop() override { ClearPortStop(); }

    TestPlayer t{64};
    RecordingPortIo recorder{&t.player};
    StoppablePorts stoppable{recorder};
    DeviceLink link;
    uint8_t page[kPageSize] = {};
};

TEST_F(PortStop, AfterARequestTheLinkFailsAtOnceAndTheHoldAndClearLetItWork)
{
    ASSERT_EQ(link.Probe(), 1);
    recorder.Clear();
    RequestPortStop();
    EXPECT_EQ(link.ReadPage(0, page, 0), 0);
    EXPECT_EQ(link.WritePage(page, 0, 2, 0xFFFF, 0xFFFF), 0);
    EXPECT_EQ(link.EraseBlock(2), 0);
    EXPECT_EQ(link.WriteBlockRetry(page, 2, 0xFFFF, 0xFFFF), 0);
    for (const PortAccess& access : recorder.Log())
        ASSERT_EQ(access.kind, PortAccess::Clock) << "a port access after the stop";
    // Each wait and pause gives up at its first look or two.
    EXPECT_LT(recorder.Log().size(), 40u);

    {
        PortStopHold hold;
        EXPECT_EQ(link.EraseBlock(2), 1);
        EXPECT_EQ(link.WritePage(page, 0, 2, 0xFFFF, 0xFFFF), 1);
    }
    EXPECT_EQ(link.ReadPage(0, page, 0), 0);
    ClearPortStop();
    EXPECT_EQ(link.ReadPage(0, page, 0), 1);
    link.CloseLink();
    EXPECT_FALSE(t.player.InLinkMode());
    EXPECT_TRUE(t.player.ProtocolErrors().empty()) << t.player.ProtocolErrors()[0];
}

}
