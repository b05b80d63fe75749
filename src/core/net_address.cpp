#include "core/net_address.h"

#include <cstdio>
#include <cstring>

namespace {

const uint8_t ipv4_mapped_prefix[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Four decimal parts of 0 to 255; "010" is refused, as it would read as
// octal elsewhere.
bool ParseIPv4(const char* text, size_t length, uint8_t out[4])
{
    size_t at = 0;
    for (int part = 0; part < 4; part++) {
        if (part > 0) {
            if (at >= length || text[at] != '.')
                return false;
            at++;
        }
        size_t start = at;
        unsigned value = 0;
        while (at < length && IsDigit(text[at]) && at - start < 3)
            value = value * 10 + (unsigned)(text[at++] - '0');
        size_t digits = at - start;
        if (digits == 0 || value > 255 || (digits > 1 && text[start] == '0'))
            return false;
        out[part] = (uint8_t)value;
    }
    return at == length;
}

int HexValue(char c)
{
    if (IsDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Up to eight groups of one to four hexadecimal digits, one "::" for a run
// of zero groups, and a dotted IPv4 tail for the last two.
bool ParseIPv6(const char* text, size_t length, uint8_t out[16])
{
    uint16_t groups[8] = {};
    int count = 0, gap = -1;
    size_t at = 0;
    if (length >= 2 && text[0] == ':' && text[1] == ':') {
        gap = 0;
        at = 2;
    } else if (length > 0 && text[0] == ':') {
        return false;
    }
    while (at < length) {
        const char* colon = (const char*)memchr(text + at, ':', length - at);
        size_t end = colon ? (size_t)(colon - text) : length;
        if (!colon && memchr(text + at, '.', length - at)) {
            uint8_t v4[4];
            if (count > 6 || !ParseIPv4(text + at, length - at, v4))
                return false;
            groups[count++] = (uint16_t)(v4[0] << 8 | v4[1]);
            groups[count++] = (uint16_t)(v4[2] << 8 | v4[3]);
            break;
        }
        if (end == at || end - at > 4 || count >= 8)
            return false;
        unsigned value = 0;
        for (size_t i = at; i < end; i++) {
            int digit = HexValue(text[i]);
            if (digit < 0)
                return false;
            value = value << 4 | (unsigned)digit;
        }
        groups[count++] = (uint16_t)value;
        at = end;
        if (at < length) {
            at++;  // the colon
            if (at < length && text[at] == ':') {
                if (gap >= 0)
                    return false;  // "::" only once
                gap = count;
                at++;
            } else if (at == length) {
                return false;  // a single colon at the end
            }
        }
    }
    if (gap < 0 ? count != 8 : count > 7)
        return false;
    uint16_t full[8] = {};
    int head = gap < 0 ? count : gap;
    int tail = count - head;
    memcpy(full, groups, sizeof groups[0] * (size_t)head);
    memcpy(full + 8 - tail, groups + head, sizeof groups[0] * (size_t)tail);
    for (int i = 0; i < 8; i++) {
        out[2 * i] = (uint8_t)(full[i] >> 8);
        out[2 * i + 1] = (uint8_t)full[i];
    }
    return true;
}

}  // namespace

bool ParseNetAddress(const char* text, size_t length, NetAddress* address)
{
    memset(address->bytes, 0, sizeof address->bytes);
    if (memchr(text, ':', length))
        return ParseIPv6(text, length, address->bytes);
    memcpy(address->bytes, ipv4_mapped_prefix, sizeof ipv4_mapped_prefix);
    return ParseIPv4(text, length, address->bytes + 12);
}

bool ParseNetAddress(const char* text, NetAddress* address)
{
    return ParseNetAddress(text, strlen(text), address);
}

bool IsIPv4Address(const NetAddress& address)
{
    return memcmp(address.bytes, ipv4_mapped_prefix, sizeof ipv4_mapped_prefix) == 0;
}

bool SplitHostPort(const char* text, char* host, size_t host_size, int* port)
{
    const char* end = text + strlen(text);
    const char* host_start = text;
    const char* host_end = end;
    const char* port_text = nullptr;
    if (*text == '[') {
        host_start = text + 1;
        host_end = strchr(host_start, ']');
        if (!host_end)
            return false;
        NetAddress address;
        size_t length = (size_t)(host_end - host_start);
        if (!memchr(host_start, ':', length) || !ParseNetAddress(host_start, length, &address))
            return false;
        if (host_end[1] == ':')
            port_text = host_end + 2;
        else if (host_end[1] != '\0')
            return false;
    } else if (const char* colon = strchr(text, ':')) {
        if (!strchr(colon + 1, ':')) {  // two or more: an IPv6 address
            host_end = colon;
            port_text = colon + 1;
        }
    }
    *port = 0;
    if (port_text) {
        long value = 0;
        const char* p = port_text;
        for (; *p >= '0' && *p <= '9' && value <= 65535; p++)
            value = value * 10 + (*p - '0');
        if (p == port_text || *p != '\0' || value < 1 || value > 65535)
            return false;
        *port = (int)value;
    }
    size_t length = (size_t)(host_end - host_start);
    if (length == 0 || length >= host_size)
        return false;
    memcpy(host, host_start, length);
    host[length] = '\0';
    return true;
}

void FormatNetAddress(const NetAddress& address, char* out, size_t size)
{
    const uint8_t* b = address.bytes;
    if (IsIPv4Address(address)) {
        snprintf(out, size, "%u.%u.%u.%u", b[12], b[13], b[14], b[15]);
        return;
    }
    unsigned groups[8];
    for (int i = 0; i < 8; i++)
        groups[i] = (unsigned)(b[2 * i] << 8 | b[2 * i + 1]);
    // The longest run of two or more zero groups (the first of equals) becomes "::".
    int best = -1, best_length = 1;
    for (int i = 0; i < 8;) {
        int j = i;
        while (j < 8 && groups[j] == 0)
            j++;
        if (j - i > best_length) {
            best = i;
            best_length = j - i;
        }
        i = j > i ? j : i + 1;
    }
    char text[NET_ADDRESS_TEXT_SIZE];
    size_t used = 0;
    for (int i = 0; i < 8; i++) {
        if (i == best) {
            used += (size_t)snprintf(text + used, sizeof text - used, "::");
            i += best_length - 1;
            continue;
        }
        bool after_gap = best >= 0 && i == best + best_length;
        used += (size_t)snprintf(text + used, sizeof text - used, "%s%x",
                                 i == 0 || after_gap ? "" : ":", groups[i]);
    }
    snprintf(out, size, "%s", text);
}
