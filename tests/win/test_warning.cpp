// The warning window from the real dialog template, driven in-process: a
// thread timer runs inside the window's modal loop, reads its controls and
// plays the user.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "actions/local_actions.h"
#include "actions/warning.h"
#include "core/app_state.h"
#include "resource.h"
#include "scratch_log.h"

namespace {

struct Observed {
    HWND dialog = nullptr;
    std::string action, text;
    std::wstring wide_text;  // the message as the window holds it
    std::vector<std::wstring> captions;  // each distinct caption, in order
    std::vector<int> bar;                // the bar's position at each of them
    std::vector<std::string> times;  // each distinct "Time left" text, in order
    bool cancel_enabled = false, ok_visible = true, postpone_visible = false;
    std::vector<std::string> delays;  // the postpone choices as listed
    std::string delay;                // the one selected at open
    DWORD selection = 1;  // of the text at open: start | end << 16
};

struct Driver {
    Observed seen;
    std::function<void(HWND)> on_open;  // the user's part, once the window is up
    bool opened = false;
};
Driver* driver;

std::string ItemText(HWND dialog, int id)
{
    char text[512] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

BOOL CALLBACK FindWarning(HWND window, LPARAM found)
{
    char class_name[16];
    GetClassNameA(window, class_name, sizeof class_name);
    if (strcmp(class_name, "#32770") == 0 && IsWindowVisible(window) &&
        GetDlgItem(window, IDC_WARN_TIME)) {
        *(HWND*)found = window;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK Watch(HWND, UINT, UINT_PTR, DWORD)
{
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindWarning, (LPARAM)&dialog);
    if (!dialog)
        return;
    Observed& seen = driver->seen;
    std::string time = ItemText(dialog, IDC_WARN_TIME);
    if (seen.times.empty() || seen.times.back() != time)
        seen.times.push_back(time);
    wchar_t caption[128] = L"";
    GetWindowTextW(dialog, caption, 128);
    if (seen.captions.empty() || seen.captions.back() != caption) {
        seen.captions.push_back(caption);
        HWND bar = GetDlgItem(dialog, IDC_WARN_PROGRESS);
        seen.bar.push_back(bar ? (int)SendMessageA(bar, PBM_GETPOS, 0, 0) : -1);
    }
    if (driver->opened)
        return;
    driver->opened = true;
    seen.dialog = dialog;
    seen.action = ItemText(dialog, IDC_WARN_ACTION);
    seen.text = ItemText(dialog, IDC_WARN_TEXT);
    wchar_t wide[512] = L"";
    GetDlgItemTextW(dialog, IDC_WARN_TEXT, wide, 512);
    seen.wide_text = wide;
    seen.cancel_enabled = IsWindowEnabled(GetDlgItem(dialog, IDC_WARN_CANCEL));
    seen.ok_visible = IsWindowVisible(GetDlgItem(dialog, IDC_WARN_OK));
    seen.postpone_visible = IsWindowVisible(GetDlgItem(dialog, IDC_WARN_POSTPONE)) &&
                            IsWindowVisible(GetDlgItem(dialog, IDC_WARN_DELAY));
    int count = (int)SendDlgItemMessageA(dialog, IDC_WARN_DELAY, CB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; i++) {
        char item[32] = "";
        SendDlgItemMessageA(dialog, IDC_WARN_DELAY, CB_GETLBTEXT, i, (LPARAM)item);
        seen.delays.push_back(item);
    }
    seen.delay = ItemText(dialog, IDC_WARN_DELAY);
    seen.selection = (DWORD)SendDlgItemMessageA(dialog, IDC_WARN_TEXT, EM_GETSEL, 0, 0);
    if (driver->on_open)
        driver->on_open(dialog);
}

class Warning : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetDefaultSettings(&state_);
        state_.os_version.dwOSVersionInfoSize = sizeof state_.os_version;
        GetVersionExA(&state_.os_version);
        state_.quiet = 1;
        state_.action = REBOOT;
        driver_ = Driver();
        driver = &driver_;
        timer_ = SetTimer(nullptr, 0, 50, Watch);
    }
    void TearDown() override
    {
        KillTimer(nullptr, timer_);
        driver = nullptr;
    }

    // Shows the warning; returns its result and the time it stayed up.
    INT_PTR Show(DWORD* elapsed_ms = nullptr)
    {
        DWORD start = GetTickCount();
        INT_PTR result = ShowWarningMessage(nullptr, &state_);
        DWORD elapsed = GetTickCount() - start;
        printf("warning window closed with %d after %lu ms\n", (int)result, (unsigned long)elapsed);
        if (elapsed_ms)
            *elapsed_ms = elapsed;
        return result;
    }

    ScratchLog log_;
    AppState state_;
    Driver driver_;
    UINT_PTR timer_;
};

std::vector<std::string> Countdown(int from)
{
    std::vector<std::string> texts;
    for (int n = from; n >= 1; n--)
        texts.push_back("Time left: " + std::to_string(n) + " seconds");
    return texts;
}

}  // namespace

TEST_F(Warning, ShowsTheActionAndTextAndCountsDownToGoAhead)
{
    state_.options.force = 1;
    state_.warning.seconds = 3;
    CopyField(state_.warning.message, "Backup runs at ten.\r\nSave your files.");
    DWORD elapsed;
    EXPECT_EQ(Show(&elapsed), 1);

    const Observed& seen = driver_.seen;
    EXPECT_EQ(seen.action, "Haltall will restart this computer when the time is up. Applications "
                           "are closed without asking to save their work.");
    // The caption counts down with the action's name; the bar shows the time left.
    EXPECT_EQ(seen.captions, (std::vector<std::wstring>{L"Haltall \u2014 restart in 3 s",
                                                        L"Haltall \u2014 restart in 2 s",
                                                        L"Haltall \u2014 restart in 1 s"}));
    EXPECT_EQ(seen.bar, (std::vector<int>{1000, 667, 333}));
    EXPECT_EQ(seen.text, "Backup runs at ten.\r\nSave your files.");
    EXPECT_EQ(seen.times, Countdown(3));
    EXPECT_TRUE(seen.cancel_enabled);
    EXPECT_FALSE(seen.ok_visible);
    EXPECT_EQ(seen.selection, 0u) << "the caret at the start, nothing selected";
    // Three ticks of a second each; a clearly shorter stay means a wrong period.
    EXPECT_GE(elapsed, 2500u);
    EXPECT_FALSE(IsWindow(seen.dialog));
}

TEST_F(Warning, AJapaneseMessageShowsAsWritten)
{
    // The program runs with UTF-8 as its code page: the record holds UTF-8
    // and the window shows the characters themselves.
    EXPECT_EQ(GetACP(), 65001u);
    state_.warning.seconds = 1;
    CopyField(state_.warning.message, u8"午後十時に再起動します。\r\n保存してください。");
    EXPECT_EQ(Show(), 1);
    EXPECT_EQ(driver_.seen.wide_text, L"午後十時に再起動します。\r\n保存してください。");
}

TEST_F(Warning, ZeroSecondsAndNoMessage)
{
    state_.action = MONITOR_OFF;
    state_.warning.seconds = 0;
    state_.warning.play_sound = 1;  // a missing sound file is not reported
    CopyField(state_.warning.sound_file, "C:\\nowhere\\missing.wav");
    EXPECT_EQ(Show(), 1);
    const Observed& seen = driver_.seen;
    EXPECT_EQ(seen.action, "Haltall will turn off the monitor of this computer when the time is up.");
    EXPECT_EQ(seen.captions, std::vector<std::wstring>{L"Haltall \u2014 monitor off in 0 s"});
    EXPECT_EQ(seen.text, "Please save all your work and close all applications");
    EXPECT_EQ(seen.times, std::vector<std::string>{"Time left: 0 seconds"});
}

TEST_F(Warning, CancelStopsTheActionBeforeItsEvent)
{
    state_.action = NO_ACTION;
    state_.options.warning = 1;
    state_.options.run_program = 1;
    CopyField(state_.program.program, "C:\\nowhere\\never-started.exe");
    state_.warning.seconds = 30;
    driver_.on_open = [](HWND dialog) {
        SendMessageA(GetDlgItem(dialog, IDC_WARN_CANCEL), BM_CLICK, 0, 0);
    };
    EXPECT_EQ(DoNoAction(nullptr, &state_), 1);
    EXPECT_TRUE(driver_.opened);
    EXPECT_EQ(driver_.seen.times, std::vector<std::string>{"Time left: 30 seconds"});
    EXPECT_TRUE(log_.Logged("ShowWarningMessage end, result=0"));
    EXPECT_FALSE(log_.Logged("RunProgram start"));
    EXPECT_EQ(log_.CountStartingWith("WriteEvent start"), 0);
}

TEST_F(Warning, NothingButTheCountdownOrAnAllowedCancelEndsIt)
{
    state_.options.allow_cancel = 0;
    state_.warning.seconds = 2;
    driver_.on_open = [](HWND dialog) {
        HWND cancel = GetDlgItem(dialog, IDC_WARN_CANCEL);
        SendMessageA(cancel, BM_CLICK, 0, 0);
        SendMessageA(dialog, WM_COMMAND, IDC_WARN_CANCEL, (LPARAM)cancel);
        SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        SendMessageA(dialog, WM_CLOSE, 0, 0);
        SendMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);  // Alt+F4
        // Escape and Return through the dialog's own message loop.
        HWND text = GetDlgItem(dialog, IDC_WARN_TEXT);
        SetFocus(text);
        PostMessageA(text, WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageA(text, WM_KEYDOWN, VK_RETURN, 0);
        PostMessageA(text, WM_CHAR, '\r', 0);
    };
    EXPECT_EQ(Show(), 1);
    EXPECT_FALSE(driver_.seen.cancel_enabled);
    EXPECT_EQ(driver_.seen.times, Countdown(2));
}

TEST_F(Warning, ASecondWarningWhileOneCountsDownIsCancelled)
{
    state_.warning.seconds = 1;
    INT_PTR nested_warning = -5;
    int nested_action = -5;
    AppState other = state_;
    other.options.warning = 1;
    driver_.on_open = [&](HWND) {
        nested_warning = ShowWarningMessage(nullptr, &other);
        nested_action = DoNoAction(nullptr, &other);
    };
    EXPECT_EQ(Show(), 1);
    EXPECT_EQ(nested_warning, 0);
    EXPECT_EQ(nested_action, 1);
    // The first window is gone, so the next warning opens again.
    driver_.opened = false;
    driver_.on_open = nullptr;
    EXPECT_EQ(Show(), 1);
    EXPECT_TRUE(driver_.opened);
}

TEST_F(Warning, PostponeIsOfferedOnlyWhereTheUserMayCancel)
{
    struct {
        Flag allow_cancel, allow_postpone;
        int32_t stored_minutes;
        bool offered;
        const char* selected;
    } cases[] = {
        {1, 1, 10, true, "10 minutes"},
        {1, 1, 30, true, "30 minutes"},
        {1, 1, 7, true, "10 minutes"},  // not a choice: the default
        {0, 1, 10, false, ""},
        {1, 0, 10, false, ""},
    };
    for (auto& c : cases) {
        state_.options.allow_cancel = c.allow_cancel;
        state_.options.allow_postpone = c.allow_postpone;
        state_.postpone.minutes = c.stored_minutes;
        state_.warning.seconds = 1;
        driver_ = Driver();
        EXPECT_EQ(Show(), 1);
        EXPECT_EQ(driver_.seen.postpone_visible, c.offered) << c.stored_minutes;
        if (c.offered) {
            EXPECT_EQ(driver_.seen.delays, (std::vector<std::string>{"1 minute", "5 minutes", "10 minutes",
                                                                    "15 minutes", "30 minutes", "60 minutes"}));
            EXPECT_EQ(driver_.seen.delay, c.selected);
        }
    }
}

TEST_F(Warning, PostponeArmsTheSameActionAndLeavesTheScheduleAlone)
{
    state_.action = NO_ACTION;
    state_.options.warning = 1;
    state_.warning.seconds = 30;
    state_.when = SCHEDULED;
    state_.schedule.schedule = AFTER_X_SECONDS;
    state_.schedule.seconds = 90;
    state_.remaining_seconds = 0;
    AppState before = state_;
    driver_.on_open = [](HWND dialog) {
        // Return does nothing here either; then the 1-minute choice and the
        // button's mnemonic.
        HWND text = GetDlgItem(dialog, IDC_WARN_TEXT);
        SetFocus(text);
        PostMessageA(text, WM_KEYDOWN, VK_RETURN, 0);
        PostMessageA(text, WM_CHAR, '\r', 0);
        SendDlgItemMessageA(dialog, IDC_WARN_DELAY, CB_SETCURSEL, 0, 0);
        PostMessageA(text, WM_SYSKEYDOWN, 'P', 1 << 29);
        PostMessageA(text, WM_SYSCHAR, 'p', 1 << 29);
    };
    EXPECT_EQ(DoNoAction(nullptr, &state_), 1);
    EXPECT_TRUE(log_.Logged("Action postponed by the user for 1 minute"));
    EXPECT_TRUE(log_.Logged("DoNoAction end, postponed"));
    EXPECT_EQ(log_.CountStartingWith("WriteEvent start"), 1) << "the postpone event, not Initiating";
    EXPECT_EQ(state_.postpone.minutes, 1);
    EXPECT_EQ(state_.postpone.seconds_left, 60u);
    EXPECT_NE(state_.active_timer, 0u);
    KillTimer(nullptr, state_.active_timer);
    EXPECT_EQ(memcmp(&before.schedule, &state_.schedule, sizeof before.schedule), 0);
    EXPECT_EQ(state_.when, SCHEDULED);
}
