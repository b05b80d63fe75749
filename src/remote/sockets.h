// Windows Sockets for remote control: one listening socket and one
// connection, which is either the peer accepted on the listening socket or an
// outgoing connection to another copy of the program.
#pragma once
#include <cstddef>

#include "core/platform.h"

struct AppState;
struct ReplyLines;

// The text of a Windows Sockets error code; "Unknown error" for codes
// without one.
const char* SocketErrorText(int code);
size_t SocketErrorCount();
// "label(): text (code)", as ShowSocketError reports it.
void FormatSocketError(char* out, size_t size, const char* label, int code);

// What the settings ask of the listening socket: it exists only in service
// mode with remote control allowed, and goes whenever remote control is not.
enum ListenChange { LISTEN_KEEP, LISTEN_OPEN, LISTEN_CLOSE };
ListenChange ListeningSocketChange(const AppState* state);

#ifdef _WIN32
// 0 ready; -1 WSAStartup failed; -2 version 1.1 is not offered.
int InitializeSockets();
// Closes the listening and the peer socket and ends the use of Windows
// Sockets; state may be null.
void DestroySockets(HWND window, AppState* state);

// 0 listening; -1 failed (reported).
int CreateServerSocket(HWND window, AppState* state);
// Closes the listening socket and the connection. Returns 0.
int CloseServerSocket(HWND window, AppState* state);
// Opens or closes the listening socket as ListeningSocketChange says.
void UpdateListeningSocket(HWND window, AppState* state);

// effects: what the commands make happen (the main window's, or a test's).
struct ServerEffects;

// 0 accepted and welcomed; -1 failed (reported).
int AcceptClientSocket(const ServerEffects& effects, HWND window, AppState* state);
// Reads one block from the peer and runs the complete lines in it; 0, or -1
// after a failed receive (logged; the connection is then closed). Reads
// nothing while commands are held after a wrong password.
int ReadFromClientSocket(const ServerEffects& effects, HWND window, AppState* state);
// Closes the connection, if any, and ends its authentication. Returns 0.
int CloseClientSocket(HWND window, AppState* state);

// The main window's socket notifications (WM_SERVER_SOCKET and
// WM_CLIENT_SOCKET with their wParam and lParam).
void OnServerSocketMessage(const ServerEffects& effects, HWND window, AppState* state,
                           WPARAM wParam, LPARAM lParam);
void OnClientSocketMessage(const ServerEffects& effects, HWND window, AppState* state,
                           WPARAM wParam, LPARAM lParam);

// Connects to the copy on server (a name or a dotted address) at
// remote.port and reads its welcome: 0 welcomed; -1 transport failure
// (reported); -2 refused, with the server's text in message (MESSAGE_SIZE).
// replies starts afresh and collects what the server sends on it.
int OpenServerConnection(HWND window, AppState* state, const char* server, char* message,
                         ReplyLines* replies);

// How long an accepted peer may stay silent before the server closes its
// connection (PEER_SILENCE_MS).
extern DWORD g_peer_silence_ms;
// How long the client waits for a connection (5 s) and for a reply (30 s)
// before it gives up with "Connection timed out".
extern DWORD g_connect_timeout_ms;
extern DWORD g_reply_timeout_ms;
// How long the exchange with one computer of a group may take from the
// accepted connection to its last reply (35 s): longer than the longest
// delay a server puts on the answer to a wrong password (30 s), which a
// right one arriving during it waits for too, so that a slow but answering
// server is never taken for a silent one; and one computer that accepts and
// never answers holds its worker no longer than that.
extern DWORD g_group_reply_budget_ms;
// Receives on the client connection until a whole reply line has come, into
// line (REPLY_LINE_SIZE + 1 bytes): 0; -1 after a failed receive (reported
// with label) or when the server closed the connection (reported as such).
int ReceiveReplyLine(AppState* state, ReplyLines* replies, char* line, const char* label);

// Reports the last Windows Sockets error of the named call with Error.
void ShowSocketError(AppState* state, const char* label);
// The same for an error code read earlier.
void ShowSocketErrorCode(AppState* state, const char* label, int code);
// A failed call on the accepted connection: logged only. A peer can make
// these happen at will, and a message box would let the next notification
// run inside its modal loop.
void LogSocketError(AppState* state, const char* label, int code);
// Releases the peer's held commands (ReleaseHeldCommands) after ms.
void HoldPeerCommands(const ServerEffects& fx, HWND window, AppState* state, DWORD ms);
#endif
