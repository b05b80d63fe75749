// The power options of today's systems (fast start-up, reopened
// applications, a reboot into the firmware setup or the advanced start-up
// options, a recorded reason) and aborting a pending shutdown: which system
// call carries out an action with them, with which flags, or why the running
// system cannot. Decided from the settings alone.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/platform.h"

struct AppState;

// ExitWindowsEx
const DWORD EWX_RESTARTAPPS_FLAG = 0x40;             // Vista
const DWORD EWX_HYBRID_SHUTDOWN_FLAG = 0x00400000;   // Windows 8

// InitiateShutdown (Vista); the headers of older systems lack them.
const DWORD SHUTDOWN_FORCE_OTHERS_FLAG = 0x1;
const DWORD SHUTDOWN_FORCE_SELF_FLAG = 0x2;
const DWORD SHUTDOWN_RESTART_FLAG = 0x4;
const DWORD SHUTDOWN_POWEROFF_FLAG = 0x8;
const DWORD SHUTDOWN_NOREBOOT_FLAG = 0x10;
const DWORD SHUTDOWN_RESTARTAPPS_FLAG = 0x80;
const DWORD SHUTDOWN_HYBRID_FLAG = 0x200;               // Windows 8
const DWORD SHUTDOWN_RESTART_BOOTOPTIONS_FLAG = 0x400;  // Windows 8

// Shutdown reasons (Windows XP): major << 16 | minor, planned.
const DWORD REASON_FLAG_PLANNED = 0x80000000;

// GetFirmwareType (Windows 8).
const int32_t FIRMWARE_TYPE_UNKNOWN = 0;
const int32_t FIRMWARE_TYPE_BIOS = 1;
const int32_t FIRMWARE_TYPE_UEFI = 2;

// AbortSystemShutdown's error when nothing is counting down.
const DWORD NO_SHUTDOWN_IN_PROGRESS = 1116;

enum ShutdownCall {
    CALL_REFUSED,
    CALL_EXIT_WINDOWS,                 // ExitWindowsEx(flags, reason)
    CALL_INITIATE_SHUTDOWN,            // InitiateShutdownW(machine, text, seconds, flags, reason)
    CALL_INITIATE_SYSTEM_SHUTDOWN_EX,  // InitiateSystemShutdownEx(machine, text, seconds, force, reboot, reason)
    CALL_INITIATE_SYSTEM_SHUTDOWN,     // InitiateSystemShutdown(machine, text, seconds, force, reboot)
    CALL_ABORT_SYSTEM_SHUTDOWN,        // AbortSystemShutdown(machine)
};

struct ShutdownPlan {
    ShutdownCall call;
    DWORD flags;           // EWX_ or SHUTDOWN_ flags of the first two calls
    bool force;            // the InitiateSystemShutdown calls
    bool reboot;
    DWORD reason;          // 0 where the system knows no reasons
    bool firmware_first;   // the firmware is told to open its setup at the next start
    bool hybrid_dropped;   // fast start-up asked for on a system without it
    const char* refusal;   // CALL_REFUSED: the message
};

// Logoff, reboot, shutdown and power off of this computer.
ShutdownPlan PlanLocalShutdown(const AppState* state);
// The system's remote shutdown of remote.computer_name (any action but
// REBOOT shuts it down).
ShutdownPlan PlanRemoteShutdown(const AppState* state);
// Why the power options cannot go with the settings' action and target on
// this system, or null. The plain actions and targets are left to the other
// checks.
const char* PowerOptionsProblem(const AppState* state);

// The call with its flags, as simulate mode and the log name it:
// "ExitWindowsEx(EWX_REBOOT|EWX_RESTARTAPPS, reason=0x80000000)".
// machine: the remote computer, or null for this one.
const size_t SHUTDOWN_CALL_TEXT_SIZE = 400;
void DescribeShutdownCall(const ShutdownPlan& plan, const char* machine, char* text, size_t size);
// "ExitWindowsEx", "InitiateShutdownW", ...
const char* ShutdownCallName(ShutdownCall call);

// The message of a remote shutdown: the warning text and the reason, each
// on its own line when both are given.
const size_t SHUTDOWN_MESSAGE_SIZE = 200 + 2 + 256;
void ShutdownMessage(const AppState* state, char* text, size_t size);
