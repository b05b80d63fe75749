#include <gtest/gtest.h>

#include "fake_peer.h"

namespace {

const std::string VERSION_REPLY = "201 3.0.2.0\r\n";
const std::string INVALID = "501 Invalid command\r\n";
const std::string TOO_LONG = "501 Command too long\r\n";

}  // namespace

TEST(LineAssembly, LinesAreJoinedAcrossBlocksAndCarriageReturnsIgnored)
{
    const std::vector<std::vector<std::string>> deliveries = {
        {"VERSION\r\n"},
        {"VERSION\n"},
        {"VER", "SION\n"},
        {"V\rER\r\rSI", "", "ON\r", "\n"},
        {std::string("VER\0SION\n", 9)},  // a zero byte adds nothing
    };
    for (const auto& blocks : deliveries) {
        FakePeer peer;
        std::vector<std::string> replies;
        for (const std::string& block : blocks)
            for (const std::string& reply : peer.Receive(block))
                replies.push_back(reply);
        EXPECT_EQ(replies, std::vector<std::string>{VERSION_REPLY}) << blocks[0];
    }
}

TEST(LineAssembly, SeveralLinesInOneBlockRunInOrder)
{
    FakePeer peer;
    EXPECT_EQ(peer.Receive("\r\nVERSION\nACTION lock\nSTOP\nVERS"),
              (std::vector<std::string>{INVALID, VERSION_REPLY, "250 OK\r\n",
                                        "501 No active command\r\n"}));
    EXPECT_EQ(peer.state.action, LOCK);
    EXPECT_EQ(peer.Receive("ION\n"), std::vector<std::string>{VERSION_REPLY});
}

TEST(LineAssembly, ALineHoldsAtMost500Characters)
{
    FakePeer peer;
    std::string longest = "COMPUTER " + std::string(491, 'c');
    ASSERT_EQ(longest.size(), 500u);
    EXPECT_EQ(peer.Receive(longest + "\n"), std::vector<std::string>{"501 Value too long\r\n"});

    // The 501st character is refused with the 500 before it; what follows
    // it up to the line feed is a line of its own.
    EXPECT_EQ(peer.Receive(longest + "XVERSION\n"),
              (std::vector<std::string>{TOO_LONG, VERSION_REPLY}));

    // Across blocks the count goes on.
    EXPECT_EQ(peer.Receive(std::string(300, 'a')), std::vector<std::string>{});
    EXPECT_EQ(peer.Receive(std::string(300, 'a') + "\n"),
              (std::vector<std::string>{TOO_LONG, INVALID}));
}

TEST(LineAssembly, ALineThatClosesTheConnectionDropsTheRestOfTheBlock)
{
    FakePeer quit;
    EXPECT_EQ(quit.Receive("QUIT\nVERSION\nHELP\n"), std::vector<std::string>{"201 Bye bye\r\n"});
    EXPECT_FALSE(quit.Connected());

    FakePeer denied;
    denied.state.authenticated = 0;
    EXPECT_EQ(denied.Receive("SHOW\nVERSION\n"),
              std::vector<std::string>{"501 Access is denied\r\n"});
    EXPECT_EQ(denied.events, std::vector<std::string>{"close"});
}

TEST(LineAssembly, ANewPeerStartsWithAnEmptyLine)
{
    FakePeer peer;
    peer.Receive("ACTION rebo");
    ForgetPeer();
    EXPECT_EQ(peer.Receive("VERSION\n"), std::vector<std::string>{VERSION_REPLY});
}
