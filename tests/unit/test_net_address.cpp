// Addresses in their text forms, and the text that names a remote computer.
#include <gtest/gtest.h>

#include <string>

#include "core/net_address.h"

namespace {

std::string Formatted(const char* text)
{
    NetAddress address;
    EXPECT_TRUE(ParseNetAddress(text, &address)) << text;
    char out[NET_ADDRESS_TEXT_SIZE];
    FormatNetAddress(address, out, sizeof out);
    return out;
}

}  // namespace

TEST(NetAddress, ReadAndWrittenInTheStandardForm)
{
    struct Case {
        const char* text;
        const char* standard;
    } cases[] = {
        {"10.0.5.7", "10.0.5.7"},
        {"0.0.0.0", "0.0.0.0"},
        {"::ffff:127.0.0.1", "127.0.0.1"},  // an IPv4 peer of a dual-stack socket
        {"::", "::"},
        {"::1", "::1"},
        {"1::", "1::"},
        {"2001:DB8:0:0:1:0:0:1", "2001:db8::1:0:0:1"},  // the first of two equal runs
        {"2001:db8:0:0:0:0:2:1", "2001:db8::2:1"},
        {"2001:db8:0:1:1:1:1:1", "2001:db8:0:1:1:1:1:1"},  // one zero group stays
        {"fe80:0000:0000:0000:0204:61ff:fe9d:f156", "fe80::204:61ff:fe9d:f156"},
        {"1:0:0:2:0:0:0:3", "1:0:0:2::3"},
        {"::2:3:4:5:6:7:8", "0:2:3:4:5:6:7:8"},  // "::" never for one group
        {"1:2:3:4:5:6:1.2.3.4", "1:2:3:4:5:6:102:304"},
        {"::127.0.0.1", "::7f00:1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Formatted(c.text), c.standard) << c.text;
    // A short buffer is cut, terminated.
    NetAddress address;
    ASSERT_TRUE(ParseNetAddress("2001:db8::1", &address));
    char tiny[4];
    FormatNetAddress(address, tiny, sizeof tiny);
    EXPECT_STREQ(tiny, "200");
}

TEST(NetAddress, HostAndPortOfARemoteComputer)
{
    struct Case {
        const char* text;
        const char* host;  // null: refused
        int port;
    } cases[] = {
        {"pc7", "pc7", 0},
        {"10.0.5.7", "10.0.5.7", 0},
        {"::1", "::1", 0},
        {"fe80::1:2", "fe80::1:2", 0},
        {"[::1]", "::1", 0},
        {"[::1]:3211", "::1", 3211},
        {"[::ffff:127.0.0.1]:1", "::ffff:127.0.0.1", 1},
        {"pc7:3211", "pc7", 3211},
        {"10.0.5.7:65535", "10.0.5.7", 65535},
        {"[::1", nullptr, 0},
        {"[::1]3211", nullptr, 0},
        {"[::1]:", nullptr, 0},
        {"[pc7]:3211", nullptr, 0},
        {"[10.0.0.1]", nullptr, 0},  // brackets hold IPv6 addresses only
        {"pc7:0", nullptr, 0},
        {"pc7:65536", nullptr, 0},
        {"pc7:99999999999", nullptr, 0},
        {"pc7:32a", nullptr, 0},
        {":3211", nullptr, 0},
        {"", nullptr, 0},
    };
    for (const Case& c : cases) {
        char host[100] = "unchanged";
        int port = -1;
        bool split = SplitHostPort(c.text, host, sizeof host, &port);
        EXPECT_EQ(split, c.host != nullptr) << c.text;
        if (split && c.host) {
            EXPECT_STREQ(host, c.host) << c.text;
            EXPECT_EQ(port, c.port) << c.text;
        }
    }
    // A host that does not fit is refused, not cut.
    char small[4];
    int port;
    EXPECT_TRUE(SplitHostPort("pc7:1", small, sizeof small, &port));
    EXPECT_FALSE(SplitHostPort("pc77:1", small, sizeof small, &port));
}
