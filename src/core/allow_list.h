// The addresses remote control takes connections from: single addresses and
// CIDR ranges, IPv4 and IPv6, separated by commas ("10.0.5.0/24, 10.0.9.7,
// fd00::/8"). An empty list takes everyone.
#pragma once
#include <cstddef>

#include "core/net_address.h"

// Checks the list: true when every entry is an address or a range; false
// with the first bad entry named in error (error_size bytes).
bool CheckAllowList(const char* list, char* error, size_t error_size);

// Whether the address may connect: always with an empty list, never when it
// is in no entry. A bad entry (a stored list edited by hand) admits nobody.
bool AddressAllowed(const char* list, const NetAddress& address);
