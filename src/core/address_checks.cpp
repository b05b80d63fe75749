#include "core/address_checks.h"

#include <cctype>
#include <cstdint>
#include <cstring>

#include "core/log.h"

namespace {

const size_t MAC_DIGITS = 12;

bool IsHex(char c)
{
    return isxdigit((unsigned char)c) != 0;
}

// The 12 digits of a MAC text, written plain or in pairs joined by one
// separator; false when the text is neither.
bool MacDigits(const char* text, char (&digits)[MAC_DIGITS + 1])
{
    size_t len = strlen(text);
    size_t step = len == MAC_DIGITS ? 2 : 3;
    if (len != MAC_DIGITS && len != MAC_DIGITS + 5)
        return false;
    char separator = step == 3 ? text[2] : '\0';
    if (step == 3 && separator != ':' && separator != '-')
        return false;
    for (size_t pair = 0; pair < MAC_DIGITS / 2; pair++) {
        const char* at = text + pair * step;
        if (!IsHex(at[0]) || !IsHex(at[1]))
            return false;
        if (step == 3 && pair < MAC_DIGITS / 2 - 1 && at[2] != separator)
            return false;
        digits[2 * pair] = (char)toupper((unsigned char)at[0]);
        digits[2 * pair + 1] = (char)toupper((unsigned char)at[1]);
    }
    digits[MAC_DIGITS] = '\0';
    return true;
}

// The address as a 32-bit number, high byte first; false unless the text is
// exactly four dotted numbers of 0 to 255 with one to three digits each.
bool ParseAddress(const char* text, uint32_t* value)
{
    *value = 0;
    for (int part = 0; part < 4; part++) {
        if (part > 0 && *text++ != '.')
            return false;
        unsigned number = 0;
        int digits = 0;
        for (; isdigit((unsigned char)*text) && digits < 4; text++, digits++)
            number = number * 10 + (unsigned)(*text - '0');
        if (digits == 0 || digits > 3 || number > 255)
            return false;
        *value = *value << 8 | number;
    }
    return *text == '\0';
}

}  // namespace

int IsValidMACAddress(char* text)
{
    WriteLog("IsValidMACAddress start");
    char digits[MAC_DIGITS + 1];
    if (!MacDigits(text, digits)) {
        size_t len = strlen(text);
        WriteLog(len == MAC_DIGITS || len == MAC_DIGITS + 5 ? "MAC address contains invalid character"
                                                            : "Length is not 12");
        return 0;
    }
    memcpy(text, digits, sizeof digits);
    WriteLog("IsValidMACAddress end");
    return 1;
}

int IsValidIPAddress(const char* text)
{
    uint32_t value;
    return ParseAddress(text, &value) ? 1 : 0;
}

int IsValidSubnetMask(const char* text)
{
    uint32_t value;
    if (!ParseAddress(text, &value) || value == 0)
        return 0;
    uint32_t hosts = ~value;  // the host part: ones only at the low end
    return (hosts & (hosts + 1)) == 0 ? 1 : 0;
}
