// Warning message, Program, Process and Select process dialogs, and the file
// and folder pickers.
#include "ui/settings_dialogs.h"

#include <commdlg.h>

#include <cstdio>

#include "core/app_state.h"
#include "core/report.h"
#include "resource.h"
#include "triggers/process_list.h"
#include "ui/dialog_fields.h"
#include "ui/folder_picker.h"

namespace {

const int PATH_SIZE = 260;

// A file-open dialog for an existing file; the name goes into the edit.
void BrowseFile(HWND dialog, const char* filter, int edit, const char* name)
{
    WriteLog("%s start", name);
    char file[PATH_SIZE] = "";
    OPENFILENAMEA request = {};
    request.lStructSize = OPENFILENAME_SIZE_VERSION_400A;  // understood by every version
    request.hwndOwner = dialog;
    request.lpstrFilter = filter;
    request.nFilterIndex = 1;
    request.lpstrFile = file;
    request.nMaxFile = sizeof file;
    request.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    GetOpenFileNameA(&request);
    if (file[0])
        SetDlgItemTextA(dialog, edit, file);
    WriteLog("%s end, filename=%s", name, file);
}

// ---- Warning message ------------------------------------------------------

// Enables the sound file and its picker exactly when the sound box is checked.
void EnableSoundFile(HWND dialog)
{
    bool play = IsDlgButtonChecked(dialog, IDC_MSG_PLAY_SOUND) == BST_CHECKED;
    EnableControl(dialog, IDC_MSG_SOUND_FILE, play);
    EnableControl(dialog, IDC_MSG_BROWSE_SOUND, play);
}

void OpenMessage(HWND dialog, AppState* state)
{
    LimitEdit(dialog, IDC_MSG_SECONDS, 20);
    LimitEdit(dialog, IDC_MSG_TEXT, sizeof state->warning.message);
    LimitEdit(dialog, IDC_MSG_SOUND_FILE, sizeof state->warning.sound_file);
    char seconds[16];
    snprintf(seconds, sizeof seconds, "%u", (unsigned)state->warning.seconds);
    SetDlgItemTextA(dialog, IDC_MSG_SECONDS, seconds);
    SetDlgItemTextA(dialog, IDC_MSG_TEXT, state->warning.message);
    CheckDlgButton(dialog, IDC_MSG_PLAY_SOUND, state->warning.play_sound ? BST_CHECKED : BST_UNCHECKED);
    if (state->warning.play_sound)
        SetDlgItemTextA(dialog, IDC_MSG_SOUND_FILE, state->warning.sound_file);
    EnableSoundFile(dialog);
}

bool TakeMessage(HWND dialog, AppState* state)
{
    char seconds[20];
    GetDlgItemTextA(dialog, IDC_MSG_SECONDS, seconds, sizeof seconds);
    state->warning.seconds = EditNumber(seconds);
    ReadEdit(dialog, IDC_MSG_TEXT, state->warning.message);
    state->warning.play_sound = IsDlgButtonChecked(dialog, IDC_MSG_PLAY_SOUND) == BST_CHECKED;
    if (state->warning.play_sound)  // otherwise the stored file stays
        ReadEdit(dialog, IDC_MSG_SOUND_FILE, state->warning.sound_file);
    return true;
}

bool MessageCommand(HWND dialog, AppState*, int id, int)
{
    if (id == IDC_MSG_PLAY_SOUND)
        EnableSoundFile(dialog);
    else if (id == IDC_MSG_BROWSE_SOUND)
        BrowseSoundFile(dialog);
    else
        return false;
    return true;
}

// ---- Program --------------------------------------------------------------

void OpenProgram(HWND dialog, AppState* state)
{
    LimitEdit(dialog, IDC_PRG_PROGRAM, sizeof state->program.program);
    LimitEdit(dialog, IDC_PRG_DIRECTORY, sizeof state->program.directory);
    SetDlgItemTextA(dialog, IDC_PRG_PROGRAM, state->program.program);
    SetDlgItemTextA(dialog, IDC_PRG_DIRECTORY, state->program.directory);
}

bool TakeProgram(HWND dialog, AppState* state)
{
    ReadEdit(dialog, IDC_PRG_PROGRAM, state->program.program);
    ReadEdit(dialog, IDC_PRG_DIRECTORY, state->program.directory);
    return true;
}

bool ProgramCommand(HWND dialog, AppState*, int id, int)
{
    if (id == IDC_PRG_BROWSE_PROGRAM)
        BrowseProgram(dialog);
    else if (id == IDC_PRG_BROWSE_DIRECTORY)
        BrowseFolders(dialog);
    else
        return false;
    return true;
}

// ---- Process and Select process ---------------------------------------------

void OpenProcess(HWND dialog, AppState* state)
{
    LimitEdit(dialog, IDC_PRC_PROCESS, sizeof state->process.process);
    SetDlgItemTextA(dialog, IDC_PRC_PROCESS, state->process.process);
}

bool TakeProcess(HWND dialog, AppState* state)
{
    ReadEdit(dialog, IDC_PRC_PROCESS, state->process.process);
    return true;
}

bool ProcessCommand(HWND dialog, AppState* state, int id, int)
{
    if (id != IDC_PRC_BROWSE)
        return false;
    RunSettingsDialog(nullptr, dialog, state, IDD_SELECT_PROCESS, SelectProcessDialogProc);
    return true;
}

// The process list is taken once, when the dialog opens.
void OpenSelectProcess(HWND dialog, AppState*)
{
    EnumProcs(AddProcessToList, dialog);
}

// The selected name goes into the Process dialog's edit; none selected is
// refused and the dialog stays open.
bool TakeSelectedProcess(HWND dialog, AppState* state)
{
    HWND list = GetDlgItem(dialog, IDC_SEL_LIST);
    LRESULT selected = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (selected == LB_ERR) {
        Error(state, dialog, "No process selected");
        return false;
    }
    // Process names are shorter than a path; a longer entry is not taken.
    char name[PATH_SIZE];
    LRESULT length = SendMessageA(list, LB_GETTEXTLEN, selected, 0);
    if (length >= 0 && length < PATH_SIZE &&
        SendMessageA(list, LB_GETTEXT, selected, (LPARAM)name) != LB_ERR)
        SetDlgItemTextA(GetWindow(dialog, GW_OWNER), IDC_PRC_PROCESS, name);
    return true;
}

bool SelectProcessCommand(HWND dialog, AppState* state, int id, int code)
{
    if (id != IDC_SEL_LIST)
        return false;
    if (code == LBN_DBLCLK && TakeSelectedProcess(dialog, state))
        EndDialog(dialog, 1);
    return true;
}

// ---- Idle ------------------------------------------------------------------

void EnableIdleLimits(HWND dialog)
{
    EnableControl(dialog, IDC_IDLE_CPU, IsDlgButtonChecked(dialog, IDC_IDLE_CPU_ON) == BST_CHECKED);
    EnableControl(dialog, IDC_IDLE_NET, IsDlgButtonChecked(dialog, IDC_IDLE_NET_ON) == BST_CHECKED);
}

// An off condition shows a limit to start from when it is checked.
void ShowIdleLimit(HWND dialog, int box, int edit, int32_t limit, int32_t suggested)
{
    CheckDlgButton(dialog, box, limit > 0 ? BST_CHECKED : BST_UNCHECKED);
    SetDlgItemInt(dialog, edit, (UINT)(limit > 0 ? limit : suggested), FALSE);
}

int32_t TakeIdleLimit(HWND dialog, int box, int edit)
{
    if (IsDlgButtonChecked(dialog, box) != BST_CHECKED)
        return 0;
    char text[20];
    GetDlgItemTextA(dialog, edit, text, sizeof text);
    int32_t limit = EditNumber(text);
    return limit > 0 ? limit : -1;  // a checked box with no limit is refused
}

void OpenIdle(HWND dialog, AppState* state)
{
    LimitEdit(dialog, IDC_IDLE_MINUTES, 5);
    LimitEdit(dialog, IDC_IDLE_CPU, 4);
    LimitEdit(dialog, IDC_IDLE_NET, 8);
    SetDlgItemInt(dialog, IDC_IDLE_MINUTES, (UINT)state->idle.minutes, FALSE);
    ShowIdleLimit(dialog, IDC_IDLE_CPU_ON, IDC_IDLE_CPU, state->idle.cpu_percent, 10);
    ShowIdleLimit(dialog, IDC_IDLE_NET_ON, IDC_IDLE_NET, state->idle.net_kbps, 100);
    EnableIdleLimits(dialog);
}

bool TakeIdle(HWND dialog, AppState* state)
{
    char text[20];
    GetDlgItemTextA(dialog, IDC_IDLE_MINUTES, text, sizeof text);
    int32_t minutes = EditNumber(text);
    int32_t cpu = TakeIdleLimit(dialog, IDC_IDLE_CPU_ON, IDC_IDLE_CPU);
    int32_t net = TakeIdleLimit(dialog, IDC_IDLE_NET_ON, IDC_IDLE_NET);
    if (const char* problem = IdleSettingsProblem(minutes, cpu, net)) {
        Error(state, dialog, problem);
        return false;
    }
    state->idle.minutes = minutes;
    state->idle.cpu_percent = cpu;
    state->idle.net_kbps = net;
    return true;
}

bool IdleCommand(HWND dialog, AppState*, int id, int)
{
    if (id != IDC_IDLE_CPU_ON && id != IDC_IDLE_NET_ON)
        return false;
    EnableIdleLimits(dialog);
    return true;
}

const DialogParts message_parts = {OpenMessage, TakeMessage, MessageCommand};
const DialogParts program_parts = {OpenProgram, TakeProgram, ProgramCommand};
const DialogParts process_parts = {OpenProcess, TakeProcess, ProcessCommand};
const DialogParts idle_parts = {OpenIdle, TakeIdle, IdleCommand};
const DialogParts select_process_parts = {OpenSelectProcess,
                                          TakeSelectedProcess, SelectProcessCommand};

}  // namespace

void BrowseSoundFile(HWND dialog)
{
    BrowseFile(dialog, "Sound Files\0*.WAV\0All Files\0*.*\0", IDC_MSG_SOUND_FILE, "BrowseSoundFile");
}

void BrowseProgram(HWND dialog)
{
    BrowseFile(dialog, "Programs\0*.EXE;*.CMD;*.BAT;*.COM\0All Files\0*.*\0", IDC_PRG_PROGRAM,
               "BrowseProgram");
}

void BrowseFolders(HWND dialog)
{
    WriteLog("BrowseFolders start");
    char directory[MAX_PATH];
    if (PickFolder(dialog, PICK_FOLDER, "Select Directory", directory))
        SetDlgItemTextA(dialog, IDC_PRG_DIRECTORY, directory);
    WriteLog("BrowseFolders end, directory=%s", directory);
}

int AddProcessToList(DWORD, WORD, const char* name, void* dialog)
{
    if (name && name[0])
        SendDlgItemMessageA((HWND)dialog, IDC_SEL_LIST, LB_ADDSTRING, 0, (LPARAM)name);
    return 1;
}

INT_PTR CALLBACK MessageDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return SettingsDialogMessage(message_parts, dialog, message, wParam, lParam);
}

INT_PTR CALLBACK ProgramDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return SettingsDialogMessage(program_parts, dialog, message, wParam, lParam);
}

INT_PTR CALLBACK ProcessDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return SettingsDialogMessage(process_parts, dialog, message, wParam, lParam);
}

INT_PTR CALLBACK SelectProcessDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return SettingsDialogMessage(select_process_parts, dialog, message, wParam, lParam);
}

INT_PTR CALLBACK IdleDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return SettingsDialogMessage(idle_parts, dialog, message, wParam, lParam);
}

void ShowIdleDialog(HWND owner, AppState* state)
{
    RunSettingsDialog("ShowIdleDialog", owner, state, IDD_IDLE, IdleDialogProc);
}

void ShowMessageDialog(HWND owner, AppState* state)
{
    RunSettingsDialog("ShowMessageDialog", owner, state, IDD_MESSAGE, MessageDialogProc);
}

void ShowProgramDialog(HWND owner, AppState* state)
{
    RunSettingsDialog("ShowProgramDialog", owner, state, IDD_PROGRAM, ProgramDialogProc);
}

void ShowProcessDialog(HWND owner, AppState* state)
{
    RunSettingsDialog("ShowProcessDialog", owner, state, IDD_PROCESS, ProcessDialogProc);
}
