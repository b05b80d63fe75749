// The dialogs that address other computers: "Remote computer" (remote.*
// settings for one computer), "Wake-on-LAN" (its addresses) and "Remote
// Control" (this copy's own server). Each writes into the record only on OK.
#pragma once
#include "core/platform.h"

struct AppState;

// Shown in a password edit instead of the stored password; OK with this
// text still there keeps what is stored.
inline constexpr char PASSWORD_PLACEHOLDER[] = "********";

// The "Wake-on-LAN" dialog when action is WAKE_ON_LAN, else "Remote computer".
void ShowRemoteDialog(HWND owner, AppState* state);
void ShowRemoteControlDialog(HWND owner, AppState* state);

INT_PTR CALLBACK RemoteDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK WakeOnLanDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK RemoteControlDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Enables the fields of "Remote computer" that its protocol and
// credentials choice leave in use.
void EnableRemoteFields(HWND dialog);
// Lets the user pick a computer of the network neighbourhood and puts its
// name into the dialog's edit.
void BrowseComputers(HWND dialog, int edit_id);
