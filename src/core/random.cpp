// Random bytes from the system: its generator on Windows (advapi32's
// RtlGenRandom), /dev/urandom where the OS-free code is built natively.
#include "core/remote_password.h"

#ifdef _WIN32
#include <windows.h>
#include <ntsecapi.h>

bool RandomBytes(void* out, size_t length)
{
    return RtlGenRandom(out, (ULONG)length) != FALSE;
}
#else
#include <cstdio>

bool RandomBytes(void* out, size_t length)
{
    FILE* source = fopen("/dev/urandom", "rb");
    if (!source)
        return false;
    size_t got = fread(out, 1, length, source);
    fclose(source);
    return got == length;
}
#endif
