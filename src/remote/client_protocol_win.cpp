// The client's exchanges with a remote copy over a blocking connection.
#include "remote/client_protocol.h"

#include <cstdio>
#include <cstring>

#include "core/report.h"
#include "core/app_state.h"
#include "core/log.h"
#include "core/log_mask.h"
#include "core/report.h"
#include "remote/reply_lines.h"
#include "remote/sockets.h"

namespace {

// Sends one command line and reads the one reply line: 0 with *text set for
// a success reply, -1 when the connection failed (reported; it is then
// closed), -2 with the refusal in message.
int Exchange(HWND window, AppState* state, ReplyLines* replies, char* message, const char* command,
             char* reply, const char** text)
{
    char line[CLIENT_LINE_SIZE];
    snprintf(line, sizeof line, "%s\n", command);
    size_t length = strlen(line);
    for (size_t sent = 0; sent < length;) {
        int count = send(state->client_socket, line + sent, (int)(length - sent), 0);
        if (count == SOCKET_ERROR) {
            ShowSocketError(state, "send");
            CloseClientSocket(window, state);
            return -1;
        }
        sent += (size_t)count;
    }

    WriteLog("Waiting for a reply");
    if (ReceiveReplyLine(state, replies, reply, "recv") != 0) {
        CloseClientSocket(window, state);
        return -1;
    }
    WriteLog("Received %s from remote machine", StripLineEnd(reply));
    int result = ReadReply(reply, message, text);
    if (result != 0)
        WriteLog("SendClientCommand ended with error %s", message);
    return result;
}

struct Connection {
    HWND window;
    AppState* state;
    ReplyLines replies;
};

}  // namespace

int SendClientCommand(HWND window, AppState* state, ReplyLines* replies, char* message,
                      const char* line, char* text)
{
    if (state->client_socket == INVALID_SOCKET)
        return 0;
    char shown[CLIENT_LINE_SIZE + 16];
    MaskPasswordLine(line, shown, sizeof shown);
    WriteLog("Sending %s to remote machine", shown);
    char reply[REPLY_LINE_SIZE + 1];
    const char* reply_text;
    int result = Exchange(window, state, replies, message, line, reply, &reply_text);
    if (result == 0 && text)
        snprintf(text, REPLY_LINE_SIZE + 1, "%s", reply_text);
    return result;
}

int GetServerVersion(HWND window, AppState* state, ReplyLines* replies, char* message)
{
    if (state->client_socket == INVALID_SOCKET)
        return 0;
    WriteLog("Sending VERSION to remote machine");
    char reply[REPLY_LINE_SIZE + 1];
    const char* text;
    int result = Exchange(window, state, replies, message, "VERSION", reply, &text);
    if (result != 0)
        return result;
    int version = VersionNumber(text);
    if (version < 0) {
        // Not a server of this protocol, or a broken one: nothing more is sent.
        char problem[MESSAGE_SIZE];
        snprintf(problem, sizeof problem, "The remote computer sent an unreadable version (%.400s)",
                 text);
        Error(state, nullptr, problem);
        CloseClientSocket(window, state);
        return -1;
    }
    WriteLog("version=%d", version);
    return version;
}

namespace {

ClientLink LinkOver(Connection* connection)
{
    return {
        connection,
        [](void* c, char* text) {
            Connection* to = (Connection*)c;
            return OpenServerConnection(to->window, to->state, to->state->remote.computer_name,
                                        text, &to->replies);
        },
        [](void* c, char* text) {
            Connection* to = (Connection*)c;
            return GetServerVersion(to->window, to->state, &to->replies, text);
        },
        [](void* c, char* refusal, const char* line, char* text) {
            Connection* to = (Connection*)c;
            return SendClientCommand(to->window, to->state, &to->replies, refusal, line, text);
        },
        [](void* c) {
            Connection* to = (Connection*)c;
            CloseClientSocket(to->window, to->state);
        },
    };
}

}  // namespace

int SendRemoteCommand(HWND window, AppState* state, char* message)
{
    Connection connection = {window, state, {}};
    return SendRemoteCommandOver(LinkOver(&connection), state, message);
}

int ProbeServer(HWND window, AppState* state, char* message, ProbeFindings* found)
{
    Connection connection = {window, state, {}};
    return ProbeServerOver(LinkOver(&connection), state, message, found);
}
