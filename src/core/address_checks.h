// Checks of the address texts that Wake-on-LAN needs, shared by the command
// line, the dialogs and the remote-control server.
#pragma once
#include <cstddef>

const size_t MAC_TEXT_SIZE = 18;  // "00:11:22:33:44:AA" and its terminator

// 1 when text is a MAC address: 12 hexadecimal digits, or six pairs of
// digits joined all by ':' or all by '-' ("00:11:22:33:44:AA",
// "00-11-22-33-44-aa"). The text is then rewritten in place as the 12
// upper-case digits. 0, text unchanged, for anything else.
int IsValidMACAddress(char* text);
// 1 when text is exactly four dotted decimal numbers of 0 to 255, else 0.
int IsValidIPAddress(const char* text);
// 1 when text is a valid address whose bits are ones followed by zeros,
// with at least one 1: a mask of 0.0.0.0 would make every address of every
// network the broadcast address (255.255.255.255).
int IsValidSubnetMask(const char* text);
