// What the protocol's commands do outside the record under Windows.
#include "actions/dispatch.h"
#include "core/app_state.h"
#include "core/clock.h"
#include "remote/server_protocol.h"
#include "remote/sockets.h"
#include "ui/main_window.h"

namespace {

int SendToPeer(HWND, AppState* state, const char* data, size_t length)
{
    while (length > 0) {
        int sent = send(state->client_socket, data, (int)length, 0);
        if (sent == SOCKET_ERROR)
            return WSAGetLastError();
        data += sent;
        length -= (size_t)sent;
    }
    return 0;
}

void ClosePeer(HWND window, AppState* state)
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

}  // namespace

const ServerEffects g_server_effects = {
    SendToPeer, ClosePeer, ShowSocketErrorCode, DisplaySettings, StopTriggerTimer,
    SanityCheck, DoIt,     GetLocalNow,
};
