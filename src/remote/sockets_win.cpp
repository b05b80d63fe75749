#include "remote/sockets.h"

#include <initializer_list>

#include "core/app_state.h"
#include "core/log.h"

int InitializeSockets()
{
    WriteLog("InitializeSockets start");
    WSADATA data;
    if (WSAStartup(MAKEWORD(1, 1), &data) != 0) {
        WriteLog("InitializeSockets end because WSAStartup failed");
        return -1;
    }
    if (data.wVersion != MAKEWORD(1, 1)) {
        WSACleanup();
        WriteLog("InitializeSockets end, version=%d.%d", HIBYTE(data.wVersion),
                 LOBYTE(data.wVersion));
        return -2;
    }
    WriteLog("InitializeSockets end");
    return 0;
}

void DestroySockets(HWND window, AppState* state)
{
    WriteLog("DestroySockets start");
    if (state) {
        for (SOCKET* socket : {&state->client_socket, &state->server_socket}) {
            if (*socket != INVALID_SOCKET) {
                closesocket(*socket);
                *socket = INVALID_SOCKET;
            }
        }
    }
    WSACleanup();
    WriteLog("DestroySockets end");
}
