#include "remote/address_reports.h"

#include <cstdio>
#include <cstring>

namespace {

bool MinutePassed(const AddressReport& entry, DWORD now)
{
    return now - entry.last_report_ms >= REPORT_INTERVAL_MS;
}

}  // namespace

bool CountForReport(AddressReports* reports, const char* address, DWORD now, unsigned* count)
{
    AddressReport* entry = nullptr;
    AddressReport* free_entry = nullptr;
    AddressReport* oldest = &reports->entries[0];
    for (AddressReport& candidate : reports->entries) {
        if (!candidate.address[0]) {
            if (!free_entry)
                free_entry = &candidate;
        } else if (strcmp(candidate.address, address) == 0) {
            entry = &candidate;
            break;
        } else if (now - candidate.last_report_ms > now - oldest->last_report_ms) {
            oldest = &candidate;
        }
    }
    if (!entry) {
        entry = free_entry ? free_entry : oldest;
        snprintf(entry->address, sizeof entry->address, "%s", address);
        entry->unreported = 0;
        entry->last_report_ms = now;
        *count = 1;
        return true;
    }
    if (entry->unreported < ~0u)
        entry->unreported++;
    if (!MinutePassed(*entry, now))
        return false;
    *count = entry->unreported;
    entry->unreported = 0;
    entry->last_report_ms = now;
    return true;
}

void ReportDue(AddressReports* reports, DWORD now,
               void (*report)(void* context, const char* address, unsigned count), void* context)
{
    for (AddressReport& entry : reports->entries) {
        if (!entry.address[0] || !MinutePassed(entry, now) || entry.unreported == 0)
            continue;
        unsigned count = entry.unreported;
        entry.unreported = 0;
        entry.last_report_ms = now;
        report(context, entry.address, count);
    }
}

void FormatCount(unsigned count, char* out, size_t size)
{
    char digits[16];
    int length = snprintf(digits, sizeof digits, "%u", count);
    size_t used = 0;
    for (int i = 0; i < length && used + 1 < size; i++) {
        if (i > 0 && (length - i) % 3 == 0 && used + 2 < size)
            out[used++] = ',';
        out[used++] = digits[i];
    }
    if (size > 0)
        out[used] = '\0';
}
