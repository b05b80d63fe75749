// The OS-free part of the socket layer: the texts of the Windows Sockets
// error codes, and when the listening socket should exist.
#include "remote/sockets.h"

#include <cstdio>

#include "core/app_state.h"

namespace {

struct SocketError {
    int code;
    const char* text;
};

const SocketError socket_errors[] = {
    {10004, "Interrupted function call"},
    {10009, "WSAEBADF"},
    {10013, "Permission denied"},
    {10014, "Bad address"},
    {10022, "Invalid argument"},
    {10024, "Too many open files"},
    {10035, "Resource temporarily unavailable"},
    {10036, "Operation now in progress"},
    {10037, "Operation already in progress"},
    {10038, "Socket operation on non-socket"},
    {10039, "Destination address required"},
    {10040, "Message too long"},
    {10041, "Protocol wrong type for socket"},
    {10042, "Bad protocol option"},
    {10043, "Protocol not supported"},
    {10044, "Socket type not supported"},
    {10045, "Operation not supported"},
    {10046, "Protocol family not supported"},
    {10047, "Address family not supported by protocol family"},
    {10048, "Address already in use"},
    {10049, "Cannot assign requested address"},
    {10050, "Network is down"},
    {10051, "Network is unreachable"},
    {10052, "Network dropped connection on reset"},
    {10053, "Software caused connection abort"},
    {10054, "Connection reset by peer"},
    {10055, "No buffer space available"},
    {10056, "Socket is already connected"},
    {10057, "Socket is not connected"},
    {10058, "Cannot send after socket shutdown"},
    {10059, "WSAETOOMANYREFS"},
    {10060, "Connection timed out"},
    {10061, "Connection refused"},
    {10062, "WSAELOOP"},
    {10063, "WSAENAMETOOLONG"},
    {10064, "Host is down"},
    {10065, "No route to host"},
    {10066, "WSAENOTEMPTY"},
    {10067, "Too many processes"},
    {10068, "WSAEUSERS"},
    {10069, "WSAEDQUOT"},
    {10070, "WSAESTALE"},
    {10071, "WSAEREMOTE"},
    {10091, "Network subsystem is unavailable"},
    {10092, "WINSOCK.DLL version out of range"},
    {10093, "Successful WSAStartup not yet performed"},
    {10101, "Graceful shutdown in progress"},
    {10102, "WSAENOMORE"},
    {10103, "WSAECANCELLED"},
    {10104, "WSAEINVALIDPROCTABLE"},
    {10105, "WSAEINVALIDPROVIDER"},
    {10106, "WSAEPROVIDERFAILEDINIT"},
    {10107, "System call failure"},
    {10108, "WSASERVICE_NOT_FOUND"},
    {10109, "Class type not found"},
    {10110, "WSA_E_NO_MORE"},
    {10111, "WSA_E_CANCELLED"},
    {10112, "WSAEREFUSED"},
    {11001, "Host not found"},
    {11002, "Non-authoritative host not found"},
    {11003, "This is a non-recoverable error"},
    {11004, "Valid name, no data record of requested type"},
    {11005, "WSA_QOS_RECEIVERS"},
    {11006, "WSA_QOS_SENDERS"},
    {11007, "WSA_QOS_NO_SENDERS"},
    {11008, "WSA_QOS_NO_RECEIVERS"},
    {11009, "WSA_QOS_REQUEST_CONFIRMED"},
    {11010, "WSA_QOS_ADMISSION_FAILURE"},
    {11011, "WSA_QOS_POLICY_FAILURE"},
    {11012, "WSA_QOS_BAD_STYLE"},
    {11013, "WSA_QOS_BAD_OBJECT"},
    {11014, "WSA_QOS_TRAFFIC_CTRL_ERROR"},
    {11015, "WSA_QOS_GENERIC_ERROR"},
};

}  // namespace

size_t SocketErrorCount()
{
    return sizeof socket_errors / sizeof socket_errors[0];
}

const char* SocketErrorText(int code)
{
    for (const SocketError& error : socket_errors)
        if (error.code == code)
            return error.text;
    return "Unknown error";
}

void FormatSocketError(char* out, size_t size, const char* label, int code)
{
    snprintf(out, size, "%s(): %s (%d)", label, SocketErrorText(code), code);
}

ListenChange ListeningSocketChange(const AppState* state)
{
    bool listening = state->server_socket != INVALID_SOCKET;
    if (!state->options.allow_remote_control)
        return listening ? LISTEN_CLOSE : LISTEN_KEEP;
    if (state->run_as_service && !listening)
        return LISTEN_OPEN;
    return LISTEN_KEEP;
}
