#include "actions/address_checks.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "core/log.h"

int IsValidMACAddress(char* text)
{
    WriteLog("IsValidMACAddress start");
    if (strlen(text) != 12) {
        WriteLog("Length is not 12");
        return 0;
    }
    for (char* c = text; *c; c++) {
        *c = (char)toupper((unsigned char)*c);
        if (!strchr("0123456789ABCDEF", *c)) {
            WriteLog("MAC address contains invalid character");
            return 0;
        }
    }
    WriteLog("IsValidMACAddress end");
    return 1;
}

int IsValidIPAddress(const char* text)
{
    int part[4];
    if (sscanf(text, "%d.%d.%d.%d", &part[0], &part[1], &part[2], &part[3]) != 4)
        return 0;
    for (int value : part)
        if ((unsigned)value > 255)  // a negative number counts as too large
            return 0;
    return 1;
}
