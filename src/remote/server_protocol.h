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
const size_t READ_SIZE = 100;     // bytes the server reads from its peer at a time
// Reply bytes a peer may leave unread; past this it is disconnected.
const size_t OUTPUT_LIMIT = 64 * 1024;
const DWORD QUIET_MINUTE_MS = 60000;  // forgets earlier wrong passwords
const DWORD PEER_SILENCE_MS = 60000;  // a peer silent this long is closed
// The answer to SCRAM_FIRST of a server that cannot offer the login (its
// password is stored in an older form): clients fall back to PASSWORD.
inline constexpr char SCRAM_NOT_OFFERED[] = "Challenge-response login not offered";

struct ServerEffects {
    // Sends bytes on client_socket with one call: the count the system took
    // (0 when it would block), or minus the error code of a failed send.
    long (*send)(HWND window, AppState* state, const char* data, size_t length);
    // CloseClientSocket.
    void (*close_peer)(HWND window, AppState* state);
    // Logs a failed call on the connection (never a message box).
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
    // Milliseconds of a steady clock (wrapping).
    DWORD (*ticks)();
    // Calls ReleaseHeldCommands with fx once, after ms milliseconds (fx
    // outlives the hold).
    void (*hold)(const ServerEffects& fx, HWND window, AppState* state, DWORD ms);
    // Writes a warning event.
    void (*warn)(AppState* state, const char* text);
};

#ifdef _WIN32
// The real connection, trigger timers and clocks; refresh, sanity_check and
// do_it are left empty.
ServerEffects SocketServerEffects();
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
// The 41 lines of help.
void ShowClientHelp(const ServerEffects& fx, HWND window, AppState* state);
// The 34 lines of the current settings.
void ShowSettingsToClient(const ServerEffects& fx, HWND window, AppState* state);

// Bytes received from the peer (at most READ_SIZE at a time): every
// complete line goes to ProcessClientCommand; a partial line waits for the
// next block. Stops when a line closes the connection: the rest of the block
// is dropped. After a wrong password the rest is held, unprocessed, until
// ReleaseHeldCommands. The replies are then sent together.
void ReceiveClientData(const ServerEffects& fx, HWND window, AppState* state, const char* data,
                       size_t length);
// Whether commands wait for a wrong password's delay to end; meanwhile the
// server reads nothing from its peer.
bool HoldingCommands();
// Ends the delay: answers the wrong password, then runs the held commands.
void ReleaseHeldCommands(const ServerEffects& fx, HWND window, AppState* state);
// How long the answer to the given wrong password in a row waits: 1 s,
// doubling up to LONGEST_PASSWORD_DELAY_MS.
const DWORD LONGEST_PASSWORD_DELAY_MS = 30000;
DWORD PasswordDelay(unsigned failures);
// Writes the summaries of wrong passwords whose minute has passed (called
// now and then while the server listens).
void ReportDueWarnings(const ServerEffects& fx, HWND window, AppState* state);
// Forgets wrong passwords, their delay and their reports (a test's fresh start).
void ForgetPasswordFailures();
// Forgets the connection's login exchange (its nonce is never good again).
void ForgetLogin();

// Sends the queued replies with one call; what would block waits for the
// next call (FD_WRITE). A failed send is logged and closes the connection.
void SendQueuedReplies(const ServerEffects& fx, HWND window, AppState* state);
// Sends what is queued, then closes the connection.
void ClosePeer(const ServerEffects& fx, HWND window, AppState* state);
// Forgets the connection's partial line, queued replies and held commands
// (when it closes, and before a new peer).
void ForgetPeer();
