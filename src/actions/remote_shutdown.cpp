// The share that the remote shutdown connects to with other credentials.
#include "actions/remote_shutdown.h"

#include <cstdio>


bool AdminShareName(const char* computer_name, char* output, size_t size)
{
    const char* format = computer_name[0] == '\\' ? "%s\\admin$" : "\\\\%s\\admin$";
    int length = snprintf(output, size, format, computer_name);
    if (length < 0 || (size_t)length >= size) {
        if (size > 0)
            output[0] = '\0';
        return false;
    }
    return true;
}
