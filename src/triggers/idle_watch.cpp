#include "triggers/idle_watch.h"

#include "core/app_state.h"

namespace {

const uint32_t MS_PER_MINUTE = 60000;
const uint32_t LONGEST_QUIET_MS = 0x7FFFFFFF;  // far beyond the longest window

bool CpuOverLimit(const AppState* state, const IdleSample& before, const IdleSample& now)
{
    if (state->idle.cpu_percent <= 0 || !before.has_cpu || !now.has_cpu)
        return false;
    uint64_t total = now.cpu_total - before.cpu_total;
    uint64_t idle = now.cpu_idle - before.cpu_idle;
    if (total == 0 || now.cpu_total < before.cpu_total)
        return false;  // no time passed, or counters restarted: nothing to judge
    uint64_t busy = idle < total ? total - idle : 0;
    return busy * 100 >= (uint64_t)state->idle.cpu_percent * total;
}

bool NetOverLimit(const AppState* state, const IdleSample& before, const IdleSample& now,
                  uint32_t elapsed_ms)
{
    if (state->idle.net_kbps <= 0 || !before.has_net || !now.has_net)
        return false;
    uint64_t bytes = (uint32_t)(now.net_bytes - before.net_bytes);
    // bytes / elapsed s >= K * 1024 bytes / s
    return bytes * 1000 >= (uint64_t)state->idle.net_kbps * 1024 * elapsed_ms;
}

}  // namespace

const char* IdleSampleProblem(const AppState* state, const IdleSample& first, bool has_input)
{
    if (!has_input)
        return "The idle trigger needs the time of the last input, which this windows version "
               "does not give";
    if (state->idle.cpu_percent > 0 && !first.has_cpu)
        return "The processor load cannot be measured on this computer";
    if (state->idle.net_kbps > 0 && !first.has_net)
        return "The network traffic cannot be measured on this computer";
    return nullptr;
}

void StartIdleWatch(AppState* state, const IdleSample& first)
{
    state->idle.previous = first;
    state->idle.quiet_ms = 0;
}

bool IdleWatchTick(AppState* state, const IdleSample& sample)
{
    IdleSample& before = state->idle.previous;
    uint32_t elapsed = sample.now_ms - before.now_ms;
    uint32_t quiet = state->idle.quiet_ms;
    quiet = elapsed > LONGEST_QUIET_MS - quiet ? LONGEST_QUIET_MS : quiet + elapsed;
    if (sample.last_input_ms != before.last_input_ms) {
        uint32_t since_input = sample.now_ms - sample.last_input_ms;
        if (since_input < quiet)
            quiet = since_input;
    }
    if (CpuOverLimit(state, before, sample) || NetOverLimit(state, before, sample, elapsed))
        quiet = 0;
    // A reading that lacks a part leaves the next interval unjudged for it.
    before = sample;
    state->idle.quiet_ms = quiet;
    return quiet >= (uint32_t)state->idle.minutes * MS_PER_MINUTE;
}

unsigned IdleMinutesSoFar(const AppState* state)
{
    return state->idle.quiet_ms / MS_PER_MINUTE;
}
