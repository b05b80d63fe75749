// Wake-on-LAN: the magic packet, the broadcast address of a subnet, the
// address validators and the MAC lookup through the address table.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/address_checks.h"  // IsValidMACAddress, IsValidIPAddress
#include "core/platform.h"

struct AppState;

const size_t MAGIC_PACKET_SIZE = 126;  // 6 x 0xFF, then the MAC address 20 times
const size_t MAC_ADDRESS_BYTES = 6;
const unsigned short WAKE_ON_LAN_PORT = 7;
const size_t ADDRESS_TEXT_SIZE = 16;    // "255.255.255.255" and its terminator
const uint32_t ADDRESS_NONE = 0xFFFFFFFF;  // what an unreadable address text stands for

// Value of one character of a MAC text: 'A'..'F' (either case) 10..15,
// '1'..'9' 1..9, every other character 0. Letters past 'F' are not refused
// here: they give their code minus 55, as validation is the dialogs' job.
int HexDigitValue(char character);

// The six bytes of a MAC text, two characters each. Characters past the end
// of a short text count as 0.
void MacAddressBytes(const char* mac, unsigned char bytes[MAC_ADDRESS_BYTES]);

void BuildMagicPacket(const unsigned char mac[MAC_ADDRESS_BYTES],
                      unsigned char packet[MAGIC_PACKET_SIZE]);

// The 32-bit value (host order) of an address text as the platform's
// conversion reads it: one to four parts separated by dots, each decimal,
// octal (leading 0) or hexadecimal (0x), the last part filling the bytes
// left; a blank ends the text. ADDRESS_NONE for text it cannot read.
uint32_t AddressTextValue(const char* text);

// Writes (ip AND mask) OR (NOT mask) as dotted text into output (at least
// ADDRESS_TEXT_SIZE bytes) and returns 0. Returns -1 with output empty for
// an invalid ip or mask, and when the result would be 255.255.255.255: a
// packet there reaches every computer of the segment.
int get_broadcast_addr(char* output, size_t size, const char* ip, const char* mask);

// The message for the first unusable address of a Wake-on-LAN target, or
// null when the packet can be sent.
const char* WakeOnLanAddressProblem(const char* ip, const char* mask, const char* mac);

// Reads up to four numbers as "%d.%d.%d.%d" does; returns how many were read.
// Numbers not read keep the values they had.
int ScanDottedNumbers(const char* text, int numbers[4]);

// A dotted text as the IP address control packs it: a<<24 + b<<16 + c<<8 + d,
// numbers the text does not supply being 0.
uint32_t PackDottedAddress(const char* text);
// A packed address as "%d.%d.%d.%d", high byte first.
void FormatPackedAddress(uint32_t packed, char* output, size_t size);
// A host-order address in network byte order, as the address table keeps it.
uint32_t NetworkOrder(uint32_t host_order);

// One row of the system's IP-to-physical address table.
struct AddressTableRow {
    uint32_t interface_index;
    uint32_t physical_length;
    uint8_t physical[8];
    uint32_t address;  // network byte order
    uint32_t type;     // ADDRESS_ROW_INVALID for an address not resolved
};
const uint32_t ADDRESS_ROW_INVALID = 2;
static_assert(sizeof(AddressTableRow) == 24, "the row layout of the system's address table");

// The fixed table size of the first read: an entry count and 100 rows.
const size_t ADDRESS_TABLE_FIRST_SIZE = 4 + 100 * sizeof(AddressTableRow);

// The physical address of the first row for address (network order) as
// "%02X" per byte, into output; empty when there is no such row or that row
// has no physical address. A row marked invalid, or one of zeros only, has
// none: that is how an address still being resolved shows.
void FindPhysicalAddress(const AddressTableRow* rows, size_t count, uint32_t address,
                         char* output, size_t size);

#ifdef _WIN32
// 0 when the packet was sent (or simulated), -1 on failure (reported).
int DoWOL(HWND window, AppState* state);
// 0 sent; -5 no socket; -6 broadcasting refused; -7 sending failed; -8 no
// broadcast address for ip and mask (nothing sent).
int WakeOnLan(AppState* state, const char* ip, const char* mask, const char* mac);

// Results of LookupMACAddress.
enum LookupResult {
    LOOKUP_FOUND = 0,
    LOOKUP_NOT_FOUND = 1,
    LOOKUP_TABLE_UNREADABLE = 2,
    LOOKUP_NO_GET_IP_NET_TABLE = 3,
    LOOKUP_NO_IPHLPAPI = 4,
    LOOKUP_NO_REPLY_BUFFER = 5,
    LOOKUP_NO_ICMP_HANDLE = 6,
    LOOKUP_NO_ICMP_CLOSE_HANDLE = 7,
    LOOKUP_NO_ICMP_SEND_ECHO = 8,
    LOOKUP_NO_ICMP_CREATE_FILE = 9,
    LOOKUP_NO_ICMP = 10,
};
// Pings address (network order) so that the system learns its physical
// address, then finds it in the address table and writes it into the
// window's control. Failures are reported here.
int LookupMACAddress(AppState* state, HWND window, DWORD address, int control_id);

// The libraries and entry points LookupMACAddress binds by name.
struct AddressLookupNames {
    const char* icmp_library;
    const char* icmp_create_file;
    const char* icmp_send_echo;
    const char* icmp_close_handle;
    const char* iphlpapi_library;
    const char* get_ip_net_table;
};
// The system's names, which LookupMACAddress uses.
extern const AddressLookupNames SYSTEM_ADDRESS_LOOKUP_NAMES;
// LookupMACAddress with other names, for tests of missing libraries.
int LookupMACAddressUsing(const AddressLookupNames& names, AppState* state, HWND window,
                          DWORD address, int control_id);

typedef DWORD(WINAPI* GetIpNetTableFunction)(void* table, ULONG* size, BOOL order);
// Reads the whole address table, growing the buffer to the size the system
// asks for. Returns the buffer (an entry count, then *rows rows; free it
// with free) or null with the system's error code in *error. An empty table
// is read as one without rows.
unsigned char* ReadAddressTable(GetIpNetTableFunction get_ip_net_table, size_t* rows, DWORD* error);
#endif
