// "Remote computer", "Wake-on-LAN" and "Remote Control": modal dialogs that
// edit the settings addressing other computers.
#include "ui/remote_dialogs.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "actions/action_calls.h"
#include "actions/remote_shutdown.h"
#include "actions/wake_on_lan.h"
#include "core/address_checks.h"
#include "core/allow_list.h"
#include "core/app_state.h"
#include "core/port.h"
#include "core/remote_password.h"
#include "core/report.h"
#include "core/start_up.h"
#include "resource.h"
#include "ui/dialog_fields.h"
#include "ui/folder_picker.h"

namespace {

bool Checked(HWND dialog, int id)
{
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

void Check(HWND dialog, int id, int on)
{
    CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED);
}

void ShowNumber(HWND dialog, int id, int number)
{
    char text[16];
    snprintf(text, sizeof text, "%d", number);
    SetDlgItemTextA(dialog, id, text);
}

// The number in a port edit into *port; 0 or less (an empty edit too) means
// the default port. Above 65535 it is refused with a message and the dialog
// stays open.
bool ReadPort(HWND dialog, int id, AppState* state, int32_t* port)
{
    char text[32] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    if (GetWindowTextLengthA(GetDlgItem(dialog, id)) < (int)sizeof text && TakePortText(text, port))
        return true;
    Error(state, dialog, "Invalid port specified (1-65535)");
    return false;
}

// Reads an edit into a text field. A text that does not fit (only a name
// put there by the network browser can be that long) leaves the field as
// it was.
void ReadText(HWND dialog, int id, char* field, size_t size)
{
    char text[MAX_PATH + 1];
    bool fits = GetWindowTextLengthA(GetDlgItem(dialog, id)) < (int)sizeof text;
    if (fits) {
        GetDlgItemTextA(dialog, id, text, sizeof text);
        fits = CopyField(field, size, text);
    }
    if (!fits)
        WriteLog("Text of control %d does not fit, kept \"%s\"", id, field);
}

// The text of a password edit, or null when it still shows the placeholder.
const char* TypedPassword(HWND dialog, int id, char* text, size_t size)
{
    GetDlgItemTextA(dialog, id, text, (int)size);
    return strcmp(text, PASSWORD_PLACEHOLDER) == 0 ? nullptr : text;
}

void InitRemoteDialog(HWND dialog, AppState* state)
{
    LimitEdit(dialog, IDC_REMOTE_NAME, sizeof state->remote.computer_name);
    LimitEdit(dialog, IDC_REMOTE_USERNAME, sizeof state->remote.username);
    LimitEdit(dialog, IDC_REMOTE_PASSWORD, sizeof state->remote.password);

    SetDlgItemTextA(dialog, IDC_REMOTE_NAME, state->remote.computer_name);
    if (state->os_version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) {
        // Windows 9x has no remote shutdown of its own.
        state->remote.use_nt = 0;
        EnableControl(dialog, IDC_REMOTE_USE_NT, false);
    }
    Check(dialog, IDC_REMOTE_USE_NT, state->remote.use_nt);
    if (!state->remote.use_nt) {
        ShowNumber(dialog, IDC_REMOTE_PORT, state->remote.port);
        Check(dialog, IDC_REMOTE_SAVE_PASSWORD, state->remote.save_password);
        Check(dialog, IDC_REMOTE_SCHEDULE, state->remote.schedule_remote);
    }
    Check(dialog, IDC_REMOTE_CURRENT_CREDENTIALS, state->remote.current_credentials);
    SetDlgItemTextA(dialog, IDC_REMOTE_USERNAME, state->remote.username);
    SetDlgItemTextA(dialog, IDC_REMOTE_PASSWORD, PASSWORD_PLACEHOLDER);
    EnableRemoteFields(dialog);
}

bool ApplyRemoteDialog(HWND dialog, AppState* state)
{
    int32_t port = DEFAULT_PORT;
    if (!Checked(dialog, IDC_REMOTE_USE_NT) && !ReadPort(dialog, IDC_REMOTE_PORT, state, &port))
        return false;
    ReadText(dialog, IDC_REMOTE_NAME, state->remote.computer_name,
             sizeof state->remote.computer_name);
    state->remote.use_nt = Checked(dialog, IDC_REMOTE_USE_NT);
    state->remote.port = port;
    state->remote.schedule_remote = state->remote.use_nt ? 0 : Checked(dialog, IDC_REMOTE_SCHEDULE);
    state->remote.current_credentials = Checked(dialog, IDC_REMOTE_CURRENT_CREDENTIALS);
    ReadText(dialog, IDC_REMOTE_USERNAME, state->remote.username, sizeof state->remote.username);
    // The placeholder keeps the stored password, whichever the protocol.
    char text[sizeof state->remote.password];
    if (const char* password = TypedPassword(dialog, IDC_REMOTE_PASSWORD, text, sizeof text))
        CopyField(state->remote.password, password);
    state->remote.save_password = Checked(dialog, IDC_REMOTE_SAVE_PASSWORD);
    return true;
}

void InitWakeOnLanDialog(HWND dialog, AppState* state)
{
    SetDlgItemTextA(dialog, IDC_WOL_MAC, state->remote.mac_address);
    SendDlgItemMessageA(dialog, IDC_WOL_IP, IPM_SETADDRESS, 0,
                        (LPARAM)PackDottedAddress(state->remote.ip_address));
    SendDlgItemMessageA(dialog, IDC_WOL_MASK, IPM_SETADDRESS, 0,
                        (LPARAM)PackDottedAddress(state->remote.subnet_mask));
    SendDlgItemMessageA(dialog, IDC_WOL_MAC, EM_LIMITTEXT, MAC_TEXT_SIZE - 1, 0);
}

DWORD AddressOf(HWND dialog, int id)
{
    DWORD packed = 0;  // a blank control is 0.0.0.0
    SendDlgItemMessageA(dialog, id, IPM_GETADDRESS, 0, (LPARAM)&packed);
    return packed;
}

// False, with the dialog left open and nothing stored, for a MAC address,
// IP address or mask that no packet could be sent with.
bool ApplyWakeOnLanDialog(HWND dialog, AppState* state)
{
    char mac[64];
    GetDlgItemTextA(dialog, IDC_WOL_MAC, mac, sizeof mac);
    char ip[ADDRESS_TEXT_SIZE];
    char mask[ADDRESS_TEXT_SIZE];
    FormatPackedAddress(AddressOf(dialog, IDC_WOL_IP), ip, sizeof ip);
    FormatPackedAddress(AddressOf(dialog, IDC_WOL_MASK), mask, sizeof mask);
    if (const char* problem = WakeOnLanAddressProblem(ip, mask, mac)) {
        Error(state, dialog, problem);
        return false;
    }
    IsValidMACAddress(mac);  // the written forms are kept as their 12 digits
    CopyField(state->remote.mac_address, mac);
    CopyField(state->remote.ip_address, ip);
    CopyField(state->remote.subnet_mask, mask);
    return true;
}

bool ApplyRemoteControlDialog(HWND dialog, AppState* state)
{
    // A bad entry keeps the dialog open with nothing stored.
    char allow[sizeof state->remote_control.allow];
    GetDlgItemTextA(dialog, IDC_RC_ALLOW, allow, sizeof allow);
    char problem[MESSAGE_SIZE];
    if (!CheckAllowList(allow, problem, sizeof problem)) {
        Error(state, dialog, problem);
        return false;
    }
    if (!ReadPort(dialog, IDC_RC_PORT, state, &state->remote_control.port))
        return false;
    // Only the password's verifier is kept; an empty text clears the password.
    char text[sizeof state->remote_control.password];
    const char* password = TypedPassword(dialog, IDC_RC_PASSWORD, text, sizeof text);
    if (password && !SetRemoteControlPassword(state, password)) {
        Error(state, dialog, "The system gave no random salt for the password; it was not changed");
        return false;
    }
    state->remote_control.secure_only = IsDlgButtonChecked(dialog, IDC_RC_SECURE_ONLY) == BST_CHECKED;
    CopyField(state->remote_control.allow, allow);
    return true;
}

void InitRemoteControlDialog(HWND dialog, AppState* state)
{
    LimitEdit(dialog, IDC_RC_PASSWORD, sizeof state->remote_control.password);
    LimitEdit(dialog, IDC_RC_ALLOW, sizeof state->remote_control.allow);
    SetDlgItemTextA(dialog, IDC_RC_ALLOW, state->remote_control.allow);
    ShowNumber(dialog, IDC_RC_PORT, state->remote_control.port);
    SetDlgItemTextA(dialog, IDC_RC_PASSWORD, PASSWORD_PLACEHOLDER);
    ShowWindow(GetDlgItem(dialog, IDC_RC_NO_PASSWORD),
               HasRemoteControlPassword(state) ? SW_HIDE : SW_SHOW);
    CheckDlgButton(dialog, IDC_RC_SECURE_ONLY, state->remote_control.secure_only ? BST_CHECKED : BST_UNCHECKED);
}

// Stops a countdown of the system's shutdown on the computer that the
// dialog names, with the credentials it shows; nothing is stored.
void AbortRemoteShutdown(HWND dialog, AppState* state)
{
    AppState target = *state;
    target.remote.computer_name[0] = '\0';
    ReadText(dialog, IDC_REMOTE_NAME, target.remote.computer_name, sizeof target.remote.computer_name);
    if (!target.remote.computer_name[0]) {
        Error(state, dialog, "No remote computer specified");
        return;
    }
    target.action = ABORT;
    target.who = REMOTE_COMPUTER;
    target.remote.use_nt = 1;
    target.interactive = 1;
    target.remote.current_credentials = Checked(dialog, IDC_REMOTE_CURRENT_CREDENTIALS);
    ReadText(dialog, IDC_REMOTE_USERNAME, target.remote.username, sizeof target.remote.username);
    char text[sizeof target.remote.password];
    if (const char* password = TypedPassword(dialog, IDC_REMOTE_PASSWORD, text, sizeof text))
        CopyField(target.remote.password, password);
    DoAbortSystemShutdown(SystemRemoteShutdownCalls(), dialog, &target);
}

bool RemoteDialogCommand(HWND dialog, AppState* state, int id, int)
{
    if (id == IDC_REMOTE_BROWSE)
        BrowseComputers(dialog, IDC_REMOTE_NAME);
    else if (id == IDC_REMOTE_ABORT)
        AbortRemoteShutdown(dialog, state);
    else if (id == IDC_REMOTE_USE_NT || id == IDC_REMOTE_CURRENT_CREDENTIALS)
        EnableRemoteFields(dialog);
    else
        return false;
    return true;
}

bool WakeOnLanDialogCommand(HWND dialog, AppState* state, int id, int)
{
    if (id != IDC_WOL_LOOKUP)
        return false;
    LookupMACAddress(state, dialog, NetworkOrder(AddressOf(dialog, IDC_WOL_IP)), IDC_WOL_MAC);
    return true;
}

}  // namespace

void ShowRemoteDialog(HWND owner, AppState* state)
{
    WriteLog("ShowRemoteDialog start");
    if (state->action == WAKE_ON_LAN) {
        WriteLog("Action=WOL");
        RunSettingsDialog(nullptr, owner, state, IDD_WAKE_ON_LAN, WakeOnLanDialogProc);
    } else {
        WriteLog("Action!=WOL");
        RunSettingsDialog(nullptr, owner, state, IDD_REMOTE, RemoteDialogProc);
    }
    WriteLog("ShowRemoteDialog end");
}

void ShowRemoteControlDialog(HWND owner, AppState* state)
{
    WriteLog("ShowRemoteControlDialog start");
    RunSettingsDialog(nullptr, owner, state, IDD_REMOTE_CONTROL, RemoteControlDialogProc);
    WriteLog("ShowRemoteControlDialog end");
}

void EnableRemoteFields(HWND dialog)
{
    bool nt = Checked(dialog, IDC_REMOTE_USE_NT);
    bool own_credentials = nt && !Checked(dialog, IDC_REMOTE_CURRENT_CREDENTIALS);
    EnableControl(dialog, IDC_REMOTE_CURRENT_CREDENTIALS, nt);
    EnableControl(dialog, IDC_REMOTE_USERNAME, own_credentials);
    EnableControl(dialog, IDC_REMOTE_PASSWORD, own_credentials || !nt);
    EnableControl(dialog, IDC_REMOTE_SAVE_PASSWORD, own_credentials || !nt);
    EnableControl(dialog, IDC_REMOTE_PORT, !nt);
    EnableControl(dialog, IDC_REMOTE_SCHEDULE, !nt);
    EnableControl(dialog, IDC_REMOTE_ABORT, nt);
}

void BrowseComputers(HWND dialog, int edit_id)
{
    WriteLog("BrowseComputers start");
    char name[MAX_PATH];
    if (PickFolder(dialog, PICK_COMPUTER, "Select remote computer", name))
        SetDlgItemTextA(dialog, edit_id, name);
    WriteLog("BrowseComputers end, computer=%s", name);
}

INT_PTR CALLBACK RemoteDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    static const DialogParts parts = {InitRemoteDialog, ApplyRemoteDialog,
                                      RemoteDialogCommand};
    return SettingsDialogMessage(parts, dialog, message, wParam, lParam);
}

INT_PTR CALLBACK WakeOnLanDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    static const DialogParts parts = {InitWakeOnLanDialog,
                                      ApplyWakeOnLanDialog, WakeOnLanDialogCommand};
    return SettingsDialogMessage(parts, dialog, message, wParam, lParam);
}

INT_PTR CALLBACK RemoteControlDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    static const DialogParts parts = {InitRemoteControlDialog,
                                      ApplyRemoteControlDialog, nullptr};
    return SettingsDialogMessage(parts, dialog, message, wParam, lParam);
}
