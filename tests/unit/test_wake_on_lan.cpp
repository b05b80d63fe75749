#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "actions/wake_on_lan.h"

TEST(BroadcastAddress, SubnetsAndRefusals)
{
    struct {
        const char* ip;
        const char* mask;
        const char* broadcast;  // empty: refused
    } cases[] = {
        {"192.168.1.20", "255.255.255.0", "192.168.1.255"},
        {"192.168.1.20", "255.255.0.0", "192.168.255.255"},
        {"127.0.0.1", "255.0.0.0", "127.255.255.255"},
        {"10.1.2.3", "255.255.255.252", "10.1.2.3"},
        {"10.1.2.3", "255.255.255.255", "10.1.2.3"},
        // Nothing that would end at the limited broadcast address.
        {"10.1.2.3", "0.0.0.0", ""},
        {"255.255.255.255", "255.255.255.0", ""},
        {"192.168.1.20", "", ""},
        {"192.168.1.20", "255.255.255.x", ""},
        {"192.168.1.20", "255.0.255.0", ""},
        {"nonsense", "255.255.255.0", ""},
        {"256.1.1.1", "255.0.0.0", ""},
        {"10.1", "255.255.0.0", ""},
        {"012.0.0.1 trailing", "255.0.0.0", ""},
    };
    for (auto& c : cases) {
        char out[ADDRESS_TEXT_SIZE];
        memset(out, 'x', sizeof out);
        EXPECT_EQ(get_broadcast_addr(out, sizeof out, c.ip, c.mask), c.broadcast[0] ? 0 : -1)
            << c.ip << " / " << c.mask;
        EXPECT_STREQ(out, c.broadcast) << c.ip << " / " << c.mask;
    }
}

TEST(BroadcastAddress, TheFirstUnusableAddressIsNamed)
{
    struct {
        const char* ip;
        const char* mask;
        const char* mac;
        const char* problem;
    } cases[] = {
        {"10.0.0.1", "255.0.0.0", "00-11-22-33-44-aa", nullptr},
        {"10.0.0.1", "255.0.0.0", "GGHHIIJJKKLL", "Invalid MAC address specified"},
        {"10.0.0.1", "255.0.0.0", "00:11:22:33:44:AA:BB", "Invalid MAC address specified"},
        {"10.0.0", "255.0.0.0", "001122334455", "Invalid IP address specified"},
        {"10.0.0.1", "0.0.0.0", "001122334455", "Invalid subnet mask specified"},
        {"255.255.255.255", "255.0.0.0", "001122334455", "Invalid IP address specified"},
    };
    for (auto& c : cases) {
        const char* problem = WakeOnLanAddressProblem(c.ip, c.mask, c.mac);
        EXPECT_STREQ(problem ? problem : "", c.problem ? c.problem : "") << c.ip << " " << c.mac;
    }
}

TEST(AddressTextValue, FormsThePlatformReads)
{
    struct {
        const char* text;
        uint32_t value;
    } cases[] = {
        {"1.2.3.4", 0x01020304},          {"255.255.255.255", 0xFFFFFFFF},
        {"0.0.0.0", 0},                   {"1.2.3", 0x01020003},
        {"1.70000", 0x01011170},          {"16909060", 0x01020304},
        {"0x7f.1", 0x7F000001},           {"010.0.0.1", 0x08000001},
        {"1.2.3.4 5", 0x01020304},        {"", ADDRESS_NONE},
        {"1.2.3.4.5", ADDRESS_NONE},      {"1..3.4", ADDRESS_NONE},
        {"1.2.3.256", ADDRESS_NONE},      {"1.2.65536", ADDRESS_NONE},
        {"09.1.1.1", ADDRESS_NONE},       {"0x", ADDRESS_NONE},
        {"1.2.3.4x", ADDRESS_NONE},       {"-1.0.0.0", ADDRESS_NONE},
        {"4294967296", ADDRESS_NONE},
    };
    for (auto& c : cases)
        EXPECT_EQ(AddressTextValue(c.text), c.value) << '"' << c.text << '"';
}

TEST(MagicPacket, SixFFThenTwentyCopiesOfTheMac)
{
    unsigned char mac[MAC_ADDRESS_BYTES];
    MacAddressBytes("0011223344aA", mac);
    const unsigned char expected_mac[] = {0x00, 0x11, 0x22, 0x33, 0x44, 0xAA};
    ASSERT_EQ(memcmp(mac, expected_mac, sizeof mac), 0);

    unsigned char packet[MAGIC_PACKET_SIZE + 1];
    packet[MAGIC_PACKET_SIZE] = 0x5A;  // must stay untouched
    BuildMagicPacket(mac, packet);
    for (int i = 0; i < 6; i++)
        EXPECT_EQ(packet[i], 0xFF) << i;
    for (int copy = 0; copy < 20; copy++)
        EXPECT_EQ(memcmp(packet + 6 + 6 * copy, expected_mac, 6), 0) << "copy " << copy;
    EXPECT_EQ(packet[MAGIC_PACKET_SIZE], 0x5A);
}

TEST(MagicPacket, DigitValuesOfAnyText)
{
    struct {
        char c;
        int value;
    } digits[] = {
        {'0', 0}, {'1', 1}, {'9', 9}, {'A', 10}, {'f', 15}, {'F', 15},
        {'G', 16}, {'z', 35}, {'@', 0}, {' ', 0}, {'\0', 0}, {(char)0xE9, 0},  // negative as signed
    };
    for (auto& d : digits)
        EXPECT_EQ(HexDigitValue(d.c), d.value) << (int)(unsigned char)d.c;

    struct {
        const char* mac;
        unsigned char bytes[MAC_ADDRESS_BYTES];
    } macs[] = {
        {"ZZ0000000000", {(35 * 16 + 35) & 0xFF, 0, 0, 0, 0, 0}},  // kept to 8 bits
        {"12345", {0x12, 0x34, 0x50, 0, 0, 0}},                     // nothing read past the end
        {"", {0, 0, 0, 0, 0, 0}},
    };
    for (auto& m : macs) {
        unsigned char bytes[MAC_ADDRESS_BYTES];
        MacAddressBytes(m.mac, bytes);
        EXPECT_EQ(memcmp(bytes, m.bytes, sizeof bytes), 0) << m.mac;
    }
}

TEST(AddressChecks, MacFormsBecomeTwelveUpperCaseDigits)
{
    struct {
        const char* text;
        int valid;
        const char* after;  // refused texts stay as they were
    } cases[] = {
        {"0011223344aa", 1, "0011223344AA"},
        {"abcdefABCDEF", 1, "ABCDEFABCDEF"},
        {"00:11:22:33:44:AA", 1, "0011223344AA"},
        {"00-11-22-33-44-aa", 1, "0011223344AA"},
        {"00112233445", 0, "00112233445"},
        {"0011223344aab", 0, "0011223344aab"},
        {"GGHHIIJJKKLL", 0, "GGHHIIJJKKLL"},
        {"00:11:22:33:4", 0, "00:11:22:33:4"},
        {"00:11-22:33:44:55", 0, "00:11-22:33:44:55"},  // mixed separators
        {"00.11.22.33.44.55", 0, "00.11.22.33.44.55"},
        {"0:011:22:33:44:55", 0, "0:011:22:33:44:55"},
        {"", 0, ""},
    };
    for (auto& c : cases) {
        char text[32];
        strcpy(text, c.text);
        EXPECT_EQ(IsValidMACAddress(text), c.valid) << c.text;
        EXPECT_STREQ(text, c.after) << c.text;
    }
}

TEST(AddressChecks, IpAndMaskValidation)
{
    struct {
        const char* text;
        int ip;
        int mask;
    } cases[] = {
        {"10.0.0.1", 1, 0},         {"0.0.0.0", 1, 0},          {"255.255.255.255", 1, 1},
        {"255.255.255.0", 1, 1},    {"255.255.254.0", 1, 1},    {"255.0.255.0", 1, 0},
        {"128.0.0.0", 1, 1},        {"1.2.3.4garbage", 0, 0},   {"10.0.0", 0, 0},
        {"256.1.1.1", 0, 0},        {"-1.0.0.0", 0, 0},         {"1.2.3.99999999999", 0, 0},
        {"", 0, 0},                 {"a.b.c.d", 0, 0},          {"1 .2.3.4", 0, 0},
        {"+1.2.3.4", 0, 0},         {"0010.0.0.1", 0, 0},       {"1.2.3.4.5", 0, 0},
    };
    for (auto& c : cases) {
        EXPECT_EQ(IsValidIPAddress(c.text), c.ip) << '"' << c.text << '"';
        EXPECT_EQ(IsValidSubnetMask(c.text), c.mask) << '"' << c.text << '"';
    }
}

TEST(DottedAddress, PackingOfTheAddressControl)
{
    struct {
        const char* text;
        uint32_t packed;
        const char* back;
    } cases[] = {
        {"192.168.1.20", 0xC0A80114, "192.168.1.20"},
        {"10.1", 0x0A010000, "10.1.0.0"},  // numbers not given stay 0
        {"", 0, "0.0.0.0"},
        {"junk", 0, "0.0.0.0"},
        {" 1. 2.3.4", 0x01020304, "1.2.3.4"},  // "%d" skips blanks before a number
    };
    for (auto& c : cases) {
        EXPECT_EQ(PackDottedAddress(c.text), c.packed) << c.text;
        char back[ADDRESS_TEXT_SIZE];
        FormatPackedAddress(PackDottedAddress(c.text), back, sizeof back);
        EXPECT_STREQ(back, c.back) << c.text;
    }
    const unsigned char network[] = {192, 168, 1, 20};
    uint32_t value = NetworkOrder(0xC0A80114);
    EXPECT_EQ(memcmp(&value, network, 4), 0);
}

TEST(AddressTable, FirstRowOfTheAddressGivesItsPhysicalAddress)
{
    uint32_t wanted = NetworkOrder(0x0AD50702), other = NetworkOrder(0x0AD50703);
    AddressTableRow rows[] = {
        {1, 6, {1, 2, 3, 4, 5, 6}, other, 3},
        {1, 6, {0x02, 0x11, 0x22, 0x33, 0x44, 0x55}, wanted, 3},
        {2, 6, {9, 9, 9, 9, 9, 9}, wanted, 3},  // later rows do not count
    };
    char mac[17];
    FindPhysicalAddress(rows, 3, wanted, mac, sizeof mac);
    EXPECT_STREQ(mac, "021122334455");

    rows[1].physical_length = 0;  // an unresolved entry ends the walk empty
    FindPhysicalAddress(rows, 3, wanted, mac, sizeof mac);
    EXPECT_STREQ(mac, "");
    rows[1].physical_length = 6;  // so does one marked invalid
    rows[1].type = ADDRESS_ROW_INVALID;
    FindPhysicalAddress(rows, 3, wanted, mac, sizeof mac);
    EXPECT_STREQ(mac, "");
    rows[1].type = 3;
    AddressTableRow zeros = {1, 6, {0, 0, 0, 0, 0, 0, 7, 7}, wanted, 3};  // or one of zeros
    FindPhysicalAddress(&zeros, 1, wanted, mac, sizeof mac);
    EXPECT_STREQ(mac, "");

    rows[1].physical_length = 200;  // never read past the row's 8 bytes
    FindPhysicalAddress(rows, 3, wanted, mac, sizeof mac);
    EXPECT_EQ(strlen(mac), 16u);
    char small[13];
    FindPhysicalAddress(rows, 3, wanted, small, sizeof small);  // refused, not cut
    EXPECT_STREQ(small, "");

    FindPhysicalAddress(rows, 3, NetworkOrder(0x7F000001), mac, sizeof mac);
    EXPECT_STREQ(mac, "");
    FindPhysicalAddress(nullptr, 0, wanted, mac, sizeof mac);
    EXPECT_STREQ(mac, "");
}
