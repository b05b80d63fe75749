#include "actions/power_options.h"

#include <cstdio>
#include <cstring>

#include "actions/local_actions.h"
#include "core/app_state.h"

namespace {

// Versions of the NT family as major << 8 | minor.
const unsigned WINDOWS_XP = 0x501;
const unsigned WINDOWS_VISTA = 0x600;
const unsigned WINDOWS_8 = 0x602;

// 0 for Windows 9x, which offers none of the options.
unsigned NtVersion(const AppState* state)
{
    const OSVERSIONINFOA& v = state->os_version;
    if (v.dwPlatformId != PLATFORM_WINDOWS_NT)
        return 0;
    return v.dwMajorVersion > 0xFF ? 0xFFFF : (unsigned)(v.dwMajorVersion << 8 | (v.dwMinorVersion & 0xFF));
}

ShutdownPlan Refuse(const char* message)
{
    ShutdownPlan plan = {};
    plan.call = CALL_REFUSED;
    plan.refusal = message;
    return plan;
}

const char* const EITHER_TARGET = "Choose either the firmware setup or the advanced start-up options";
const char* const TARGET_NEEDS_REBOOT =
    "The firmware setup and the advanced start-up options need the action REBOOT";

// The refusals that do not depend on where the action runs.
const char* CommonProblem(const AppState* state)
{
    const auto& o = state->power;
    if (o.firmware && o.boot_options)
        return EITHER_TARGET;
    if ((o.firmware || o.boot_options) && state->action != REBOOT)
        return TARGET_NEEDS_REBOOT;
    return nullptr;
}

DWORD PlannedReason(const AppState* state, unsigned version)
{
    return version >= WINDOWS_XP ? REASON_FLAG_PLANNED | (state->power.reason_code & 0xFFFFFF) : 0;
}

DWORD InitiateShutdownFlags(const AppState* state, bool hybrid)
{
    DWORD flags = state->action == REBOOT     ? SHUTDOWN_RESTART_FLAG
                  : state->action == POWEROFF ? SHUTDOWN_POWEROFF_FLAG
                                              : SHUTDOWN_NOREBOOT_FLAG;
    if (state->options.force)
        flags |= SHUTDOWN_FORCE_OTHERS_FLAG | SHUTDOWN_FORCE_SELF_FLAG;
    if (state->power.restart_apps)
        flags |= SHUTDOWN_RESTARTAPPS_FLAG;
    if (hybrid)
        flags |= SHUTDOWN_HYBRID_FLAG;
    if (state->power.boot_options)
        flags |= SHUTDOWN_RESTART_BOOTOPTIONS_FLAG;
    return flags;
}

struct FlagName {
    DWORD bit;
    const char* name;
};

const FlagName exit_windows_flags[] = {
    {0x1, "EWX_SHUTDOWN"},         {0x2, "EWX_REBOOT"},
    {0x8, "EWX_POWEROFF"},         {0x4, "EWX_FORCE"},
    {EWX_RESTARTAPPS_FLAG, "EWX_RESTARTAPPS"}, {EWX_HYBRID_SHUTDOWN_FLAG, "EWX_HYBRID_SHUTDOWN"},
};

const FlagName initiate_shutdown_flags[] = {
    {SHUTDOWN_RESTART_FLAG, "SHUTDOWN_RESTART"},
    {SHUTDOWN_POWEROFF_FLAG, "SHUTDOWN_POWEROFF"},
    {SHUTDOWN_NOREBOOT_FLAG, "SHUTDOWN_NOREBOOT"},
    {SHUTDOWN_FORCE_OTHERS_FLAG, "SHUTDOWN_FORCE_OTHERS"},
    {SHUTDOWN_FORCE_SELF_FLAG, "SHUTDOWN_FORCE_SELF"},
    {SHUTDOWN_RESTARTAPPS_FLAG, "SHUTDOWN_RESTARTAPPS"},
    {SHUTDOWN_HYBRID_FLAG, "SHUTDOWN_HYBRID"},
    {SHUTDOWN_RESTART_BOOTOPTIONS_FLAG, "SHUTDOWN_RESTART_BOOTOPTIONS"},
};

// The names of the set bits joined by "|"; first names an empty set.
template <size_t N>
void FlagNames(const FlagName (&names)[N], DWORD flags, const char* first, char* text, size_t size)
{
    size_t used = (size_t)snprintf(text, size, "%s", first);
    for (const FlagName& name : names) {
        if (!(flags & name.bit) || used >= size)
            continue;
        used += (size_t)snprintf(text + used, size - used, "%s%s", used ? "|" : "", name.name);
    }
}

}  // namespace

ShutdownPlan PlanLocalShutdown(const AppState* state)
{
    if (const char* problem = CommonProblem(state))
        return Refuse(problem);
    const auto& o = state->power;
    unsigned version = NtVersion(state);
    Action action = state->action;
    bool reboot = action == REBOOT, logoff = action == LOGOFF;

    if (o.restart_apps && !reboot && !logoff)
        return Refuse("Reopening the applications needs the action REBOOT or LOGOFF");
    if (o.firmware && version < WINDOWS_8)
        return Refuse("Restarting into the firmware setup needs Windows 8 or later");
    if (o.firmware && state->firmware_type != FIRMWARE_TYPE_UEFI)
        return Refuse("Restarting into the firmware setup needs a computer that starts by UEFI");
    if (o.boot_options && version < WINDOWS_8)
        return Refuse("Restarting into the advanced start-up options needs Windows 8 or later");
    if (o.restart_apps && reboot && version < WINDOWS_VISTA)
        return Refuse("Reopening the applications after a reboot needs Windows Vista or later");
    if (o.restart_apps && logoff && version < WINDOWS_8)
        return Refuse("Reopening the applications after a logoff needs Windows 8 or later");
    // The system records a text with shutdowns and reboots only.
    bool text = o.reason[0] && !logoff;
    if (text && version < WINDOWS_XP)
        return Refuse("A shutdown reason needs Windows XP or later");

    ShutdownPlan plan = {};
    plan.reason = PlannedReason(state, version);
    plan.force = state->options.force != 0;
    plan.reboot = reboot;
    plan.firmware_first = o.firmware != 0;
    // Fast start-up only speeds up the next start: without it the
    // shutdown still happens.
    bool hybrid = o.hybrid && (action == SHUTDOWN || action == POWEROFF);
    if (hybrid && version < WINDOWS_8) {
        plan.hybrid_dropped = true;
        hybrid = false;
    }

    if (text && version < WINDOWS_VISTA) {
        plan.call = CALL_INITIATE_SYSTEM_SHUTDOWN_EX;
    } else if (text || o.boot_options) {
        // Only InitiateShutdown takes a text and the advanced start-up options.
        plan.call = CALL_INITIATE_SHUTDOWN;
        plan.flags = InitiateShutdownFlags(state, hybrid);
    } else {
        plan.call = CALL_EXIT_WINDOWS;
        int flags = ExitWindowsFlags(action, state->os_version.dwPlatformId, state->options.force);
        plan.flags = (DWORD)flags | (o.restart_apps ? EWX_RESTARTAPPS_FLAG : 0) |
                     (hybrid ? EWX_HYBRID_SHUTDOWN_FLAG : 0);
    }
    return plan;
}

ShutdownPlan PlanRemoteShutdown(const AppState* state)
{
    if (const char* problem = CommonProblem(state))
        return Refuse(problem);
    const auto& o = state->power;
    unsigned version = NtVersion(state);
    bool reboot = state->action == REBOOT;
    if (o.firmware)
        return Refuse("Restarting into the firmware setup is not possible on a remote computer");
    if (o.restart_apps && !reboot)
        return Refuse("Reopening the applications on a remote computer needs the action REBOOT");
    if ((o.restart_apps || o.boot_options) && version < WINDOWS_VISTA)
        return Refuse("Reopening the applications and the advanced start-up options on a remote "
                      "computer need Windows Vista or later on this computer");

    ShutdownPlan plan = {};
    plan.reason = PlannedReason(state, version);
    plan.force = state->options.force != 0;
    plan.reboot = reboot;
    bool hybrid = o.hybrid && !reboot;
    if (hybrid && version < WINDOWS_VISTA) {
        plan.hybrid_dropped = true;
        hybrid = false;
    }
    if (hybrid || o.restart_apps || o.boot_options) {
        // A remote computer older than Windows 8 refuses what it lacks itself.
        plan.call = CALL_INITIATE_SHUTDOWN;
        plan.flags = InitiateShutdownFlags(state, hybrid);
    } else {
        plan.call = version >= WINDOWS_XP ? CALL_INITIATE_SYSTEM_SHUTDOWN_EX
                                          : CALL_INITIATE_SYSTEM_SHUTDOWN;
    }
    return plan;
}

const char* PowerOptionsProblem(const AppState* state)
{
    bool shutdown_family = state->action == LOGOFF || state->action == REBOOT ||
                           state->action == SHUTDOWN || state->action == POWEROFF;
    if (!shutdown_family)
        return nullptr;
    if (state->who == LOCAL_COMPUTER)
        return PlanLocalShutdown(state).refusal;
    if (state->who == REMOTE_COMPUTER && state->remote.use_nt)
        return PlanRemoteShutdown(state).refusal;
    // A remote copy decides for itself; a group, entry by entry.
    return nullptr;
}

void DescribeShutdownCall(const ShutdownPlan& plan, const char* machine, char* text, size_t size)
{
    const char* target = machine && machine[0] ? machine : "this computer";
    char flags[200];
    int used = 0;
    if (plan.firmware_first)
        used = snprintf(text, size, "OsIndications=BOOT_TO_FW_UI, ");
    if (used < 0 || (size_t)used >= size)
        return;
    text += used;
    size -= (size_t)used;
    switch (plan.call) {
    case CALL_EXIT_WINDOWS:
        FlagNames(exit_windows_flags, plan.flags, plan.flags & 0xB ? "" : "EWX_LOGOFF", flags,
                  sizeof flags);
        snprintf(text, size, "ExitWindowsEx(%s, reason=0x%08lX)", flags, (unsigned long)plan.reason);
        break;
    case CALL_INITIATE_SHUTDOWN:
        FlagNames(initiate_shutdown_flags, plan.flags, "", flags, sizeof flags);
        snprintf(text, size, "InitiateShutdownW(%s, %s, reason=0x%08lX)", target, flags,
                 (unsigned long)plan.reason);
        break;
    case CALL_INITIATE_SYSTEM_SHUTDOWN_EX:
        snprintf(text, size, "InitiateSystemShutdownEx(%s, force=%d, reboot=%d, reason=0x%08lX)",
                 target, plan.force, plan.reboot, (unsigned long)plan.reason);
        break;
    case CALL_INITIATE_SYSTEM_SHUTDOWN:
        snprintf(text, size, "InitiateSystemShutdown(%s, force=%d, reboot=%d)", target, plan.force,
                 plan.reboot);
        break;
    case CALL_ABORT_SYSTEM_SHUTDOWN:
        snprintf(text, size, "AbortSystemShutdown(%s)", target);
        break;
    case CALL_REFUSED:
        snprintf(text, size, "%s", plan.refusal);
        break;
    }
}

const char* ShutdownCallName(ShutdownCall call)
{
    switch (call) {
    case CALL_EXIT_WINDOWS:
        return "ExitWindowsEx";
    case CALL_INITIATE_SHUTDOWN:
        return "InitiateShutdownW";
    case CALL_INITIATE_SYSTEM_SHUTDOWN_EX:
        return "InitiateSystemShutdownEx";
    case CALL_INITIATE_SYSTEM_SHUTDOWN:
        return "InitiateSystemShutdown";
    case CALL_ABORT_SYSTEM_SHUTDOWN:
        return "AbortSystemShutdown";
    case CALL_REFUSED:
        break;
    }
    return "";
}

void ShutdownMessage(const AppState* state, char* text, size_t size)
{
    const char* message = state->warning.message;
    const char* reason = state->power.reason;
    snprintf(text, size, "%s%s%s", message, message[0] && reason[0] ? "\r\n" : "", reason);
}
