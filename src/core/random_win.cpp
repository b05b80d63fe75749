// Random bytes from the system's generator (advapi32's RtlGenRandom).
#include <windows.h>
#include <ntsecapi.h>

#include "core/remote_password.h"

bool RandomBytes(void* out, size_t length)
{
    return RtlGenRandom(out, (ULONG)length) != FALSE;
}
