// The triggers against the real system: the process walk sees real
// processes come and go, the process watch and the schedule fire the real
// action path (NO_ACTION, simulated), and the main window hands them its
// timer ticks only while a trigger is armed.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "actions/action_calls.h"
#include "actions/dispatch.h"
#include "core/app_state.h"
#include "core/start_up.h"
#include "core/text_compare.h"
#include "resource.h"
#include "scratch_log.h"
#include "triggers/process_list.h"
#include "triggers/process_watch.h"
#include "triggers/schedule.h"
#include "triggers/tool_help.h"
#include "ui/main_window.h"
#include "ui/tray.h"

namespace {

struct Walk {
    std::vector<std::pair<DWORD, std::string>> visits;
    DWORD stop_at = 0;
};

int RecordProcess(DWORD process_id, WORD reserved, const char* name, void* data)
{
    Walk* walk = (Walk*)data;
    EXPECT_EQ(reserved, 0);
    walk->visits.push_back({process_id, name});
    return process_id == walk->stop_at ? 0 : 1;
}

std::string OwnFileName()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    const char* slash = strrchr(path, '\\');
    return slash ? slash + 1 : path;
}

// A copy of this test program under another name, started suspended: a
// real process that does nothing until it is ended.
class WatchedProgram {
public:
    explicit WatchedProgram(const std::string& path) : path_(path) {}
    ~WatchedProgram()
    {
        for (PROCESS_INFORMATION& process : running_)
            End(process);
    }
    void Start()
    {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process;
        ASSERT_TRUE(CreateProcessA(path_.c_str(), nullptr, nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                                   nullptr, nullptr, &startup, &process))
            << GetLastError();
        running_.push_back(process);
    }
    void StopOldest()
    {
        ASSERT_FALSE(running_.empty());
        End(running_.front());
        running_.erase(running_.begin());
    }

private:
    static void End(PROCESS_INFORMATION& process)
    {
        TerminateProcess(process.hProcess, 0);
        WaitForSingleObject(process.hProcess, 10000);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    std::string path_;
    std::vector<PROCESS_INFORMATION> running_;
};

class Triggers : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitSettings(&state_);
        state_.action = NO_ACTION;
        state_.simulate = 1;
        state_.quiet = 1;
    }
    int Actions() const { return log_.CountStartingWith("HaltAll start"); }
    // One tick of each trigger timer, as the main window handles it.
    void ProcessTick()
    {
        if (CheckProcessTimer(nullptr, &state_))
            HaltAll(SystemActionCalls(), nullptr, &state_);
    }
    void ScheduleTick()
    {
        if (CheckScheduleTimer(nullptr, &state_))
            HaltAll(SystemActionCalls(), nullptr, &state_);
    }

    ScratchLog log_;
    AppState state_;
};

}  // namespace

TEST(EnumProcs, ListsThisProcessByItsFileName)
{
    Walk all;
    EXPECT_EQ(EnumProcs(RecordProcess, &all), 1);
    bool found_self = false;
    for (auto& visit : all.visits) {
        EXPECT_NE(visit.first, 0u) << visit.second;
        EXPECT_FALSE(visit.second.empty());
        if (visit.first == GetCurrentProcessId()) {
            found_self = true;
            EXPECT_TRUE(EqualIgnoringCase(visit.second.c_str(), OwnFileName().c_str())) << visit.second;
        }
    }
    EXPECT_TRUE(found_self);

    // A callback's 0 stops the walk at once.
    Walk stopped;
    stopped.stop_at = GetCurrentProcessId();
    EXPECT_EQ(EnumProcs(RecordProcess, &stopped), 0);
    ASSERT_FALSE(stopped.visits.empty());
    EXPECT_EQ(stopped.visits.back().first, GetCurrentProcessId());
}

TEST(ToolHelp, ModulesByIdAndTheWalkByMainModule)
{
    MODULEENTRY32 module;
    memset(&module, 0, sizeof module);
    EXPECT_EQ(GetProcessModule(GetCurrentProcessId(), 1, &module, sizeof module), 1);
    EXPECT_TRUE(EqualIgnoringCase(module.szModule, OwnFileName().c_str())) << module.szModule;
    EXPECT_EQ(GetProcessModule(GetCurrentProcessId(), 12345, &module, sizeof module), 0);

    // Process records here carry module id 0, which no module has (as on
    // Windows NT): the walk by main module passes over every process and
    // still ends as a complete walk.
    Walk walk;
    EXPECT_EQ(EnumToolHelpProcesses(MAIN_MODULE_NAMES, RecordProcess, &walk), 1);
    EXPECT_TRUE(walk.visits.empty());
}

TEST_F(Triggers, ProcessWatchFiresWhenTheLastCopyStopsAndAgainAfterARestart)
{
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    char name[64];
    snprintf(name, sizeof name, "Watched-%lu.exe", (unsigned long)GetCurrentProcessId());
    std::string path = log_.Path(name);
    ASSERT_TRUE(CopyFileA(self, path.c_str(), FALSE));
    // The walk names processes in its own case; the watch ignores case.
    snprintf(state_.process.process, sizeof state_.process.process, "watched-%lu.EXE",
             (unsigned long)GetCurrentProcessId());
    state_.when = PROCESS;

    {
        WatchedProgram program(path);
        // Not yet running: nothing happens however long it is watched.
        for (int tick = 0; tick < 3; tick++)
            ProcessTick();
        EXPECT_EQ(state_.process.seen_running, 0u);

        program.Start();
        program.Start();
        ProcessTick();
        EXPECT_EQ(state_.process.seen_running, 1u);

        // One of two copies left: still running.
        program.StopOldest();
        ProcessTick();
        EXPECT_EQ(Actions(), 0);

        program.StopOldest();
        ProcessTick();
        EXPECT_EQ(Actions(), 1);
        EXPECT_EQ(state_.process.seen_running, 0u);
        ProcessTick();
        EXPECT_EQ(Actions(), 1);

        // The watch stays armed: a restart and stop fires again.
        program.Start();
        ProcessTick();
        program.StopOldest();
        ProcessTick();
        EXPECT_EQ(Actions(), 2);
    }
    EXPECT_EQ(log_.CountStartingWith("DoNoAction start"), 2);
    DeleteFileA(path.c_str());
}

TEST_F(Triggers, AfterSecondsFiresThroughTheActionAndItsWaitHoldsTheNextTicks)
{
    state_.when = SCHEDULED;
    state_.schedule.schedule = AFTER_X_SECONDS;
    state_.schedule.seconds = 2;
    state_.schedule.wait = 1;
    ArmSchedule(&state_);

    for (int tick = 1; tick <= 2; tick++)
        ScheduleTick();
    EXPECT_EQ(Actions(), 0);
    ScheduleTick();
    EXPECT_EQ(Actions(), 1);
    EXPECT_EQ(state_.wait_left, 60u);  // set by the action
    EXPECT_EQ(state_.schedule.wait, 1);  // the configured wait stays

    for (int tick = 0; tick < 100; tick++)
        ScheduleTick();
    EXPECT_EQ(Actions(), 1);
    EXPECT_EQ(state_.wait_left, 0u);
    EXPECT_TRUE(log_.Logged("CheckScheduleTimer start, wait=1"));
    EXPECT_TRUE(log_.Logged("AFTER_X_SECONDS: remaining=2"));
}

TEST_F(Triggers, AfterSecondsCountsFromArmingWhateverAnEarlierRunLeft)
{
    // A run that warned and acted holds a schedule for 60 ticks; an "after
    // 10 seconds" armed next still fires at its tenth tick, not its 70th.
    state_.options.warning = 1;
    state_.warning.seconds = 1;
    HaltAll(SystemActionCalls(), nullptr, &state_);
    ASSERT_EQ(Actions(), 1);
    ASSERT_TRUE(log_.Logged("ShowWarningMessage end, result=1"));

    state_.options.warning = 0;
    state_.when = SCHEDULED;
    state_.schedule.schedule = AFTER_X_SECONDS;
    state_.schedule.seconds = 10;
    ASSERT_EQ(DoIt(SystemActionCalls(), nullptr, &state_), DOIT_ARMED);
    int fired_at = 0;
    for (int tick = 1; tick <= 80 && !fired_at; tick++) {
        ScheduleTick();
        if (Actions() == 2)
            fired_at = tick;
    }
    KillTimer(nullptr, state_.active_timer);
    EXPECT_EQ(fired_at, 10);
    EXPECT_EQ(state_.schedule.wait, 0);  // never shown as a wait the user chose
}

TEST_F(Triggers, MainWindowPassesTriggerTicksOnlyWhileArmed)
{
    g_instance = GetModuleHandleA(nullptr);
    if (!g_tray_menu)
        g_tray_menu = LoadMenuA(g_instance, MAKEINTRESOURCEA(IDM_TRAY));
    state_.start_minimized = 1;
    state_.options.in_tray = 0;
    ASSERT_EQ(InitDialog(nullptr, g_instance, &state_), 1);
    HWND window = g_main_window;
    state_.process.seen_running = 0;
    strcpy(state_.process.process, "no-such-process.exe");

    for (uint32_t armed : {0u, 1u}) {
        state_.active_timer = armed;
        SendMessageA(window, WM_TIMER, TIMER_SCHEDULE, 0);
        SendMessageA(window, WM_TIMER, TIMER_PROCESS, 0);
        int expected = armed ? 1 : 0;
        EXPECT_EQ(log_.CountStartingWith("CheckScheduleTimer start"), expected) << armed;
        EXPECT_EQ(log_.CountStartingWith("CheckProcessTimer start"), expected) << armed;
    }
    state_.active_timer = 0;
    DestroyWindow(window);
    g_main_window = nullptr;
    MSG message;
    PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}
