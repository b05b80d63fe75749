// The listener's allow-list at work: who is welcomed, and how often those
// turned away are reported.
#include <gtest/gtest.h>

#include "fake_peer.h"
#include "net_address_of.h"
#include "remote/peer_admission.h"

TEST(PeerAdmission, OthersAreTurnedAwayAndReportedOnceAMinute)
{
    FakePeer peer;
    RefusedPeers refused = {};
    const ServerEffects& fx = FakePeer::Effects();
    // An empty list welcomes everyone.
    EXPECT_TRUE(AdmitPeer(fx, &peer.state, &refused, Address("203.0.113.9")));
    strcpy(peer.state.remote_control.allow, "127.0.0.2, fd00::/8");
    EXPECT_TRUE(AdmitPeer(fx, &peer.state, &refused, Address("127.0.0.2")));
    EXPECT_TRUE(AdmitPeer(fx, &peer.state, &refused, Address("fd00::7")));
    EXPECT_TRUE(peer.events.empty());
    for (int i = 0; i < 3; i++)
        EXPECT_FALSE(AdmitPeer(fx, &peer.state, &refused, Address("::ffff:127.0.0.1")));
    EXPECT_FALSE(AdmitPeer(fx, &peer.state, &refused, Address("fe80::0:1")));
    // The first of each address at once, in its standard form; the rest
    // summed up when their minute has passed.
    std::vector<std::string> first = {
        "warning: Remote control: 1 connection from 127.0.0.1 refused in the last minute: the "
        "address is not allowed",
        "warning: Remote control: 1 connection from fe80::1 refused in the last minute: the "
        "address is not allowed"};
    EXPECT_EQ(peer.events, first);
    peer.ticks = 59999;
    ReportDueRefusals(fx, &peer.state, &refused);
    EXPECT_EQ(peer.events.size(), 2u);
    peer.ticks = 60000;
    ReportDueRefusals(fx, &peer.state, &refused);
    ASSERT_EQ(peer.events.size(), 3u);
    EXPECT_EQ(peer.events[2], "warning: Remote control: 2 connections from 127.0.0.1 refused in "
                              "the last minute: the address is not allowed");
}
