// Joins the bytes a peer sends into command lines: a line feed ends a line,
// carriage returns are ignored, and a line holds at most COMMAND_SIZE
// characters. After a wrong password the bytes that follow wait, unrun,
// until the delay ends.
#include <cstdio>
#include <cstring>

#include "core/app_state.h"
#include "core/log.h"
#include "core/log_mask.h"
#include "remote/reply_queue.h"
#include "remote/server_protocol.h"

namespace {

// The part of the current line received so far.
char pending_command[COMMAND_SIZE + 1];
size_t pending_length;

// Bytes received behind a held password, run when its delay ends; the
// error that answers the password then, or the password line that waited
// for an earlier delay and is run then.
bool holding;
char held[READ_SIZE];
size_t held_length;
const char* held_error;
char held_line[COMMAND_SIZE + 1];

// What one received byte does to a line that holds length bytes so far.
// Both line assembly and the log's mask take their steps from here, so
// that the mask always knows which line a byte belongs to.
enum ByteStep { BYTE_ADDED, BYTE_IGNORED, LINE_ENDED, LINE_TOO_LONG };
ByteStep StepLine(char c, size_t length)
{
    if (c == '\n')
        return LINE_ENDED;
    if (c == '\r' || c == '\0')  // carriage returns are ignored; a zero byte adds nothing
        return BYTE_IGNORED;
    return length < COMMAND_SIZE ? BYTE_ADDED : LINE_TOO_LONG;
}

// The block as the log shows it: its line breaks and zero bytes written as
// \r, \n and \0 so that it stays on one line, and a password value (also
// one that began in an earlier block) as the mask.
void ShowReceivedData(const char* data, size_t length, char* shown, size_t size)
{
    // The current line as line assembly will see it, for finding where a
    // password value starts.
    char current[COMMAND_SIZE + 1];
    size_t current_length = pending_length;
    memcpy(current, pending_command, pending_length);
    bool masked = false;  // the mask is shown once per line of the block
    size_t used = 0;
    for (size_t i = 0; i < length && used + 3 < size; i++) {
        char c = data[i];
        ByteStep step = StepLine(c, current_length);
        if (step == LINE_ENDED || step == BYTE_IGNORED) {
            shown[used++] = '\\';
            shown[used++] = c == '\n' ? 'n' : c == '\r' ? 'r' : '0';
        } else {
            // A byte dropped with an over-long line counts as part of it.
            if (step == BYTE_ADDED)
                current[current_length++] = c;
            if (PasswordValueStart(current, current_length) >= current_length) {
                shown[used++] = c;
            } else if (!masked && used + strlen(LOG_MASK) + 3 < size) {
                memcpy(shown + used, LOG_MASK, strlen(LOG_MASK));
                used += strlen(LOG_MASK);
                masked = true;
            }
        }
        if (step == LINE_ENDED || step == LINE_TOO_LONG) {
            current_length = 0;  // what follows is a new line
            masked = false;
        }
    }
    shown[used] = '\0';
}

void ClearPendingCommand()
{
    pending_command[0] = '\0';
    pending_length = 0;
}

// Runs the complete lines of the bytes. A line may close this connection,
// or a nested message loop (the warning window of DOIT) may even accept
// another peer: the rest belongs to no one then. A wrong password holds the
// rest for later.
void RunCommands(const ServerEffects& fx, HWND window, AppState* state, const char* data,
                 size_t length)
{
    SOCKET peer = state->client_socket;
    for (size_t i = 0; i < length && state->client_socket == peer; i++) {
        char c = data[i];
        switch (StepLine(c, pending_length)) {
        case LINE_ENDED: {
            char line[COMMAND_SIZE + 1];
            memcpy(line, pending_command, pending_length + 1);
            ClearPendingCommand();
            ProcessClientCommand(fx, window, state, line);
            if (holding && state->client_socket == peer) {
                size_t rest = length - i - 1;
                if (rest > sizeof held)
                    rest = sizeof held;  // blocks are never longer than READ_SIZE
                memcpy(held, data + i + 1, rest);
                held_length = rest;
                return;
            }
            break;
        }
        case BYTE_IGNORED:
            break;
        case BYTE_ADDED:
            pending_command[pending_length++] = c;
            pending_command[pending_length] = '\0';
            break;
        case LINE_TOO_LONG:
            ClearPendingCommand();
            ReturnClientError(fx, window, state, "Command too long");
            break;
        }
    }
    if (state->client_socket != peer)
        WriteLog("Connection closed, rest of the data dropped");
}

}  // namespace

void ForgetPeer()
{
    ClearPendingCommand();
    holding = false;
    held_length = 0;
    held_line[0] = '\0';
    ClearReplies();
    ForgetLogin();
}

bool HoldingCommands()
{
    return holding;
}

void HoldCommands(const ServerEffects& fx, HWND window, AppState* state, DWORD ms,
                  const char* error, const char* line)
{
    holding = true;
    held_error = error;
    snprintf(held_line, sizeof held_line, "%s", line ? line : "");
    fx.hold(fx, window, state, ms);
}

void ReceiveClientData(const ServerEffects& fx, HWND window, AppState* state, const char* data,
                       size_t length)
{
    if (g_debug) {
        char shown[2 * COMMAND_SIZE];
        ShowReceivedData(data, length, shown, sizeof shown);
        WriteLog("Received data from client: %s", shown);
    }
    if (holding) {
        // The server reads nothing during a delay; a caller that does
        // anyway keeps what fits.
        size_t kept = length < sizeof held - held_length ? length : sizeof held - held_length;
        memcpy(held + held_length, data, kept);
        held_length += kept;
        if (kept < length)
            WriteLog("%u bytes received during a delay dropped", (unsigned)(length - kept));
        return;
    }
    RunCommands(fx, window, state, data, length);
    SendQueuedReplies(fx, window, state);
}

void ReleaseHeldCommands(const ServerEffects& fx, HWND window, AppState* state)
{
    if (!holding)
        return;
    holding = false;
    char rest[sizeof held];
    size_t length = held_length;
    memcpy(rest, held, length);
    held_length = 0;
    char line[sizeof held_line];
    memcpy(line, held_line, sizeof line);
    held_line[0] = '\0';
    if (held_error)
        ReturnClientError(fx, window, state, held_error);
    if (line[0])
        ProcessClientCommand(fx, window, state, line);
    if (holding) {
        // The held line holds again: the rest waits on.
        memcpy(held, rest, length);
        held_length = length;
    } else {
        RunCommands(fx, window, state, rest, length);
    }
    SendQueuedReplies(fx, window, state);
}
