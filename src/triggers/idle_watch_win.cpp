// The idle trigger's readings: the session's last input, the system times
// and the interfaces' byte counters, each one call bound by name.
#include <iphlpapi.h>

#include "core/app_state.h"
#include "core/log.h"
#include "core/system_library.h"
#include "triggers/idle_watch.h"

namespace {

typedef BOOL(WINAPI* GetLastInputInfoFunction)(LASTINPUTINFO* info);
typedef BOOL(WINAPI* GetSystemTimesFunction)(FILETIME* idle, FILETIME* kernel, FILETIME* user);
typedef DWORD(WINAPI* GetIfTableFunction)(MIB_IFTABLE* table, ULONG* size, BOOL order);

// Looked up once: the trigger reads every second.
struct IdleQueries {
    GetLastInputInfoFunction last_input;
    GetSystemTimesFunction system_times;
    GetIfTableFunction if_table;
};

const IdleQueries& Queries()
{
    static const IdleQueries queries = {
        (GetLastInputInfoFunction)(void*)SystemFunction("user32.dll", "GetLastInputInfo"),
        (GetSystemTimesFunction)(void*)SystemFunction("kernel32.dll", "GetSystemTimes"),
        (GetIfTableFunction)(void*)SystemFunction("Iphlpapi.dll", "GetIfTable"),
    };
    return queries;
}

uint64_t Hundreds(const FILETIME& time)
{
    return ((uint64_t)time.dwHighDateTime << 32) | time.dwLowDateTime;
}

bool ReadSystemTimes(const IdleQueries& q, IdleSample* sample)
{
    FILETIME idle, kernel, user;
    if (!q.system_times || !q.system_times(&idle, &kernel, &user))
        return false;
    sample->cpu_idle = Hundreds(idle);
    sample->cpu_total = Hundreds(kernel) + Hundreds(user);
    return true;
}

// Loopback traffic is the computer talking to itself and does not count.
bool ReadNetBytes(const IdleQueries& q, IdleSample* sample)
{
    const int MOST_INTERFACES = 64;
    alignas(MIB_IFTABLE) char buffer[sizeof(DWORD) + MOST_INTERFACES * sizeof(MIB_IFROW)];
    MIB_IFTABLE* table = (MIB_IFTABLE*)buffer;
    ULONG size = sizeof buffer;
    if (!q.if_table || q.if_table(table, &size, FALSE) != NO_ERROR)
        return false;
    uint32_t bytes = 0;
    for (DWORD i = 0; i < table->dwNumEntries; i++)
        if (table->table[i].dwType != IF_TYPE_SOFTWARE_LOOPBACK)
            bytes += table->table[i].dwInOctets + table->table[i].dwOutOctets;
    sample->net_bytes = bytes;
    return true;
}

// Reads only what the settings ask for. False when the last input cannot
// be read.
bool TakeIdleSample(const AppState* state, IdleSample* sample)
{
    const IdleQueries& q = Queries();
    *sample = IdleSample();
    sample->now_ms = GetTickCount();
    LASTINPUTINFO input = {sizeof input, 0};
    bool has_input = q.last_input && q.last_input(&input);
    sample->last_input_ms = input.dwTime;
    if (state->idle.cpu_percent > 0)
        sample->has_cpu = ReadSystemTimes(q, sample);
    if (state->idle.net_kbps > 0)
        sample->has_net = ReadNetBytes(q, sample);
    return has_input;
}

}  // namespace

const char* ArmIdleWatch(AppState* state)
{
    IdleSample first;
    bool has_input = TakeIdleSample(state, &first);
    const char* problem = IdleSampleProblem(state, first, has_input);
    if (!problem)
        StartIdleWatch(state, first);
    return problem;
}

bool CheckIdleTimer(HWND, AppState* state)
{
    IdleSample sample;
    TakeIdleSample(state, &sample);
    bool due = IdleWatchTick(state, sample);
    WriteLog("CheckIdleTimer, quiet_ms=%u", state->idle.quiet_ms);
    return due;
}
