// IPv4 and IPv6 addresses in their text forms: read ("10.0.5.7", "::1",
// "fd00::5", "::ffff:10.0.5.7") and written the standard way (RFC 5952:
// lower case, the longest run of zero groups shortened to "::", an IPv4
// peer of a dual-stack socket as its dotted form).
#pragma once
#include <cstddef>
#include <cstdint>

// "ffff:ffff:ffff:ffff:ffff:ffff:255.255.255.255" and its terminator.
const size_t NET_ADDRESS_TEXT_SIZE = 46;

// An address in 16 bytes, network order: IPv4 as its IPv4-mapped IPv6 form
// (::ffff:a.b.c.d), so that one comparison serves both.
struct NetAddress {
    uint8_t bytes[16];
};

// Reads an address (length bytes of text, no blanks, no brackets): false
// when it is none. Dotted parts are decimal without leading zeros.
bool ParseNetAddress(const char* text, size_t length, NetAddress* address);
bool ParseNetAddress(const char* text, NetAddress* address);
// Whether the address is an IPv4 one (IPv4-mapped).
bool IsIPv4Address(const NetAddress& address);
// The standard text form into out (NET_ADDRESS_TEXT_SIZE bytes or more).
void FormatNetAddress(const NetAddress& address, char* out, size_t size);

// Splits the text that names a remote computer into its host and the port
// written with it: "pc7", "10.0.5.7", "::1" (an IPv6 address, no port),
// "[::1]", "[::1]:3211", "pc7:3211", "10.0.5.7:3211". *port is 0 when none
// is written. False for anything else (a bracket not closed or around no
// IPv6 address, a port outside 1-65535, a host that does not fit).
bool SplitHostPort(const char* text, char* host, size_t host_size, int* port);
