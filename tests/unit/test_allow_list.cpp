// The allow-list of remote control: what it reads, what it refuses, and
// which addresses it lets in.
#include <gtest/gtest.h>

#include <string>

#include "core/allow_list.h"
#include "net_address_of.h"

TEST(AllowList, EntriesAreCheckedWhereTheyAreTyped)
{
    for (const char* good : {"", " , ", "10.0.0.1", "10.0.5.0/24, 10.0.9.7", "0.0.0.0/0", "::1",
                             "fd00::/8", "::", "::/0", "2001:db8::1:2", "::ffff:10.0.0.1",
                             "1:2:3:4:5:6:7:8", "1:2:3:4:5:6:1.2.3.4", "fe80::/10,\t127.0.0.0/8 ,"})
        EXPECT_TRUE(CheckAllowList(good, nullptr, 0)) << good;
    const char* bad[] = {
        "10.0.0", "10.0.0.256", "10.0.0.1/33", "10.0.0.1/", "10.0.0.1/-1", "pc7", "010.0.0.1",
        "1:2:3:4:5:6:7:8:9", "1::2::3", ":1", "1:", "12345::", "::/129", "10.0.0.1 10.0.0.2",
        "0x0a.0.0.1", "1:2:3:4:5:6:7:1.2.3.4", "1:2:3:4:5:6::1.2.3.4", "[::1]", "fe80::1%3",
        "10.0.0.1/8/8", "1.2.3.4.5",
    };
    for (const char* entry : bad) {
        for (std::string list : {std::string(entry), "10.0.0.1, " + std::string(entry) + ", ::1"}) {
            char error[100] = "";
            EXPECT_FALSE(CheckAllowList(list.c_str(), error, sizeof error)) << list;
            EXPECT_EQ(std::string(error), std::string("Not an address or a range of addresses: ") + entry);
        }
    }
}

TEST(AllowList, WhoIsLetIn)
{
    struct Case {
        const char* list;
        const char* address;
        bool allowed;
    } cases[] = {
        {"", "203.0.113.9", true},
        {" , ", "::1", true},
        {"10.0.5.0/24", "10.0.5.200", true},
        {"10.0.5.0/24", "10.0.6.1", false},
        {"10.0.5.7", "10.0.5.7", true},
        {"10.0.5.7", "10.0.5.8", false},
        {"10.0.5.0/23", "10.0.4.1", true},
        {"10.0.5.0/23", "10.0.6.1", false},
        {"0.0.0.0/0", "198.51.100.1", true},
        {"0.0.0.0/0", "::1", false},  // IPv4 ranges hold no IPv6 address
        {"::ffff:127.0.0.1", "127.0.0.1", true},
        {"::1", "::1", true},
        {"::1", "127.0.0.1", false},
        {"::/0", "127.0.0.1", true},
        {"fd00::/8", "fd12:3456::1", true},
        {"fd00::/8", "fe80::1", false},
        {"2001:db8::/33", "2001:db8:7fff::1", true},
        {"2001:db8::/33", "2001:db8:8000::1", false},
        {"10.0.0.1, ::1, 192.168.0.0/16", "192.168.44.3", true},
        // A bad entry admits nobody; the good ones still admit theirs.
        {"pc7", "10.0.0.1", false},
        {"pc7, 10.0.0.1", "10.0.0.1", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AddressAllowed(c.list, Address(c.address)), c.allowed) << c.list << " / " << c.address;
}
