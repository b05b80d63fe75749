// Windows Sockets for remote control.
#pragma once
#include "core/platform.h"

struct AppState;

#ifdef _WIN32
// 0 ready; -1 WSAStartup failed; -2 version 1.1 is not offered.
int InitializeSockets();
// Closes the listening and the peer socket and ends the use of Windows
// Sockets; state may be null.
void DestroySockets(HWND window, AppState* state);
#endif
