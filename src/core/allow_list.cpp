#include "core/allow_list.h"

#include <cstdio>
#include <cstring>

namespace {

struct Range {
    NetAddress address;
    unsigned prefix;  // leading bits that must match, of the 128
};

// One entry ("a.b.c.d", "a.b.c.d/n", an IPv6 address, "x::/n"), without
// its surrounding blanks.
bool ParseRange(const char* text, size_t length, Range* range)
{
    const char* slash = (const char*)memchr(text, '/', length);
    size_t address_length = slash ? (size_t)(slash - text) : length;
    if (!ParseNetAddress(text, address_length, &range->address))
        return false;
    bool v4 = memchr(text, ':', address_length) == nullptr;
    unsigned most = v4 ? 32 : 128;
    unsigned prefix = most;
    if (slash) {
        size_t digits = length - address_length - 1;
        if (digits == 0 || digits > 3)
            return false;
        prefix = 0;
        for (size_t i = 0; i < digits; i++) {
            char c = slash[1 + i];
            if (c < '0' || c > '9')
                return false;
            prefix = prefix * 10 + (unsigned)(c - '0');
        }
        if (prefix > most)
            return false;
    }
    // An IPv4 range covers the IPv4-mapped addresses.
    range->prefix = v4 ? prefix + 96 : prefix;
    return true;
}

bool InRange(const Range& range, const NetAddress& address)
{
    for (unsigned bit = 0; bit < range.prefix; bit++) {
        uint8_t mask = (uint8_t)(0x80 >> (bit % 8));
        if ((range.address.bytes[bit / 8] ^ address.bytes[bit / 8]) & mask)
            return false;
    }
    return true;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Calls entry(text, length) for each entry of the list without its blanks
// until it returns false. Empty entries (",,", a trailing comma) are skipped.
template <typename F> void EachEntry(const char* list, F entry)
{
    for (const char* p = list; *p;) {
        size_t length = strcspn(p, ",");
        const char* start = p;
        size_t trimmed = length;
        while (trimmed > 0 && IsBlank(*start)) {
            start++;
            trimmed--;
        }
        while (trimmed > 0 && IsBlank(start[trimmed - 1]))
            trimmed--;
        if (trimmed > 0 && !entry(start, trimmed))
            return;
        p += length;
        if (*p == ',')
            p++;
    }
}

}  // namespace

bool CheckAllowList(const char* list, char* error, size_t error_size)
{
    bool good = true;
    EachEntry(list, [&](const char* text, size_t length) {
        Range range;
        if (ParseRange(text, length, &range))
            return true;
        snprintf(error, error_size, "Not an address or a range of addresses: %.*s", (int)length, text);
        good = false;
        return false;
    });
    return good;
}

bool AddressAllowed(const char* list, const NetAddress& address)
{
    bool any = false, allowed = false;
    EachEntry(list, [&](const char* text, size_t length) {
        any = true;
        Range range;
        allowed = ParseRange(text, length, &range) && InRange(range, address);
        return !allowed;
    });
    return !any || allowed;
}
