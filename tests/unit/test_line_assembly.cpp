#include <gtest/gtest.h>

#include "fake_peer.h"
#include "log_folder.h"

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

// However a password line arrives, the log shows its value as the mask,
// and a line that line assembly does not take for a password shows as is.
TEST(LineAssembly, TheLogMaskFollowsLineAssembly)
{
    const std::string x500(500, 'x');
    struct Case {
        const char* name;
        std::vector<std::string> blocks;
        bool password;  // line assembly hands the server "PASSWORD secret"
    } cases[] = {
        {"one block", {"PASSWORD secret\n"}, true},
        {"any case, CR LF", {"password secret\r\n"}, true},
        {"split in the word", {"PASS", "WORD se", "cret\n"}, true},
        {"split at the space", {"PASSWORD", " ", "secret\n"}, true},
        {"carriage returns inside", {"PASS\rWORD sec\rret\n"}, true},
        {"zero bytes inside", {std::string("PA\0SSWORD se\0cret\n", 18)}, true},
        {"after an over-long line", {x500 + "x" + "PASSWORD secret\n"}, true},
        {"after an over-long line, split", {x500, "x", "PASSWORD s", "ecret\n"}, true},
        {"behind a wrong password", {"PASSWORD wrong\nPASSWORD secret\n"}, true},
        {"value over several blocks", {"PASSWORD " + std::string(150, ' ') + "secret\n"}, true},
        {"the over-long line's 501st byte ends it", {x500 + "PASSWORD secret\n"}, false},
        {"another word", {"PASSWORDS secret\n"}, false},
    };
    for (const Case& c : cases) {
        LogFolder folder;
        FakePeer peer;
        peer.state.authenticated = 0;
        bool accepted = false;
        for (const std::string& block : c.blocks)
            for (const std::string& reply : peer.Receive(block))
                accepted = accepted || reply == "250 OK\r\n";
        CloseLog();
        std::string log;
        for (const std::string& line : LogFolder::Messages(LOG_FILE_NAME))
            log += line + "\n";
        EXPECT_EQ(accepted, c.password) << c.name;
        EXPECT_EQ(peer.state.authenticated, c.password ? 1 : 0) << c.name;
        if (c.password)
            EXPECT_EQ(log.find("ecret"), std::string::npos) << c.name << "\n" << log;
        else
            EXPECT_NE(log.find("secret"), std::string::npos) << c.name;
        EXPECT_NE(log.find("Received data from client"), std::string::npos) << c.name;
    }
}
