#include "core/port.h"

#include <cctype>

#include "core/app_state.h"

bool TakePort(long long value, int32_t* port)
{
    if (value > MAX_PORT)
        return false;
    *port = value <= 0 ? DEFAULT_PORT : (int32_t)value;
    return true;
}

bool TakePortText(const char* text, int32_t* port)
{
    while (isspace((unsigned char)*text))
        text++;
    bool negative = *text == '-';
    if (*text == '-' || *text == '+')
        text++;
    // Digits beyond the range only matter for their sign: stop counting once
    // the value is out of range either way.
    long long value = 0;
    for (; isdigit((unsigned char)*text) && value <= MAX_PORT; text++)
        value = value * 10 + (*text - '0');
    return TakePort(negative ? -value : value, port);
}
