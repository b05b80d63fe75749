#include "core/text_compare.h"

namespace {

char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c;
}

}  // namespace

bool EqualIgnoringCaseN(const char* a, const char* b, size_t count)
{
    for (; count > 0 && *a && *b; a++, b++, count--)
        if (LowerAscii(*a) != LowerAscii(*b))
            return false;
    return count == 0 || *a == *b;
}

bool EqualIgnoringCase(const char* a, const char* b)
{
    return EqualIgnoringCaseN(a, b, (size_t)-1);
}

int CompareIgnoringCase(const char* a, const char* b)
{
    for (; *a && LowerAscii(*a) == LowerAscii(*b); a++, b++) {
    }
    return (unsigned char)LowerAscii(*a) - (unsigned char)LowerAscii(*b);
}
