// What the protocol's commands do to the connection, the trigger timers and
// the clock under Windows.
#include "core/app_state.h"
#include "core/clock.h"
#include "core/messages.h"
#include "core/report.h"
#include "remote/server_protocol.h"
#include "remote/sockets.h"
#include "triggers/trigger_table.h"

namespace {

long SendToPeer(HWND, AppState* state, const char* data, size_t length)
{
    int sent = send(state->client_socket, data, (int)length, 0);
    if (sent != SOCKET_ERROR)
        return sent;
    int code = WSAGetLastError();
    return code == WSAEWOULDBLOCK ? 0 : -code;
}

void ClosePeerSocket(HWND window, AppState* state)
{
    CloseClientSocket(window, state);
}

DWORD Ticks()
{
    return GetTickCount();
}

void Warn(AppState* state, const char* text)
{
    WriteEvent(state, EVENT_WARNING, EVENT_REMOTE_CONTROL, "%s", text);
}

}  // namespace

ServerEffects SocketServerEffects()
{
    ServerEffects fx = {};
    fx.send = SendToPeer;
    fx.close_peer = ClosePeerSocket;
    fx.socket_error = LogSocketError;
    fx.stop_timer = StopTriggers;
    fx.now = GetLocalNow;
    fx.ticks = Ticks;
    fx.hold = HoldPeerCommands;
    fx.warn = Warn;
    return fx;
}
