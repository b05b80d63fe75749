// The settings check that every "Do it" passes first.
#include "actions/dispatch.h"
#include "actions/local_actions.h"
#include "actions/power_options.h"
#include "core/app_state.h"
#include "core/log.h"

namespace {

bool AnyFlagSet(const Flag* const* flags, int count)
{
    for (int i = 0; i < count; i++)
        if (*flags[i])
            return true;
    return false;
}

// The first problem of the settings, or null when there is none.
const char* FirstProblem(const AppState* s)
{
    bool remote = s->who == REMOTE_COMPUTER;
    bool wol = s->action == WAKE_ON_LAN;
    if (remote && wol) {
        if (!s->remote.ip_address[0])
            return "No ip address specified";
        if (!s->remote.mac_address[0])
            return "No MAC address specified";
        if (!s->remote.subnet_mask[0])
            return "No subnet mask specified";
    }
    if (remote && !wol) {
        if (s->remote.use_nt && s->action != SHUTDOWN && s->action != REBOOT && s->action != ABORT)
            return "Unsupported action for specified remote protocol";
        if (!s->remote.computer_name[0])
            return "No remote computer specified";
    }
    // A run over no computer would report success for nothing done.
    if (s->who == REMOTE_GROUP && s->group_count <= 0)
        return "No computer specified in the group";
    if (s->who == LOCAL_COMPUTER && s->probe.on)
        return "Nothing to check: -probe needs -remote or -group";
    if (s->who == LOCAL_COMPUTER && wol)
        return "WAKE-On-LAN requires remote computer";
    if (s->options.warning && s->warning.play_sound && !s->warning.sound_file[0])
        return "No sound file specified";
    if (s->options.run_program && !s->program.program[0])
        return "No program specified";

    if (s->when == SCHEDULED) {
        const auto& sc = s->schedule;
        if (sc.time.wHour == NO_TIME_HOUR && sc.schedule != AFTER_X_SECONDS)
            return "No time specified";
        if (sc.schedule == FIXED_DAY && sc.date.wYear == 0)
            return "No date specified";
        if (sc.schedule == DAILY) {
            const Flag* days[] = {&sc.monday, &sc.tuesday,  &sc.wednesday, &sc.thursday,
                                  &sc.friday, &sc.saturday, &sc.sunday};
            const Flag* weeks[] = {&sc.week1, &sc.week2, &sc.week3, &sc.week4, &sc.week5};
            if (!AnyFlagSet(days, 7))
                return "No day of the week specified";
            if (!AnyFlagSet(weeks, 5))
                return "No week specified";
        }
        if (sc.schedule == DAY_OF_MONTH && (sc.day == 0 || sc.day > 31))
            return "Invalid day specified";
    }
    if (s->when == PROCESS && !s->process.process[0])
        return "No process specified";
    if (s->when == IDLE) {
        if (s->run_as_service)
            return IDLE_IN_SERVICE;
        if (const char* problem = IdleSettingsProblem(s->idle.minutes, s->idle.cpu_percent, s->idle.net_kbps))
            return problem;
    }

    DWORD platform = s->os_version.dwPlatformId;
    if (s->action == LOCK &&
        (platform == PLATFORM_WINDOWS_9X ||
         (platform == PLATFORM_WINDOWS_NT && s->os_version.dwMajorVersion < 5)))
        return "Action not supported by this windows version";
    // Only the NT family counts a shutdown down, locally or for others.
    if (s->action == ABORT && platform == PLATFORM_WINDOWS_9X)
        return "Action not supported by this windows version";
    return PowerOptionsProblem(s);
}

}  // namespace

int SanityCheck(HWND, AppState* state, char* message)
{
    WriteLog("SanityCheck start");
    const char* problem = FirstProblem(state);
    if (!problem) {
        WriteLog("SanityCheck end");
        return 0;
    }
    CopyField(message, MESSAGE_SIZE, problem);
    WriteLog("SanityCheck end, %s", problem);
    return 1;
}
