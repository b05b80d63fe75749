// The server side of the remote-control protocol: the commands a connected
// peer sends, one line each, and the reply lines ("201 text", "250 OK",
// "501 error"). This code decides everything from the text and the record;
// what it makes happen outside goes through ServerEffects, which the Win32
// side fills with the real operations and a test with its own.
#pragma once
#include <cstddef>

#include "core/platform.h"

struct AppState;

const size_t COMMAND_SIZE = 500;  // longest command line, without its terminator
const size_t REPLY_SIZE = 500;    // longest reply line, with CR LF and terminator

struct ServerEffects {
    // Sends bytes on client_socket: 0, or the error code of the failed send.
    int (*send)(HWND window, AppState* state, const char* data, size_t length);
    // CloseClientSocket.
    void (*close_peer)(HWND window, AppState* state);
    // ShowSocketError with an error code read before.
    void (*socket_error)(AppState* state, const char* label, int code);
    // DisplaySettings: the main window shows the changed settings.
    void (*refresh)(HWND window, AppState* state);
    // Stops the main window's armed trigger timer.
    void (*stop_timer)(HWND window, AppState* state);
    // SanityCheck: 0, or 1 with the problem in message (MESSAGE_SIZE bytes).
    int (*sanity_check)(HWND window, AppState* state, char* message);
    // DoIt.
    int (*do_it)(HWND window, AppState* state);
    // The current local time.
    void (*now)(SYSTEMTIME* now);
};

#ifdef _WIN32
// The real effects: the connection, the main window, DoIt and the clock.
extern const ServerEffects g_server_effects;
#endif

// Runs one command line (without its line feed; changed in place) from the
// connected peer and answers it.
void ProcessClientCommand(const ServerEffects& fx, HWND window, AppState* state, char* line);

// "250 OK".
void ReturnClientOK(const ServerEffects& fx, HWND window, AppState* state);
// "501 " and the text.
void ReturnClientError(const ServerEffects& fx, HWND window, AppState* state, const char* text);
// "201 " and the formatted text.
void ReturnClientInfo(const ServerEffects& fx, HWND window, AppState* state, const char* format, ...)
#ifdef __GNUC__
    __attribute__((format(printf, 4, 5)))
#endif
    ;
// The 35 lines of help.
void ShowClientHelp(const ServerEffects& fx, HWND window, AppState* state);
// The 28 lines of the current settings.
void ShowSettingsToClient(const ServerEffects& fx, HWND window, AppState* state);

// Bytes received from the peer: every complete line goes to
// ProcessClientCommand; a partial line waits for the next block. Stops when
// a line closes the connection: the rest of the block is dropped.
void ReceiveClientData(const ServerEffects& fx, HWND window, AppState* state, const char* data,
                       size_t length);
// Forgets a partial line (a new peer starts with an empty one).
void ClearPendingCommand();
