#include "ui/group_editor.h"

#include <cstdio>
#include <cstring>

#include "core/address_checks.h"
#include "core/port.h"

const char* const GROUP_COLUMN_TITLES[GROUP_COLUMNS] = {"pc",       "mac",  "subnet", "use nt",
                                                        "cur cred", "user", "port"};

const char* RemotePCProblem(const RemotePC& pc)
{
    if (pc.computer_name[0] == '\0')
        return "Host name not filled in";
    // The check upper-cases what it reads; the record keeps the address as typed.
    char mac[sizeof pc.mac_address];
    memcpy(mac, pc.mac_address, sizeof mac);
    if (mac[0] != '\0' && !IsValidMACAddress(mac))
        return "Invalid MAC address";
    if (pc.use_nt) {
        if (!pc.current_credentials && pc.username[0] == '\0')
            return "User name not filled in";
    } else if (pc.port <= 0 || pc.port > MAX_PORT) {
        return "Invalid port number";
    }
    return nullptr;
}

const char* GroupCellText(const RemotePC& pc, int column, char* buffer, size_t size)
{
    switch (column) {
    case 0:
        return pc.computer_name;
    case 1:
        return pc.mac_address;
    case 2:
        return pc.subnet_mask;
    case 3:
        return pc.use_nt ? "Y" : "N";
    case 4:
        return pc.current_credentials ? "Y" : "N";
    case 5:
        return pc.username;
    case 6:
        snprintf(buffer, size, "%d", pc.port);
        return buffer;
    default:
        return "";
    }
}
