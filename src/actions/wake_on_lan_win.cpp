// Wake-on-LAN: sending the magic packet, and finding a computer's MAC
// address with a ping and the system's address table.
#include <cstdlib>
#include <cstring>

#include "actions/wake_on_lan.h"
#include "core/app_state.h"
#include "core/owned.h"
#include "core/report.h"
#include "core/system_library.h"
#include "remote/sockets.h"

namespace {

typedef HANDLE(WINAPI* IcmpCreateFileFunction)(void);
typedef DWORD(WINAPI* IcmpSendEchoFunction)(HANDLE icmp, DWORD destination, void* request_data,
                                            WORD request_size, void* request_options,
                                            void* reply_buffer, DWORD reply_size, DWORD timeout);
typedef BOOL(WINAPI* IcmpCloseHandleFunction)(HANDLE icmp);

// An echo handle, closed with the close function of the library it came
// from (which the owners of core/owned.h cannot know).
struct IcmpHandle {
    IcmpHandle(HANDLE opened, IcmpCloseHandleFunction close_function)
        : handle(opened), close(close_function)
    {
    }
    IcmpHandle(const IcmpHandle&) = delete;
    IcmpHandle& operator=(const IcmpHandle&) = delete;
    ~IcmpHandle()
    {
        if (handle != INVALID_HANDLE_VALUE)
            close(handle);
    }
    const HANDLE handle;
    const IcmpCloseHandleFunction close;
};

const DWORD REPLY_BUFFER_SIZE = 92;
const WORD ECHO_DATA_SIZE = 64;

// Asks address (network order) for an echo so that the system resolves its
// physical address; the answer itself does not matter. Returns 0 or the
// code of what failed (reported here).
int Ping(const AddressLookupNames& names, AppState* state, HWND window, DWORD address)
{
    HMODULE icmp = LoadSystemLibrary(names.icmp_library);
    if (!icmp) {
        DisplayLastError(state, window);
        return LOOKUP_NO_ICMP;
    }
    auto create_file = (IcmpCreateFileFunction)(void*)GetProcAddress(icmp, names.icmp_create_file);
    auto send_echo = create_file ? (IcmpSendEchoFunction)(void*)GetProcAddress(icmp, names.icmp_send_echo)
                                 : nullptr;
    auto close_handle = send_echo ? (IcmpCloseHandleFunction)(void*)GetProcAddress(icmp, names.icmp_close_handle)
                                  : nullptr;
    if (!close_handle) {
        int code = !create_file ? LOOKUP_NO_ICMP_CREATE_FILE
                 : !send_echo   ? LOOKUP_NO_ICMP_SEND_ECHO
                                : LOOKUP_NO_ICMP_CLOSE_HANDLE;
        DisplayLastError(state, window);
        return code;
    }

    IcmpHandle icmp_handle(create_file(), close_handle);
    if (icmp_handle.handle == INVALID_HANDLE_VALUE) {
        DisplayLastError(state, window);
        return LOOKUP_NO_ICMP_HANDLE;
    }
    void* reply = calloc(1, REPLY_BUFFER_SIZE);
    if (!reply) {
        Error(state, window, "Failed to allocate global ping packet buffer");
        return LOOKUP_NO_REPLY_BUFFER;
    }
    unsigned char data[ECHO_DATA_SIZE];
    memset(data, 0xAA, sizeof data);
    send_echo(icmp_handle.handle, address, data, sizeof data, nullptr, reply, REPLY_BUFFER_SIZE, 1);
    free(reply);
    return 0;
}

}  // namespace

const AddressLookupNames SYSTEM_ADDRESS_LOOKUP_NAMES = {
    "icmp.dll", "IcmpCreateFile", "IcmpSendEcho", "IcmpCloseHandle", "Iphlpapi.dll", "GetIpNetTable"};

int DoWOL(HWND window, AppState* state)
{
    WriteLog("DoWOL start");
    // Stored settings, a group file or a peer may hold what the command line
    // and the dialogs refuse.
    if (const char* problem = WakeOnLanAddressProblem(
            state->remote.ip_address, state->remote.subnet_mask, state->remote.mac_address)) {
        Error(state, window, problem);
        WriteLog("DoWOL end, %s", problem);
        return -1;
    }
    WriteRequestEvent(state);
    WriteEvent(state, EVENT_INFORMATION, EVENT_ACTION_STARTED, "Waking up remote computer %s",
               state->remote.computer_name);
    if (state->simulate) {
        Error(state, window, "WakeOnLan", EVENT_SIMULATED);
    } else if (WakeOnLan(state, state->remote.ip_address, state->remote.subnet_mask,
                         state->remote.mac_address) != 0) {
        Error(state, window, "WakeOnLAN failed");
        WriteLog("DoWOL end, failed");
        return -1;
    }
    WriteEvent(state, EVENT_INFORMATION, EVENT_ACTION_DONE, "Wake-On-LAN packet has been sent");
    if (state->interactive)
        DisplayInformation(state, window, "Wake-On-LAN packet has been sent");
    WriteLog("DoWOL end");
    return 0;
}

int WakeOnLan(AppState* state, const char* ip, const char* mask, const char* mac)
{
    WriteLog("WakeOnLan start, ip=%s, mask=%s, mac=%s", ip, mask, mac);
    char broadcast[ADDRESS_TEXT_SIZE];
    if (get_broadcast_addr(broadcast, sizeof broadcast, ip, mask) != 0) {
        WriteLog("WakeOnLan end, no broadcast address");
        return -8;
    }

    unsigned char mac_bytes[MAC_ADDRESS_BYTES];
    MacAddressBytes(mac, mac_bytes);
    unsigned char packet[MAGIC_PACKET_SIZE];
    BuildMagicPacket(mac_bytes, packet);

    OwnedSocket sock(socket(AF_INET, SOCK_DGRAM, 0));
    if (!sock) {
        ShowSocketError(state, "socket");
        WriteLog("WakeOnLan end, no socket");
        return -5;
    }
    int on = 1;
    if (setsockopt(sock.get(), SOL_SOCKET, SO_BROADCAST, (const char*)&on, sizeof on) == SOCKET_ERROR) {
        ShowSocketError(state, "setsockopt");
        WriteLog("WakeOnLan end, broadcast refused");
        return -6;
    }

    sockaddr_in destination = {};
    destination.sin_family = AF_INET;
    destination.sin_port = htons(WAKE_ON_LAN_PORT);
    destination.sin_addr.s_addr = NetworkOrder(AddressTextValue(broadcast));
    WriteLog("Sending magic packet");
    if (sendto(sock.get(), (const char*)packet, sizeof packet, 0, (const sockaddr*)&destination,
               sizeof destination) == SOCKET_ERROR) {
        ShowSocketError(state, "sendto");
        WriteLog("WakeOnLan end, not sent");
        return -7;
    }
    WriteLog("WakeOnLan end");
    return 0;
}

unsigned char* ReadAddressTable(GetIpNetTableFunction get_ip_net_table, size_t* rows, DWORD* error)
{
    ULONG size = ADDRESS_TABLE_FIRST_SIZE;
    // The table may grow between the calls; a few rounds are plenty.
    for (int attempt = 0; attempt < 4; attempt++) {
        unsigned char* buffer = (unsigned char*)calloc(1, size);
        if (!buffer) {
            *error = ERROR_NOT_ENOUGH_MEMORY;
            return nullptr;
        }
        ULONG asked = size;
        DWORD result = get_ip_net_table(buffer, &asked, FALSE);
        if (result == NO_ERROR) {
            uint32_t count;
            memcpy(&count, buffer, sizeof count);
            size_t room = (size - sizeof count) / sizeof(AddressTableRow);
            *rows = count < room ? count : room;
            return buffer;
        }
        if (result == ERROR_NO_DATA) {  // an empty table
            *rows = 0;
            return buffer;
        }
        free(buffer);
        if (result != ERROR_INSUFFICIENT_BUFFER || asked <= size) {
            *error = result;
            return nullptr;
        }
        size = asked;
    }
    *error = ERROR_INSUFFICIENT_BUFFER;
    return nullptr;
}

int LookupMACAddress(AppState* state, HWND window, DWORD address, int control_id)
{
    return LookupMACAddressUsing(SYSTEM_ADDRESS_LOOKUP_NAMES, state, window, address, control_id);
}

int LookupMACAddressUsing(const AddressLookupNames& names, AppState* state, HWND window,
                          DWORD address, int control_id)
{
    unsigned char bytes[4];
    memcpy(bytes, &address, sizeof bytes);
    WriteLog("LookupMACAddress start, address=%d.%d.%d.%d", bytes[0], bytes[1], bytes[2], bytes[3]);
    int code = Ping(names, state, window, address);
    if (code != 0) {
        WriteLog("LookupMACAddress end, ret=%d", code);
        return code;
    }

    HMODULE iphlpapi = LoadSystemLibrary(names.iphlpapi_library);
    if (!iphlpapi) {
        DisplayLastError(state, window);
        WriteLog("LookupMACAddress end, ret=%d", LOOKUP_NO_IPHLPAPI);
        return LOOKUP_NO_IPHLPAPI;
    }
    auto get_ip_net_table =
        (GetIpNetTableFunction)(void*)GetProcAddress(iphlpapi, names.get_ip_net_table);
    if (!get_ip_net_table) {
        DisplayLastError(state, window);
        WriteLog("LookupMACAddress end, ret=%d", LOOKUP_NO_GET_IP_NET_TABLE);
        return LOOKUP_NO_GET_IP_NET_TABLE;
    }

    DWORD error = 0;
    size_t rows = 0;
    unsigned char* table = ReadAddressTable(get_ip_net_table, &rows, &error);
    if (!table) {
        WriteLog("GetIpNetTable error=%lu", (unsigned long)error);
        Error(state, window, "Error during GetIpNetTable()");
        WriteLog("LookupMACAddress end, ret=%d", LOOKUP_TABLE_UNREADABLE);
        return LOOKUP_TABLE_UNREADABLE;
    }
    char mac[2 * 8 + 1];
    FindPhysicalAddress((const AddressTableRow*)(table + sizeof(uint32_t)), rows, address, mac,
                        sizeof mac);
    free(table);

    if (mac[0] == '\0') {
        Error(state, window, "MAC address not found");
        WriteLog("LookupMACAddress end, ret=%d", LOOKUP_NOT_FOUND);
        return LOOKUP_NOT_FOUND;
    }
    SetDlgItemTextA(window, control_id, mac);
    WriteLog("LookupMACAddress end, mac=%s", mac);
    return LOOKUP_FOUND;
}
