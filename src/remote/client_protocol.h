// The client side of the remote-control protocol: how this copy hands an
// action and its settings to the copy on a remote computer, line by line.
// The sequence and the reading of replies are decided here; the connection
// itself is reached through ClientLink, which the Win32 side fills with the
// socket operations and a test with its own.
#pragma once
#include <cstddef>

#include "core/platform.h"

struct AppState;
struct ReplyLines;

const size_t CLIENT_LINE_SIZE = 500;  // a command, its line feed and the terminator
const int FIRST_VERSION_WITH_ALL_ACTIONS = 3000100;  // 3.0.1.0

struct ClientLink {
    void* context;
    // OpenServerConnection to remote.computer_name: 0, -1 or -2.
    int (*open)(void* context, char* message);
    // GetServerVersion: the version number, -1 or -2.
    int (*version)(void* context, char* message);
    // SendClientCommand with one command line (no line feed): 0, -1 or -2;
    // after 0 the reply's text is in text (REPLY_LINE_SIZE + 1 bytes) when
    // that is not null.
    int (*command)(void* context, char* message, const char* line, char* text);
    // CloseClientSocket.
    void (*close)(void* context);
};

// Logs in: by the challenge-response exchange where the server offers it,
// by PASSWORD in clear where it does not know the exchange (unless
// remote.secure forbids that). 0 logged in; -1 transport failure; -2 refused
// with the reason in message.
int LogIn(const ClientLink& link, AppState* state, char* message);

// Connects, checks the version, sends the settings and DOIT, disconnects:
// 0 sent; -1 transport failure; -2 refused with the reason in message
// (MESSAGE_SIZE); 1 the server reported version 0.
int SendRemoteCommandOver(const ClientLink& link, AppState* state, char* message);

// What a check of a remote copy found.
struct ProbeFindings {
    int version;          // its version number; -2 when it does not tell it
    bool login_tried;     // a password was set, so a login was tried
    bool login_accepted;
};

// Connects, reads the version and, when a password is set, logs in; sends
// no action, and disconnects whatever the outcome: 0 answered (and accepted
// the login); -1 transport failure; -2 refused with the reason in message.
int ProbeServerOver(const ClientLink& link, AppState* state, char* message, ProbeFindings* found);

// "a.b.c.d" of a version number; empty for a number below 0.
void FormatVersionNumber(int number, char* out, size_t size);

// Removes every carriage return and line feed from the end of text.
char* StripLineEnd(char* text);

// Reads one reply line (changed in place): 0 for a success reply ('2');
// otherwise -2 with the server's text (the line itself when it has none), or
// "Unknown response received", in message. *text points at the reply's
// trimmed text either way.
int ReadReply(char* reply, char* message, const char** text);

// The version number ((a*100 + b)*100 + c)*100 + d of a text "a.b.c.d"; -1
// when the text does not start with four numbers; a negative result gives 0.
int VersionNumber(const char* text);

#ifdef _WIN32
// Hands the action and its settings to the copy on remote.computer_name:
// 0, -1, -2 (reason in message, MESSAGE_SIZE bytes) or 1, as above.
int SendRemoteCommand(HWND window, AppState* state, char* message);
// Checks the copy on remote.computer_name (ProbeServerOver).
int ProbeServer(HWND window, AppState* state, char* message, ProbeFindings* found);
// The version number of the connected server, or -1 or -2. A version
// that cannot be read is reported and gives -1. replies holds what the
// server has sent on this connection and not yet been read.
int GetServerVersion(HWND window, AppState* state, ReplyLines* replies, char* message);
// Sends one command line (no line feed) and reads its reply: 0, -1 or -2;
// after 0 the reply's text is in text (REPLY_LINE_SIZE + 1 bytes) when that
// is not null. Without a connection nothing is sent and the result is 0. A
// lost connection is reported.
int SendClientCommand(HWND window, AppState* state, ReplyLines* replies, char* message,
                      const char* line, char* text);
#endif
