// The client's exchanges with a remote copy over a blocking connection.
#include "remote/client_protocol.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "actions/dispatch.h"
#include "core/app_state.h"
#include "core/log.h"
#include "core/log_mask.h"
#include "remote/sockets.h"

namespace {

// Sends one command line and reads the one reply line: 0 with *text set for
// a success reply, -1 when the connection failed (it is then closed), -2
// with the refusal in message.
int Exchange(HWND window, AppState* state, char* message, const char* command, char* reply,
             const char** text)
{
    char line[CLIENT_LINE_SIZE];
    snprintf(line, sizeof line, "%s\n", command);
    size_t length = strlen(line);
    for (size_t sent = 0; sent < length;) {
        int count = send(state->client_socket, line + sent, (int)(length - sent), 0);
        if (count == SOCKET_ERROR) {
            CloseClientSocket(window, state);
            return -1;
        }
        sent += (size_t)count;
    }

    WriteLog("Waiting for a reply");
    int code = 0;
    int received = ReceiveReply(state->client_socket, reply, CLIENT_LINE_SIZE, &code);
    if (received <= 0) {
        // A silent server is reported; a closed or failed connection only logged.
        if (code == WSAETIMEDOUT)
            ShowSocketErrorCode(state, "recv", code);
        WriteLog("No reply, code=%d", code);
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
};

}  // namespace

int SendClientCommand(HWND window, AppState* state, char* message, const char* format, ...)
{
    char command[CLIENT_LINE_SIZE - 1];
    va_list args;
    va_start(args, format);
    vsnprintf(command, sizeof command, format, args);
    va_end(args);
    if (state->client_socket == INVALID_SOCKET)
        return 0;
    char shown[CLIENT_LINE_SIZE + 16];
    MaskPasswordLine(command, shown, sizeof shown);
    WriteLog("Sending %s to remote machine", shown);
    char reply[CLIENT_LINE_SIZE + 1];
    const char* text;
    return Exchange(window, state, message, command, reply, &text);
}

int GetServerVersion(HWND window, AppState* state, char* message)
{
    if (state->client_socket == INVALID_SOCKET)
        return 0;
    WriteLog("Sending VERSION to remote machine");
    char reply[CLIENT_LINE_SIZE + 1];
    const char* text;
    int result = Exchange(window, state, message, "VERSION", reply, &text);
    if (result != 0)
        return result;
    int version = VersionNumber(text);
    WriteLog("version=%d", version);
    return version;
}

int SendRemoteCommand(HWND window, AppState* state, char* message)
{
    Connection connection = {window, state};
    ClientLink link = {
        &connection,
        [](void* c, char* message) {
            Connection* to = (Connection*)c;
            return OpenServerConnection(to->window, to->state, to->state->remote.computer_name,
                                        message);
        },
        [](void* c, char* message) {
            Connection* to = (Connection*)c;
            return GetServerVersion(to->window, to->state, message);
        },
        [](void* c, char* message, const char* line) {
            Connection* to = (Connection*)c;
            return SendClientCommand(to->window, to->state, message, "%s", line);
        },
        [](void* c) {
            Connection* to = (Connection*)c;
            CloseClientSocket(to->window, to->state);
        },
    };
    return SendRemoteCommandOver(link, state, message);
}
