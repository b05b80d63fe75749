// What the protocol's commands do outside the record under Windows.
#include "actions/dispatch.h"
#include "core/app_state.h"
#include "core/clock.h"
#include "core/report.h"
#include "remote/server_protocol.h"
#include "remote/sockets.h"
#include "ui/main_window.h"

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

// The recorded value is SetTimer's success value, not always the id:
// stopping the trigger means stopping both trigger timers.
void StopTriggerTimer(HWND window, AppState*)
{
    KillTimer(window, TIMER_SCHEDULE);
    KillTimer(window, TIMER_PROCESS);
}

DWORD Ticks()
{
    return GetTickCount();
}

void ReportWrongPassword(HWND, AppState* state)
{
    sockaddr_in address = {};
    int length = sizeof address;
    const char* from = "an unknown address";
    if (getpeername(state->client_socket, (sockaddr*)&address, &length) == 0)
        from = inet_ntoa(address.sin_addr);
    WriteEvent(state, EVENT_WARNING, "Remote control: wrong password from %s", from);
}

}  // namespace

const ServerEffects g_server_effects = {
    SendToPeer, ClosePeerSocket, LogSocketError, DisplaySettings,     StopTriggerTimer, SanityCheck,
    DoIt,       GetLocalNow,     Ticks,          HoldPeerCommands, ReportWrongPassword,
};
