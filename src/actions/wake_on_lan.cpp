// The parts of Wake-on-LAN that need no system call: the packet, the
// broadcast address, the address texts and the address-table walk.
#include "actions/wake_on_lan.h"

#include <climits>
#include <cstdio>
#include <cstring>

#include "core/app_state.h"
#include "core/log.h"

namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

char UpperAscii(char c)
{
    return c >= 'a' && c <= 'z' ? (char)(c - 'a' + 'A') : c;
}

// One "%d": optional blanks, an optional sign, at least one digit. Values
// beyond int saturate. Returns the position after the number, or null.
const char* ReadDecimal(const char* p, int* value)
{
    while (IsSpace(*p))
        p++;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    if (*p < '0' || *p > '9')
        return nullptr;
    long long number = 0;
    for (; *p >= '0' && *p <= '9'; p++)
        if (number <= INT_MAX)
            number = number * 10 + (*p - '0');
    if (negative)
        number = -number;
    *value = number > INT_MAX ? INT_MAX : number < INT_MIN ? INT_MIN : (int)number;
    return p;
}

// One part of an address text in C notation (0x hexadecimal, leading 0
// octal, else decimal). Returns the position after it, or null.
const char* ReadAddressPart(const char* p, uint64_t* value)
{
    unsigned base = 10;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        base = 16;
        p += 2;
    } else if (p[0] == '0') {
        base = 8;
    }
    const char* start = p;
    uint64_t number = 0;
    for (;; p++) {
        unsigned digit;
        if (*p >= '0' && *p <= '9')
            digit = (unsigned)(*p - '0');
        else if (base == 16 && UpperAscii(*p) >= 'A' && UpperAscii(*p) <= 'F')
            digit = (unsigned)(UpperAscii(*p) - 'A' + 10);
        else
            break;
        if (digit >= base)
            return nullptr;
        if (number <= 0xFFFFFFFFull)
            number = number * base + digit;
    }
    if (p == start && base != 8)  // "0" alone is a valid octal zero
        return nullptr;
    *value = number;
    return p;
}

}  // namespace

int HexDigitValue(char character)
{
    signed char c = (signed char)character;
    if (c >= 'a')
        c = (signed char)(c - 32);
    if (c >= 'A')
        return c - 55;
    if (c >= '1' && c <= '9')
        return c - '0';
    return 0;
}

void MacAddressBytes(const char* mac, unsigned char bytes[MAC_ADDRESS_BYTES])
{
    bool ended = false;
    char digits[2 * MAC_ADDRESS_BYTES];
    for (size_t i = 0; i < sizeof digits; i++) {
        ended = ended || mac[i] == '\0';
        digits[i] = ended ? '\0' : mac[i];
    }
    for (size_t i = 0; i < MAC_ADDRESS_BYTES; i++)
        bytes[i] = (unsigned char)((HexDigitValue(digits[2 * i]) * 16 +
                                    HexDigitValue(digits[2 * i + 1])) & 0xFF);
}

void BuildMagicPacket(const unsigned char mac[MAC_ADDRESS_BYTES],
                      unsigned char packet[MAGIC_PACKET_SIZE])
{
    memset(packet, 0xFF, MAC_ADDRESS_BYTES);
    for (size_t offset = MAC_ADDRESS_BYTES; offset < MAGIC_PACKET_SIZE; offset += MAC_ADDRESS_BYTES)
        memcpy(packet + offset, mac, MAC_ADDRESS_BYTES);
}

uint32_t AddressTextValue(const char* text)
{
    uint64_t parts[4];
    int count = 0;
    const char* p = text;
    for (;;) {
        if (count == 4)
            return ADDRESS_NONE;
        p = ReadAddressPart(p, &parts[count]);
        if (!p)
            return ADDRESS_NONE;
        count++;
        if (*p != '.')
            break;
        p++;
    }
    if (*p != '\0' && !IsSpace(*p))
        return ADDRESS_NONE;

    // Every part but the last is one byte; the last fills what is left.
    uint32_t value = 0;
    for (int i = 0; i < count - 1; i++) {
        if (parts[i] > 0xFF)
            return ADDRESS_NONE;
        value |= (uint32_t)parts[i] << (24 - 8 * i);
    }
    uint64_t last_limit = 0xFFFFFFFFull >> (8 * (count - 1));
    if (parts[count - 1] > last_limit)
        return ADDRESS_NONE;
    return value | (uint32_t)parts[count - 1];
}

int get_broadcast_addr(char* output, size_t size, const char* ip, const char* mask)
{
    WriteLog("get_broadcast_addr start");
    output[0] = '\0';
    if (!IsValidIPAddress(ip) || !IsValidSubnetMask(mask)) {
        WriteLog("get_broadcast_addr end, invalid ip or mask");
        return -1;
    }
    uint32_t mask_value = AddressTextValue(mask);
    uint32_t broadcast = (AddressTextValue(ip) & mask_value) | ~mask_value;
    // The limited broadcast would reach every computer of the segment.
    if (broadcast == 0xFFFFFFFF) {
        WriteLog("get_broadcast_addr end, refused 255.255.255.255");
        return -1;
    }
    FormatPackedAddress(broadcast, output, size);
    WriteLog("get_broadcast_addr end, addr=%s", output);
    return 0;
}

const char* WakeOnLanAddressProblem(const char* ip, const char* mask, const char* mac)
{
    char digits[MAC_TEXT_SIZE];
    if (!CopyField(digits, mac) || !IsValidMACAddress(digits))
        return "Invalid MAC address specified";
    if (!IsValidIPAddress(ip))
        return "Invalid IP address specified";
    if (!IsValidSubnetMask(mask))
        return "Invalid subnet mask specified";
    char broadcast[ADDRESS_TEXT_SIZE];
    if (get_broadcast_addr(broadcast, sizeof broadcast, ip, mask) != 0)
        return "Invalid IP address specified";
    return nullptr;
}

int ScanDottedNumbers(const char* text, int numbers[4])
{
    const char* p = text;
    for (int i = 0; i < 4; i++) {
        if (i > 0 && *p++ != '.')
            return i;
        p = ReadDecimal(p, &numbers[i]);
        if (!p)
            return i;
    }
    return 4;
}

uint32_t PackDottedAddress(const char* text)
{
    int n[4] = {0, 0, 0, 0};
    ScanDottedNumbers(text, n);
    return ((uint32_t)n[0] << 24) + ((uint32_t)n[1] << 16) + ((uint32_t)n[2] << 8) + (uint32_t)n[3];
}

void FormatPackedAddress(uint32_t packed, char* output, size_t size)
{
    snprintf(output, size, "%d.%d.%d.%d", (int)(packed >> 24), (int)((packed >> 16) & 0xFF),
             (int)((packed >> 8) & 0xFF), (int)(packed & 0xFF));
}

uint32_t NetworkOrder(uint32_t host_order)
{
    unsigned char bytes[4] = {(unsigned char)(host_order >> 24), (unsigned char)(host_order >> 16),
                              (unsigned char)(host_order >> 8), (unsigned char)host_order};
    uint32_t network;
    memcpy(&network, bytes, sizeof network);
    return network;
}

void FindPhysicalAddress(const AddressTableRow* rows, size_t count, uint32_t address,
                         char* output, size_t size)
{
    if (size > 0)
        output[0] = '\0';
    for (size_t i = 0; i < count; i++) {
        if (rows[i].address != address)
            continue;
        size_t length = rows[i].type == ADDRESS_ROW_INVALID ? 0 : rows[i].physical_length;
        if (length > sizeof rows[i].physical)
            length = sizeof rows[i].physical;
        static const uint8_t zeros[sizeof rows[i].physical] = {};
        if (memcmp(rows[i].physical, zeros, length) == 0)
            length = 0;
        if (2 * length + 1 > size)  // never a cut address
            return;
        for (size_t b = 0; b < length; b++)
            snprintf(output + 2 * b, size - 2 * b, "%02X", rows[i].physical[b]);
        return;
    }
}
