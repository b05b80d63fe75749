// Turning the settings into an action: validate, hand over, arm or act.
#pragma once
#include <cstddef>

#include "core/platform.h"
#include "core/report.h"

struct AppState;

// 0 when the settings are usable; 1 with the first problem in message
// (MESSAGE_SIZE bytes).
int SanityCheck(HWND window, AppState* state, char* message);

// What "Do it" does with settings that passed SanityCheck.
enum DoItRoute {
    ROUTE_HAND_OVER,     // send the whole job to the copy on the remote computer
    ROUTE_ACT_NOW,       // HaltAll at once
    ROUTE_ARM_TRIGGER,   // arm the timer of the trigger that waits
    ROUTE_NONE,          // a trigger value outside the enumeration
};
DoItRoute ChooseDoItRoute(const AppState* state);

// "Do it" in the main window asks first when it would log off, restart,
// shut down or power off at once with no warning countdown before it.
bool AsksBeforeDoIt(const AppState* state);

// True when HaltAll_Internal sends the action to the copy on the remote
// computer instead of carrying it out here.
bool SendsToRemoteCopy(const AppState* state);

// The operation that carries out one action for one target.
enum ActionOperation {
    OP_EXIT_WINDOWS,               // DoExitWindowsEx
    OP_INITIATE_SYSTEM_SHUTDOWN,   // DoInitiateSystemShutdown
    OP_SET_SYSTEM_POWER_STATE,     // DoSetSystemPowerState
    OP_LOCK_WORKSTATION,           // DoLockWorkstation
    OP_WAKE_ON_LAN,                // DoWOL
    OP_TURN_OFF_MONITOR,           // DoTurnOffMonitor
    OP_NO_ACTION,                  // DoNoAction
    OP_ABORT_SYSTEM_SHUTDOWN,      // DoAbortSystemShutdown
    OP_NONE,                       // an action value outside the enumeration
};
ActionOperation ChooseOperation(int action, int who);

#ifdef _WIN32
// 0 done or handed over; DOIT_ARMED when a trigger timer of the window was
// armed (the window then hides into the tray); -1 the remote copy refused or
// could not be reached; -2 bad settings. Failures mark the run failed.
const int DOIT_ARMED = 1;
// calls: the system calls that act (SystemActionCalls(), or a test's).
struct ActionCalls;
int DoIt(const ActionCalls& calls, HWND window, AppState* state);
// 0 for a group, else the result of HaltAll_Internal.
int HaltAll(const ActionCalls& calls, HWND window, AppState* state);
// 0 performed or sent, 1 cancelled at the warning, -1 failed (reported, and
// the run marked failed).
int HaltAll_Internal(const ActionCalls& calls, HWND window, AppState* state);
// One action on the local computer at once, from the tray menu; asked
// first unless options.confirm_quick_actions is off.
void DoQuickAction(const ActionCalls& calls, AppState* state, int action);
// The question before acting, naming the action and its target; No is its
// default button. True when the user answered Yes.
bool ConfirmAction(HWND owner, const AppState* state);
#endif
