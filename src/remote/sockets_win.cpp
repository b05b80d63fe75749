#include "remote/sockets.h"

#include <cstdio>
#include <cstring>

#include "core/app_state.h"
#include "core/log.h"
#include "core/allow_list.h"
#include "core/messages.h"
#include "core/remote_password.h"
#include "core/report.h"
#include "remote/client_protocol.h"
#include "remote/peer_admission.h"
#include "remote/reply_lines.h"
#include "remote/server_protocol.h"

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

// IPv6 as Windows Sockets 2 defines it; the 1.1 header this program uses
// knows only IPv4, but the system's sockets take both.
const int FAMILY_IPV6 = 23;        // AF_INET6
const int LEVEL_IPV6 = 41;         // IPPROTO_IPV6
const int OPTION_IPV6_ONLY = 27;   // IPV6_V6ONLY
struct SocketAddressIPv6 {         // sockaddr_in6
    short family;
    u_short port;
    u_long flow_info;
    BYTE address[16];
    u_long scope_id;
};
// Room for either kind of address (sockaddr_storage).
union SocketAddress {
    sockaddr any;
    sockaddr_in ipv4;
    SocketAddressIPv6 ipv6;
    char room[128];
};

// The system's address for address and port.
int FillSocketAddress(const NetAddress& address, int port, SocketAddress* out)
{
    *out = {};
    if (IsIPv4Address(address)) {
        out->ipv4.sin_family = AF_INET;
        memcpy(&out->ipv4.sin_addr, address.bytes + 12, 4);
        out->ipv4.sin_port = htons((u_short)port);
        return (int)sizeof out->ipv4;
    }
    out->ipv6.family = FAMILY_IPV6;
    memcpy(out->ipv6.address, address.bytes, 16);
    out->ipv6.port = htons((u_short)port);
    return (int)sizeof out->ipv6;
}

// The address of the system's address; an unknown family reads as ::.
NetAddress AddressOf(const SocketAddress& from)
{
    NetAddress address = {};
    if (from.any.sa_family == FAMILY_IPV6) {
        memcpy(address.bytes, from.ipv6.address, 16);
    } else if (from.any.sa_family == AF_INET) {
        address.bytes[10] = address.bytes[11] = 0xff;  // IPv4-mapped
        memcpy(address.bytes + 12, &from.ipv4.sin_addr, 4);
    }
    return address;
}

// Creates a TCP socket for address's family, records it in *slot and binds
// it to the family's any address and the port: 0, or -1 after reporting the
// failed call. A socket that fails a later step stays recorded until it is
// closed, so that a settings refresh does not try again and again.
int CreateBoundSocket(AppState* state, SOCKET* slot, const NetAddress& any, int port)
{
    SocketAddress address;
    int length = FillSocketAddress(any, port, &address);
    *slot = socket(address.any.sa_family, SOCK_STREAM, IPPROTO_TCP);
    if (*slot == INVALID_SOCKET)
        return Failed(state, "socket");
    if (bind(*slot, &address.any, length) == SOCKET_ERROR)
        return Failed(state, "bind");
    return 0;
}

NetAddress AnyIPv4()
{
    NetAddress any = {};
    any.bytes[10] = any.bytes[11] = 0xff;
    return any;
}

// The listening socket: IPv6 and IPv4 on one socket where the system has
// IPv6 and lets a socket take both, IPv4 alone where not. 0, or -1 after
// reporting the failed call.
int CreateListeningSocket(AppState* state, SOCKET* slot, int port)
{
    SOCKET dual = socket(FAMILY_IPV6, SOCK_STREAM, IPPROTO_TCP);
    DWORD both = 0;
    if (dual != INVALID_SOCKET &&
        setsockopt(dual, LEVEL_IPV6, OPTION_IPV6_ONLY, (const char*)&both, sizeof both) == 0) {
        *slot = dual;
        SocketAddress address;
        int length = FillSocketAddress(NetAddress{}, port, &address);
        if (bind(*slot, &address.any, length) == SOCKET_ERROR)
            return Failed(state, "bind");
        WriteLog("Listening on IPv6 and IPv4");
        return 0;
    }
    WriteLog("No socket for IPv6 and IPv4 (error %d): listening on IPv4 only", WSAGetLastError());
    if (dual != INVALID_SOCKET)
        closesocket(dual);
    return CreateBoundSocket(state, slot, AnyIPv4(), port);
}

// The connection accepted from a remote-control peer, as opposed to an
// outgoing one of the client role (which may run on another thread).
SOCKET accepted_peer = INVALID_SOCKET;

// The timer that ends a wrong password's delay.
UINT_PTR hold_timer;
HWND hold_window;
AppState* hold_state;
const ServerEffects* hold_effects;

void StopHoldTimer()
{
    if (hold_timer)
        KillTimer(nullptr, hold_timer);
    hold_timer = 0;
}

// When the accepted peer last sent something (or its delay ended).
DWORD peer_heard_ms;

void CALLBACK EndHold(HWND, UINT, UINT_PTR, DWORD)
{
    StopHoldTimer();
    peer_heard_ms = GetTickCount();
    ReleaseHeldCommands(*hold_effects, hold_window, hold_state);
    // The read notifications of the delay were passed over: read what
    // arrived meanwhile.
    if (hold_state->client_socket != INVALID_SOCKET && !HoldingCommands())
        ReadFromClientSocket(*hold_effects, hold_window, hold_state);
}

// A close notification may be stale: queued for an earlier connection whose
// handle value the current one reuses. Only a peer that has really closed
// (or failed) is closed; what it sent before is still run.
void OnPeerClosed(const ServerEffects& effects, HWND window, AppState* state, int error)
{
    const int most_blocks = 64;  // a live peer that keeps sending is left to FD_READ
    SOCKET peer = state->client_socket;
    for (int i = 0; i < most_blocks && state->client_socket == peer && !HoldingCommands(); i++) {
        char byte;
        int got = recv(peer, &byte, 1, MSG_PEEK);
        if (got > 0) {
            ReadFromClientSocket(effects, window, state);
        } else if (got == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) {
            WriteLog("Close notification of an earlier connection ignored");
            return;
        } else {
            if (error)
                LogSocketError(state, "FD_CLOSE", error);
            CloseClientSocket(window, state);
            return;
        }
    }
}

// The listener's own state: the timer of its watch and the addresses it
// turned away.
struct Listener {
    UINT_PTR watch_timer;
    HWND window;
    AppState* state;
    RefusedPeers refused;
};
Listener listener;

// The listener's watch: closes a peer that stays silent, and writes the
// summaries of wrong passwords and refused addresses that are due.
void CALLBACK WatchPeer(HWND, UINT, UINT_PTR, DWORD)
{
    AppState* state = listener.state;
    if (state->client_socket != INVALID_SOCKET && state->client_socket == accepted_peer &&
        !HoldingCommands() && GetTickCount() - peer_heard_ms >= g_peer_silence_ms) {
        WriteLog("Peer %s silent for %lu ms, connection closed", state->peer_address,
                 (unsigned long)g_peer_silence_ms);
        CloseClientSocket(listener.window, state);
    }
    ServerEffects fx = SocketServerEffects();
    ReportDueWarnings(fx, listener.window, state);
    ReportDueRefusals(fx, state, &listener.refused);
}

void StopWatch()
{
    if (listener.watch_timer)
        KillTimer(nullptr, listener.watch_timer);
    listener.watch_timer = 0;
}

// Tells a newcomer that the server is busy and closes its connection. What
// it sent is read first: closing with unread bytes would reset the
// connection and might take the answer along.
void TurnAway(SOCKET newcomer, const char* address)
{
    static const char busy[] = "501 Server busy with another client, try again later\r\n";
    send(newcomer, busy, (int)sizeof busy - 1, 0);
    shutdown(newcomer, 1);  // sending
    char unread[512];
    for (int i = 0; i < 16 && recv(newcomer, unread, sizeof unread, 0) > 0; i++) {
    }
    closesocket(newcomer);
    WriteLog("Connection from %s refused: an authenticated peer is connected", address);
}

}  // namespace

DWORD g_peer_silence_ms = PEER_SILENCE_MS;

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
    g_close_record_socket = [](SOCKET socket) { closesocket(socket); };
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

void LogSocketError(AppState*, const char* label, int code)
{
    char text[200];
    FormatSocketError(text, sizeof text, label, code);
    WriteLog("Connection error: %s", text);
}

void HoldPeerCommands(const ServerEffects& fx, HWND window, AppState* state, DWORD ms)
{
    StopHoldTimer();
    hold_effects = &fx;
    hold_window = window;
    hold_state = state;
    hold_timer = SetTimer(nullptr, 0, ms, EndHold);
    if (!hold_timer)
        WriteLog("HoldPeerCommands: SetTimer failed, error=%lu", GetLastError());
}

void ShowSocketErrorCode(AppState* state, const char* label, int code)
{
    WriteLog("ShowSocketError start");
    char text[200];
    FormatSocketError(text, sizeof text, label, code);
    // Start-up initialised Windows Sockets, so in a service only a stop
    // arriving during start-up ends them this early: no error to tell about.
    if (code == WSANOTINITIALISED && state && state->run_as_service)
        WriteLog("Connection error during the service stop: %s", text);
    else
        Error(state, nullptr, text);
    WriteLog("ShowSocketError end");
}

int CreateServerSocket(HWND window, AppState* state)
{
    WriteLog("CreateServerSocket start, port=%d", state->remote_control.port);
    if (state->server_socket != INVALID_SOCKET)
        CloseServerSocket(window, state);

    if (CreateListeningSocket(state, state->server_socket.slot(), state->remote_control.port) != 0)
        return -1;
    // A deep backlog: peers that connect in a burst are not left to
    // retransmit their connection requests. This is Windows Sockets 2's
    // SOMAXCONN, the provider's largest; the 1.1 header's SOMAXCONN is 5.
    const int deep_backlog = 0x7fffffff;
    if (listen(state->server_socket, deep_backlog) == SOCKET_ERROR)
        return Failed(state, "listen");
    if (WSAAsyncSelect(state->server_socket, window, WM_SERVER_SOCKET, FD_ACCEPT) == SOCKET_ERROR)
        return Failed(state, "WSAAsyncSelect");
    StopWatch();
    listener.window = window;
    listener.state = state;
    listener.watch_timer = SetTimer(nullptr, 0, 1000, WatchPeer);
    char problem[MESSAGE_SIZE];
    if (!CheckAllowList(state->remote_control.allow, problem, sizeof problem))
        WriteLog("The allowed addresses hold a bad entry, which admits nobody: %s", problem);
    if (state->remote_control.allow[0])
        WriteLog("Connections are taken only from: %s", state->remote_control.allow);
    if (HasOldEncodedPassword(state))
        WriteLog("The remote-control password is stored in the form of older copies: set it "
                 "again to keep only its verifier and to offer the login without it in clear");
    if (!HasRemoteControlPassword(state))
        WriteEvent(state, EVENT_WARNING, EVENT_REMOTE_CONTROL,
                   "Remote control listens on port %d without a password: anyone who can "
                   "connect can shut this computer down",
                   (int)state->remote_control.port);
    WriteLog("CreateServerSocket end");
    return 0;
}

int CloseServerSocket(HWND window, AppState* state)
{
    WriteLog("CloseServerSocket start");
    StopWatch();
    if (state->server_socket != INVALID_SOCKET)
        CloseSocket(state->server_socket.slot());
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

int AcceptClientSocket(const ServerEffects& effects, HWND window, AppState* state)
{
    WriteLog("AcceptClientSocket start");
    SocketAddress from = {};
    int from_length = sizeof from;
    SOCKET peer = accept(state->server_socket, &from.any, &from_length);
    int code = WSAGetLastError();
    if (peer == INVALID_SOCKET && code == WSAEWOULDBLOCK) {
        // The peer that was announced is gone already; keep the current one.
        WriteLog("AcceptClientSocket end, nobody to accept");
        return 0;
    }
    NetAddress peer_address = AddressOf(from);
    char address[sizeof state->peer_address] = "";
    if (peer != INVALID_SOCKET)
        FormatNetAddress(peer_address, address, sizeof address);
    // A peer from elsewhere is closed at once: it hears nothing, not even
    // the welcome, and the connected peer is not disturbed.
    if (peer != INVALID_SOCKET && !AdmitPeer(effects, state, &listener.refused, peer_address)) {
        closesocket(peer);
        WriteLog("AcceptClientSocket end, address not allowed");
        return 0;
    }
    // A newcomer cuts off a peer that has not given its password, never one
    // that has.
    if (peer != INVALID_SOCKET && state->client_socket != INVALID_SOCKET &&
        state->client_socket == accepted_peer && state->authenticated &&
        HasRemoteControlPassword(state)) {
        TurnAway(peer, address);
        WriteLog("AcceptClientSocket end, busy");
        return 0;
    }
    CloseClientSocket(window, state);
    ForgetPeer();
    state->client_socket = peer;
    if (peer == INVALID_SOCKET) {
        LogSocketError(state, "accept", code);
        return -1;
    }
    snprintf(state->peer_address, sizeof state->peer_address, "%s", address);
    peer_heard_ms = GetTickCount();
    accepted_peer = peer;
    state->authenticated = !HasRemoteControlPassword(state);
    // FD_WRITE: replies that would block go out once the peer reads.
    if (WSAAsyncSelect(peer, window, WM_CLIENT_SOCKET, FD_READ | FD_WRITE | FD_CLOSE) ==
        SOCKET_ERROR) {
        LogSocketError(state, "WSAAsyncSelect", WSAGetLastError());
        CloseClientSocket(window, state);
        return -1;
    }
    ReturnClientInfo(effects, window, state, "Welcome to Haltall %s created by Telmarin",
                     VERSION_TEXT);
    SendQueuedReplies(effects, window, state);
    WriteLog("AcceptClientSocket end");
    return 0;
}

int ReadFromClientSocket(const ServerEffects& effects, HWND window, AppState* state)
{
    WriteLog("ReadFromClientSocket start");
    if (HoldingCommands()) {
        WriteLog("ReadFromClientSocket end, commands held");
        return 0;
    }
    char data[READ_SIZE + 1] = {};
    int received = recv(state->client_socket, data, (int)READ_SIZE, 0);
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
        LogSocketError(state, "recv", code);
        CloseClientSocket(window, state);
        return -1;
    }
    peer_heard_ms = GetTickCount();
    ReceiveClientData(effects, window, state, data, (size_t)received);
    WriteLog("ReadFromClientSocket end");
    return 0;
}

int CloseClientSocket(HWND window, AppState* state)
{
    WriteLog("CloseClientSocket start");
    if (state->client_socket != INVALID_SOCKET && state->client_socket == accepted_peer) {
        accepted_peer = INVALID_SOCKET;
        StopHoldTimer();
        ForgetPeer();
        CloseSocket(state->client_socket.slot());
        // Notifications still queued for it would reach the next peer,
        // which may well get the same handle value.
        MSG stale;
        while (PeekMessage(&stale, window, WM_CLIENT_SOCKET, WM_CLIENT_SOCKET, PM_REMOVE))
            WriteLog("Notification %lu of the closed connection dropped",
                     (unsigned long)WSAGETSELECTEVENT(stale.lParam));
    } else if (state->client_socket != INVALID_SOCKET) {
        CloseSocket(state->client_socket.slot());
    }
    state->authenticated = 0;
    WriteLog("CloseClientSocket end");
    return 0;
}

void OnServerSocketMessage(const ServerEffects& effects, HWND window, AppState* state,
                           WPARAM wParam, LPARAM lParam)
{
    if (WSAGETSELECTERROR(lParam) == 0 && (SOCKET)wParam == state->server_socket)
        AcceptClientSocket(effects, window, state);
}

void OnClientSocketMessage(const ServerEffects& effects, HWND window, AppState* state,
                           WPARAM wParam, LPARAM lParam)
{
    // A notification still queued for a connection closed since then must
    // not touch the current one.
    if ((SOCKET)wParam != state->client_socket)
        return;
    // A reset connection announces its end with an error: it is closed all
    // the same, as is every connection that fails.
    switch (WSAGETSELECTEVENT(lParam)) {
    case FD_READ:
        if (WSAGETSELECTERROR(lParam) == 0)
            ReadFromClientSocket(effects, window, state);
        break;
    case FD_WRITE:
        if (WSAGETSELECTERROR(lParam) == 0)
            SendQueuedReplies(effects, window, state);
        break;
    case FD_CLOSE:
        OnPeerClosed(effects, window, state, WSAGETSELECTERROR(lParam));
        break;
    }
}

DWORD g_reply_timeout_ms = 30000;
DWORD g_connect_timeout_ms = 5000;
DWORD g_group_reply_budget_ms = LONGEST_PASSWORD_DELAY_MS + 5000;

namespace {

timeval Timeout(DWORD ms)
{
    return {(long)(ms / 1000), (long)(ms % 1000 * 1000)};
}

// Connects without waiting longer than g_connect_timeout_ms: 0, or the
// error code (10060 after the time-out), as a blocking connect gives it.
int ConnectWithin(SOCKET socket, const SocketAddress& address, int address_length)
{
    u_long non_blocking = 1;
    if (ioctlsocket(socket, FIONBIO, &non_blocking) == SOCKET_ERROR)
        return WSAGetLastError();
    int code = 0;
    if (connect(socket, &address.any, address_length) == SOCKET_ERROR) {
        code = WSAGetLastError();
        if (code == WSAEWOULDBLOCK) {
            fd_set done, failed;
            FD_ZERO(&done);
            FD_SET(socket, &done);
            FD_ZERO(&failed);
            FD_SET(socket, &failed);
            timeval timeout = Timeout(g_connect_timeout_ms);
            int ready = select(0, nullptr, &done, &failed, &timeout);
            if (ready == 0) {
                code = WSAETIMEDOUT;
            } else if (ready < 0) {
                code = WSAGetLastError();
            } else {
                int length = sizeof code;
                if (getsockopt(socket, SOL_SOCKET, SO_ERROR, (char*)&code, &length) == SOCKET_ERROR)
                    code = WSAGetLastError();
            }
        }
    }
    // The exchanges that follow block as before.
    u_long blocking = 0;
    if (code == 0 && ioctlsocket(socket, FIONBIO, &blocking) == SOCKET_ERROR)
        code = WSAGetLastError();
    return code;
}

// Receives once from a blocking connection into the room of replies,
// waiting at most ms: the number of bytes; 0 when the peer closed; -1 on
// failure, with the code in *code (10060 after the time-out).
int ReceiveSome(SOCKET socket, ReplyLines* replies, int* code, DWORD ms)
{
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket, &readable);
    timeval timeout = Timeout(ms);
    int ready = select(0, &readable, nullptr, nullptr, &timeout);
    if (ready <= 0) {
        *code = ready == 0 ? WSAETIMEDOUT : WSAGetLastError();
        return -1;
    }
    size_t room;
    char* into = ReplyRoom(replies, &room);
    int received = recv(socket, into, (int)room, 0);
    *code = received < 0 ? WSAGetLastError() : 0;
    if (received > 0)
        AddReplyBytes(replies, (size_t)received);
    return received < 0 ? -1 : received;
}

}  // namespace

int ReceiveReplyLine(AppState* state, ReplyLines* replies, char* line, const char* label)
{
    // The whole line must come within the time-out, however it trickles in.
    DWORD start = GetTickCount();
    while (!TakeReplyLine(replies, line)) {
        if (ReplyLineEndless(replies)) {
            char problem[MESSAGE_SIZE];
            snprintf(problem, sizeof problem,
                     "The remote computer sent more than %u bytes without a line end",
                     (unsigned)REPLY_BYTES_LIMIT);
            Error(state, nullptr, problem);
            return -1;
        }
        // A group job's replies share what is left of its budget instead.
        DWORD spent = GetTickCount() - (state->reply_budget_ms ? state->connected_ms : start);
        DWORD allowed = state->reply_budget_ms ? state->reply_budget_ms : g_reply_timeout_ms;
        int code = WSAETIMEDOUT;
        int received = spent < allowed
                           ? ReceiveSome(state->client_socket, replies, &code, allowed - spent)
                           : -1;
        if (received == 0) {
            Error(state, nullptr, "Connection closed by the remote computer");
            return -1;
        }
        if (received < 0) {
            ShowSocketErrorCode(state, label, code);
            return -1;
        }
    }
    return 0;
}

namespace {

// addrinfo of Windows Sockets 2, whose getaddrinfo is bound on first use
// (a system without it fails the call with -1, which it never returns).
struct AddressInfo {
    int flags;
    int family;
    int socket_type;
    int protocol;
    size_t address_length;
    char* canonical_name;
    SocketAddress* address;
    AddressInfo* next;
};
// Declared with the untyped pointers of their binding.
extern "C" int WINAPI getaddrinfo(const char* node, const char* service, const void* hints,
                                  void* found);
extern "C" void WINAPI freeaddrinfo(void* found);

// The addresses a computer's name stands for, in the order to try them.
struct HostAddresses {
    NetAddress addresses[8];
    int count;
};

void AddHostAddress(HostAddresses* host, const NetAddress& address)
{
    if (host->count < (int)(sizeof host->addresses / sizeof host->addresses[0]))
        host->addresses[host->count++] = address;
}

// Resolves a name or reads an address (IPv4 in the forms the system reads,
// IPv6): 0, or -1 after reporting the failed lookup.
int ResolveHost(AppState* state, const char* name, HostAddresses* host)
{
    host->count = 0;
    NetAddress address = AnyIPv4();
    unsigned long dotted = inet_addr(name);
    if (dotted != INADDR_NONE || ParseNetAddress(name, &address)) {
        if (dotted != INADDR_NONE)
            memcpy(address.bytes + 12, &dotted, 4);
        AddHostAddress(host, address);
        return 0;
    }
    AddressInfo hints = {};
    hints.socket_type = SOCK_STREAM;
    AddressInfo* found = nullptr;
    int code = getaddrinfo(name, nullptr, &hints, &found);
    if (code == 0) {
        for (AddressInfo* at = found; at; at = at->next)
            if (at->family == AF_INET || at->family == FAMILY_IPV6)
                AddHostAddress(host, AddressOf(*at->address));
        freeaddrinfo(found);
        if (host->count > 0)
            return 0;
        code = WSANO_DATA;
    }
    // The name of the lookup in the messages is that of the older call,
    // which systems without getaddrinfo still use (IPv4 only).
    if (code != -1) {
        ShowSocketErrorCode(state, "gethostbyname", code);
        return -1;
    }
    hostent* entry = gethostbyname(name);
    if (!entry)
        return Failed(state, "gethostbyname");
    address = AnyIPv4();
    for (char** at = entry->h_addr_list; *at; at++) {
        if (entry->h_addrtype == AF_INET && entry->h_length == 4) {
            memcpy(address.bytes + 12, *at, 4);
            AddHostAddress(host, address);
        }
    }
    return 0;
}

// Connects to each address of the host in turn until one answers: 0, or
// the error code of the last attempt. The socket stays in client_socket.
int ConnectToHost(AppState* state, const HostAddresses& host, int port)
{
    int code = WSAHOST_NOT_FOUND;
    for (int i = 0; i < host.count; i++) {
        if (state->client_socket != INVALID_SOCKET)
            CloseSocket(state->client_socket.slot());
        char text[NET_ADDRESS_TEXT_SIZE];
        FormatNetAddress(host.addresses[i], text, sizeof text);
        WriteLog("Connecting to %s, port %d", text, port);
        CopyField(state->client_address, text);
        SocketAddress address;
        int length = FillSocketAddress(host.addresses[i], port, &address);
        state->client_socket = socket(address.any.sa_family, SOCK_STREAM, IPPROTO_TCP);
        code = state->client_socket == INVALID_SOCKET
                   ? WSAGetLastError()
                   : ConnectWithin(state->client_socket, address, length);
        if (code == 0) {
            state->connected_ms = GetTickCount();
            return 0;
        }
    }
    return code;
}

}  // namespace

int OpenServerConnection(HWND window, AppState* state, const char* server, char* message,
                         ReplyLines* replies)
{
    WriteLog("OpenServerConnection start, server=%s", server);
    if (state->client_socket != INVALID_SOCKET)
        CloseClientSocket(window, state);
    ClearReplyLines(replies);

    char name[sizeof state->remote.computer_name];
    int port;
    if (!SplitHostPort(server, name, sizeof name, &port)) {
        char problem[MESSAGE_SIZE];
        snprintf(problem, sizeof problem, "Invalid remote computer specified (%s)", server);
        Error(state, nullptr, problem, EVENT_SETTINGS_ERROR);
        return -1;
    }
    HostAddresses host;
    if (ResolveHost(state, name, &host) != 0)
        return -1;
    int code = ConnectToHost(state, host, port ? port : state->remote.port);
    if (code != 0) {
        ShowSocketErrorCode(state, code == WSAHOST_NOT_FOUND ? "gethostbyname" : "connect", code);
        return -1;
    }

    WriteLog("Waiting from response from server");
    char reply[REPLY_LINE_SIZE + 1];
    if (ReceiveReplyLine(state, replies, reply, "recv") != 0) {
        CloseClientSocket(window, state);
        return -1;
    }
    WriteLog("response=%s", StripLineEnd(reply));
    const char* text;
    int result = ReadReply(reply, message, &text);
    WriteLog("OpenServerConnection end, result=%d", result);
    return result;
}
