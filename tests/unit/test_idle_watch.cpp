#include <gtest/gtest.h>

#include <functional>

#include "core/app_state.h"
#include "triggers/idle_watch.h"

namespace {

// A computer seen through the idle trigger's readings, driven second by
// second: its clock, its last input, its processor times and byte counter.
struct FakeComputer {
    uint32_t now = 5000;
    uint32_t last_input = 4000;
    uint64_t idle = 0, total = 0;
    uint32_t net = 0;
    bool has_cpu = true, has_net = true;

    IdleSample Read() const
    {
        IdleSample s = {};
        s.now_ms = now;
        s.last_input_ms = last_input;
        s.has_cpu = has_cpu;
        s.cpu_idle = idle;
        s.cpu_total = total;
        s.has_net = has_net;
        s.net_bytes = net;
        return s;
    }
    // One second at this load and traffic.
    void Second(int load_percent, int kbps)
    {
        now += 1000;
        total += 10000000;
        idle += 10000000ull * (uint64_t)(100 - load_percent) / 100;
        net += (uint32_t)kbps * 1024;
    }
};

struct Second {
    int load = 0;         // processor load over this second
    int kbps = 0;         // traffic over this second
    int input_ago = -1;   // ms before the tick's reading of an input, -1 none
};

struct Case {
    const char* name;
    int cpu_limit, net_limit;
    std::function<void(FakeComputer&)> prepare;
    std::function<Second(int second)> script;
    int fires_at;  // the second at whose tick it fires first (-1: not within 200 s)
};

int RunUntilFired(const Case& c)
{
    AppState state;
    SetDefaultSettings(&state);
    state.idle.minutes = 1;
    state.idle.cpu_percent = c.cpu_limit;
    state.idle.net_kbps = c.net_limit;
    FakeComputer pc;
    if (c.prepare)
        c.prepare(pc);
    StartIdleWatch(&state, pc.Read());
    for (int second = 1; second <= 200; second++) {
        Second s = c.script(second);
        pc.Second(s.load, s.kbps);
        if (s.input_ago >= 0)
            pc.last_input = pc.now - (uint32_t)s.input_ago;
        if (IdleWatchTick(&state, pc.Read()))
            return second;
    }
    return -1;
}

Second Quiet(int) { return {}; }

}  // namespace

TEST(IdleWatch, FiresAfterAWholeQuietWindow)
{
    const Case cases[] = {
        {"nobody there: exactly one minute after arming", 0, 0, nullptr, Quiet, 60},
        {"input long before arming does not count", 0, 0,
         [](FakeComputer& pc) { pc.last_input = pc.now - 600000; }, Quiet, 60},
        {"input resets the count", 0, 0, nullptr,
         [](int t) { return t == 30 ? Second{0, 0, 0} : Second{}; }, 90},
        {"input keeps coming: never", 0, 0, nullptr,
         [](int t) { return t % 50 == 0 ? Second{0, 0, 0} : Second{}; }, -1},
        {"a load spike restarts the window", 20, 0, nullptr,
         [](int t) { return t == 20 ? Second{90, 0, -1} : Second{5, 0, -1}; }, 80},
        {"a load at the limit is not below it", 20, 0, nullptr,
         [](int t) { return t == 10 ? Second{20, 0, -1} : Second{19, 0, -1}; }, 70},
        {"load with the condition off is ignored", 0, 0, nullptr,
         [](int) { return Second{100, 0, -1}; }, 60},
        {"traffic over the limit restarts the window", 0, 50, nullptr,
         [](int t) { return t == 15 ? Second{0, 60, -1} : Second{0, 49, -1}; }, 75},
        {"steady traffic over the limit: never", 0, 50, nullptr,
         [](int) { return Second{0, 50, -1}; }, -1},
        {"the tick count wraps in the window", 10, 10,
         [](FakeComputer& pc) { pc.now = 0xFFFFFFFFu - 20500; pc.last_input = pc.now - 100; },
         [](int t) { return t == 40 ? Second{0, 0, 0} : Second{}; }, 100},
        {"the byte counter wraps with little traffic", 0, 10,
         [](FakeComputer& pc) { pc.net = 0xFFFFFFFFu - 3000; },
         [](int) { return Second{0, 5, -1}; }, 60},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RunUntilFired(c), c.fires_at) << c.name;
}

TEST(IdleWatch, ProgressAndUnreadableParts)
{
    AppState state;
    SetDefaultSettings(&state);
    state.idle.minutes = 30;
    state.idle.cpu_percent = 10;
    FakeComputer pc;
    StartIdleWatch(&state, pc.Read());
    for (int i = 0; i < 12 * 60; i++) {
        pc.Second(1, 0);
        IdleWatchTick(&state, pc.Read());
    }
    EXPECT_EQ(IdleMinutesSoFar(&state), 12u);
    // A failed processor reading judges neither the interval before nor
    // the one after it; the busy second in between is not seen.
    pc.has_cpu = false;
    pc.Second(100, 0);
    EXPECT_FALSE(IdleWatchTick(&state, pc.Read()));
    pc.has_cpu = true;
    pc.Second(100, 0);
    EXPECT_FALSE(IdleWatchTick(&state, pc.Read()));
    EXPECT_EQ(IdleMinutesSoFar(&state), 12u);
    pc.Second(100, 0);
    IdleWatchTick(&state, pc.Read());
    EXPECT_EQ(IdleMinutesSoFar(&state), 0u);
}

TEST(IdleWatch, ArmingRefusesWhatCannotBeMeasured)
{
    AppState state;
    SetDefaultSettings(&state);
    IdleSample none = {};
    EXPECT_NE(IdleSampleProblem(&state, none, false), nullptr);
    EXPECT_EQ(IdleSampleProblem(&state, none, true), nullptr);
    state.idle.cpu_percent = 50;
    EXPECT_STREQ(IdleSampleProblem(&state, none, true),
                 "The processor load cannot be measured on this computer");
    state.idle.cpu_percent = 0;
    state.idle.net_kbps = 100;
    EXPECT_STREQ(IdleSampleProblem(&state, none, true),
                 "The network traffic cannot be measured on this computer");
    none.has_net = true;
    EXPECT_EQ(IdleSampleProblem(&state, none, true), nullptr);
}
