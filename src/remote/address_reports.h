// Warnings about what peers do, at most one a minute per address: the first
// at once, the later ones counted and summed up in the next warning. An
// attacker who repeats something thousands of times a minute writes one
// event a minute, not thousands.
#pragma once
#include <cstddef>

#include "core/platform.h"

const DWORD REPORT_INTERVAL_MS = 60000;
const size_t REPORT_ADDRESS_SIZE = 64;  // an IPv6 address in text form fits

struct AddressReport {
    char address[REPORT_ADDRESS_SIZE];  // "" for a free entry
    DWORD last_report_ms;
    unsigned unreported;  // occurrences since the last warning
};

struct AddressReports {
    // The addresses seen last; a new one takes the place of the one reported
    // longest ago.
    AddressReport entries[32];
};

// Counts one occurrence from address at now (milliseconds of a steady,
// wrapping clock): true with *count (occurrences since the last warning,
// this one included) when a warning is due now.
bool CountForReport(AddressReports* reports, const char* address, DWORD now, unsigned* count);

// Calls report(context, address, count) for every address with occurrences
// not yet reported whose minute has passed.
void ReportDue(AddressReports* reports, DWORD now,
               void (*report)(void* context, const char* address, unsigned count), void* context);

// The count with thousands separators: "1,234".
void FormatCount(unsigned count, char* out, size_t size);
