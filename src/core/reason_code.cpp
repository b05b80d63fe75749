#include "core/reason_code.h"

#include <cstdio>
#include <cstdlib>

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

}  // namespace

bool ParseReasonCode(const char* text, uint32_t* code)
{
    // Digits only: strtoul alone would take signs and blanks.
    if (!IsDigit(text[0]))
        return false;
    char* end;
    unsigned long major = strtoul(text, &end, 10);
    if (*end != ':' || !IsDigit(end[1]))
        return false;
    unsigned long minor = strtoul(end + 1, &end, 10);
    if (*end != '\0' || major > MAX_REASON_MAJOR || minor > MAX_REASON_MINOR)
        return false;
    *code = (uint32_t)(major << 16 | minor);
    return true;
}

void ReasonCodeText(uint32_t code, char* text, size_t size)
{
    snprintf(text, size, "%u:%u", (unsigned)(code >> 16 & MAX_REASON_MAJOR),
             (unsigned)(code & MAX_REASON_MINOR));
}
