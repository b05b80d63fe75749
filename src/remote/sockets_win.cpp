#include "remote/sockets.h"

#include <cstring>

#include "core/app_state.h"
#include "core/log.h"
#include "core/report.h"
#include "remote/client_protocol.h"
#include "remote/server_protocol.h"
#include "ui/main_window.h"

namespace {

void CloseSocket(SOCKET* socket)
{
    shutdown(*socket, 2);  // both directions
    closesocket(*socket);
    *socket = INVALID_SOCKET;
}

// Reports the failed call and gives -1, the result of every failed step.
int Failed(AppState* state, const char* label)
{
    ShowSocketError(state, label);
    return -1;
}

// Creates a TCP socket, records it in *slot and binds it to any address and
// the port: 0, or -1 after reporting the failed call. A socket that fails a
// later step stays recorded until it is closed, so that a settings refresh
// does not try again and again.
int CreateBoundSocket(AppState* state, SOCKET* slot, int port)
{
    *slot = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (*slot == INVALID_SOCKET)
        return Failed(state, "socket");
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons((u_short)port);
    if (bind(*slot, (sockaddr*)&address, sizeof address) == SOCKET_ERROR)
        return Failed(state, "bind");
    return 0;
}

}  // namespace

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
        CloseServerSocket(window, state);
        CloseClientSocket(window, state);
    }
    WSACleanup();
    WriteLog("DestroySockets end");
}

void ShowSocketError(AppState* state, const char* label)
{
    ShowSocketErrorCode(state, label, WSAGetLastError());
}

void ShowSocketErrorCode(AppState* state, const char* label, int code)
{
    WriteLog("ShowSocketError start");
    char text[200];
    FormatSocketError(text, sizeof text, label, code);
    Error(state, nullptr, text);
    WriteLog("ShowSocketError end");
}

int CreateServerSocket(HWND window, AppState* state)
{
    WriteLog("CreateServerSocket start, port=%d", state->remote_control.port);
    if (state->server_socket != INVALID_SOCKET)
        CloseServerSocket(window, state);

    if (CreateBoundSocket(state, &state->server_socket, state->remote_control.port) != 0)
        return -1;
    if (listen(state->server_socket, 1) == SOCKET_ERROR)
        return Failed(state, "listen");
    if (WSAAsyncSelect(state->server_socket, window, WM_SERVER_SOCKET, FD_ACCEPT) == SOCKET_ERROR)
        return Failed(state, "WSAAsyncSelect");
    WriteLog("CreateServerSocket end");
    return 0;
}

int CloseServerSocket(HWND window, AppState* state)
{
    WriteLog("CloseServerSocket start");
    if (state->server_socket != INVALID_SOCKET)
        CloseSocket(&state->server_socket);
    CloseClientSocket(window, state);
    WriteLog("CloseServerSocket end");
    return 0;
}

void UpdateListeningSocket(HWND window, AppState* state)
{
    switch (ListeningSocketChange(state)) {
    case LISTEN_OPEN:
        CreateServerSocket(window, state);
        break;
    case LISTEN_CLOSE:
        CloseServerSocket(window, state);
        break;
    case LISTEN_KEEP:
        break;
    }
}

int AcceptClientSocket(HWND window, AppState* state)
{
    WriteLog("AcceptClientSocket start");
    SOCKET peer = accept(state->server_socket, nullptr, nullptr);
    int code = WSAGetLastError();
    if (peer == INVALID_SOCKET && code == WSAEWOULDBLOCK) {
        // The peer that was announced is gone already; keep the current one.
        WriteLog("AcceptClientSocket end, nobody to accept");
        return 0;
    }
    // A new peer always replaces the current one, without a word to it.
    CloseClientSocket(window, state);
    ClearPendingCommand();
    state->client_socket = peer;
    if (peer == INVALID_SOCKET) {
        ShowSocketErrorCode(state, "accept", code);
        return -1;
    }
    state->authenticated = state->remote_control.password[0] == '\0';
    if (WSAAsyncSelect(peer, window, WM_CLIENT_SOCKET, FD_READ | FD_CLOSE) == SOCKET_ERROR)
        return Failed(state, "WSAAsyncSelect");
    ReturnClientInfo(g_server_effects, window, state, "Welcome to Haltall %s created by Telmarin",
                     VERSION_TEXT);
    WriteLog("AcceptClientSocket end");
    return 0;
}

int ReadFromClientSocket(HWND window, AppState* state)
{
    WriteLog("ReadFromClientSocket start");
    char data[101] = {};
    int received = recv(state->client_socket, data, 100, 0);
    if (received == 0) {
        CloseClientSocket(window, state);
        WriteLog("ReadFromClientSocket end, closed by the peer");
        return 0;
    }
    if (received == SOCKET_ERROR) {
        int code = WSAGetLastError();
        if (code == WSAEWOULDBLOCK) {
            // The notification outran the data; the next one brings it.
            WriteLog("ReadFromClientSocket end, nothing to read");
            return 0;
        }
        ShowSocketErrorCode(state, "recv", code);
        CloseClientSocket(window, state);
        return -1;
    }
    ReceiveClientData(g_server_effects, window, state, data, (size_t)received);
    WriteLog("ReadFromClientSocket end");
    return 0;
}

int CloseClientSocket(HWND window, AppState* state)
{
    WriteLog("CloseClientSocket start");
    if (state->client_socket != INVALID_SOCKET)
        CloseSocket(&state->client_socket);
    state->authenticated = 0;
    WriteLog("CloseClientSocket end");
    return 0;
}

void OnServerSocketMessage(HWND window, AppState* state, WPARAM wParam, LPARAM lParam)
{
    if (WSAGETSELECTERROR(lParam) == 0 && (SOCKET)wParam == state->server_socket)
        AcceptClientSocket(window, state);
}

void OnClientSocketMessage(HWND window, AppState* state, WPARAM wParam, LPARAM lParam)
{
    // A notification still queued for a connection closed since then must
    // not touch the current one.
    if (WSAGETSELECTERROR(lParam) != 0 || (SOCKET)wParam != state->client_socket)
        return;
    if (WSAGETSELECTEVENT(lParam) == FD_READ)
        ReadFromClientSocket(window, state);
    else if (WSAGETSELECTEVENT(lParam) == FD_CLOSE)
        CloseClientSocket(window, state);
}

DWORD g_reply_timeout_ms = 30000;

int ReceiveReply(SOCKET socket, char* buffer, size_t size, int* code)
{
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket, &readable);
    timeval timeout = {(long)(g_reply_timeout_ms / 1000), (long)(g_reply_timeout_ms % 1000 * 1000)};
    int ready = select(0, &readable, nullptr, nullptr, &timeout);
    if (ready <= 0) {
        *code = ready == 0 ? WSAETIMEDOUT : WSAGetLastError();
        return -1;
    }
    int received = recv(socket, buffer, (int)size, 0);
    *code = received < 0 ? WSAGetLastError() : 0;
    if (received >= 0)
        buffer[received] = '\0';
    return received < 0 ? -1 : received;
}

int OpenServerConnection(HWND window, AppState* state, const char* server, char* message)
{
    WriteLog("OpenServerConnection start, server=%s", server);
    if (state->client_socket != INVALID_SOCKET)
        CloseClientSocket(window, state);

    if (CreateBoundSocket(state, &state->client_socket, 0) != 0)
        return -1;
    SOCKET connection = state->client_socket;

    sockaddr_in address = {};
    address.sin_family = AF_INET;
    unsigned long dotted = inet_addr(server);
    if (dotted != INADDR_NONE) {
        address.sin_addr.s_addr = dotted;
    } else {
        hostent* host = gethostbyname(server);
        if (!host)
            return Failed(state, "gethostbyname");
        address.sin_family = (short)host->h_addrtype;
        size_t length = (size_t)host->h_length;
        memcpy(&address.sin_addr, host->h_addr_list[0],
               length < sizeof address.sin_addr ? length : sizeof address.sin_addr);
    }
    address.sin_port = htons((u_short)state->remote.port);
    if (connect(connection, (sockaddr*)&address, sizeof address) == SOCKET_ERROR)
        return Failed(state, "connect");

    WriteLog("Waiting from response from server");
    char reply[REPLY_SIZE + 1] = {};
    int code = 0;
    if (ReceiveReply(connection, reply, REPLY_SIZE, &code) <= 0) {
        ShowSocketErrorCode(state, "recv", code);
        CloseClientSocket(window, state);
        return -1;
    }
    WriteLog("response=%s", StripLineEnd(reply));
    const char* text;
    int result = ReadReply(reply, message, &text);
    WriteLog("OpenServerConnection end, result=%d", result);
    return result;
}
