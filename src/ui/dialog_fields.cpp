#include "ui/dialog_fields.h"

#include <cstdlib>

int32_t EditNumber(const char* text)
{
    long value = strtol(text, nullptr, 10);
    if (value > INT32_MAX)
        return INT32_MAX;
    if (value < INT32_MIN)
        return INT32_MIN;
    return (int32_t)value;
}
