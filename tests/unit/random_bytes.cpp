// The system's random bytes, as the unit tests have them.
#include <random>

#include "core/remote_password.h"

bool RandomBytes(void* out, size_t length)
{
    std::random_device device;
    for (size_t i = 0; i < length; i++)
        ((unsigned char*)out)[i] = (unsigned char)device();
    return true;
}
