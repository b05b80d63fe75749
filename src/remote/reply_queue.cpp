#include "remote/reply_queue.h"

#include <cstdlib>
#include <cstring>

#include "core/app_state.h"
#include "core/log.h"

namespace {

// Taken from the heap when the first reply is queued: a static array of
// this size would be carried in the program file.
char* queued;
size_t queued_length;

}  // namespace

void ClearReplies()
{
    queued_length = 0;
}

void SendQueuedReplies(const ServerEffects& fx, HWND window, AppState* state)
{
    if (queued_length == 0 || state->client_socket == INVALID_SOCKET)
        return;
    long sent = fx.send(window, state, queued, queued_length);
    if (sent < 0) {
        fx.socket_error(state, "send", (int)-sent);
        fx.close_peer(window, state);
        return;
    }
    // What the system did not take waits for the peer to read (FD_WRITE).
    memmove(queued, queued + sent, queued_length - (size_t)sent);
    queued_length -= (size_t)sent;
}

bool QueueReply(const ServerEffects& fx, HWND window, AppState* state, const char* line,
                size_t length)
{
    if (!queued)
        queued = (char*)malloc(OUTPUT_LIMIT);
    if (queued_length + length > OUTPUT_LIMIT)
        SendQueuedReplies(fx, window, state);
    if (state->client_socket == INVALID_SOCKET)
        return false;
    if (!queued || queued_length + length > OUTPUT_LIMIT) {
        WriteLog("The peer leaves its replies unread (%u bytes waiting), connection closed",
                 (unsigned)queued_length);
        fx.close_peer(window, state);
        return false;
    }
    memcpy(queued + queued_length, line, length);
    queued_length += length;
    return true;
}

void ClosePeer(const ServerEffects& fx, HWND window, AppState* state)
{
    SendQueuedReplies(fx, window, state);
    fx.close_peer(window, state);
}
