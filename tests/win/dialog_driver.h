// Drives the modal dialogs that this thread opens: each queued step waits
// for a visible dialog with its caption and then runs on it, inside the
// dialog's own message loop. A step may open a further dialog; the steps
// queued for that one run inside its loop in turn.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <deque>
#include <functional>
#include <string>
#include <utility>

#include "core/app_state.h"
#include "core/start_up.h"
#include "controls.h"

class DialogDriver {
public:
    DialogDriver()
    {
        steps_.clear();
        idle_ticks_ = 0;
        timer_ = SetTimer(nullptr, 0, 10, Tick);
    }
    ~DialogDriver()
    {
        KillTimer(nullptr, timer_);
        EXPECT_TRUE(steps_.empty()) << steps_.size() << " step(s) never ran, the first for \""
                                    << steps_.front().first << "\"";
    }

    // Runs step on the next dialog captioned caption.
    void On(const char* caption, std::function<void(HWND)> step)
    {
        steps_.emplace_back(caption, std::move(step));
    }

    // The visible dialog of this thread with that caption, or null.
    static HWND Find(const char* caption)
    {
        std::pair<const char*, HWND> search(caption, nullptr);
        EnumThreadWindows(GetCurrentThreadId(), Match, (LPARAM)&search);
        return search.second;
    }

    // Handles this thread's messages for a while (a step that waits for a timer).
    static void Pump(DWORD milliseconds)
    {
        DWORD start = GetTickCount();
        while (GetTickCount() - start < milliseconds) {
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
            Sleep(10);
        }
    }

private:
    static BOOL CALLBACK Match(HWND window, LPARAM data)
    {
        auto* search = (std::pair<const char*, HWND>*)data;
        char class_name[16], caption[256];
        GetClassNameA(window, class_name, sizeof class_name);
        GetWindowTextA(window, caption, sizeof caption);
        if (strcmp(class_name, "#32770") == 0 && IsWindowVisible(window) &&
            strcmp(caption, search->first) == 0) {
            search->second = window;
            return FALSE;
        }
        return TRUE;
    }

    static BOOL CALLBACK CloseDialog(HWND window, LPARAM)
    {
        char class_name[16];
        GetClassNameA(window, class_name, sizeof class_name);
        if (strcmp(class_name, "#32770") == 0 && IsWindowVisible(window))
            PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
        return TRUE;
    }

    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        if (steps_.empty())
            return;
        HWND dialog = Find(steps_.front().first.c_str());
        if (!dialog) {
            // Give up after some seconds rather than leave a test hanging.
            if (++idle_ticks_ > 1000) {
                ADD_FAILURE() << "no dialog \"" << steps_.front().first << "\" appeared";
                steps_.clear();
                EnumThreadWindows(GetCurrentThreadId(), CloseDialog, 0);
            }
            return;
        }
        idle_ticks_ = 0;
        std::function<void(HWND)> step = std::move(steps_.front().second);
        steps_.pop_front();
        step(dialog);
    }

    static inline std::deque<std::pair<std::string, std::function<void(HWND)>>> steps_;
    static inline int idle_ticks_;
    UINT_PTR timer_;
};

// A record with its defaults for a dialog to work on, and a copy to tell
// whether the dialog changed it.
class DialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_instance = GetModuleHandleA(nullptr);
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_DATE_CLASSES};
        InitCommonControlsEx(&controls);
        InitSettings(&state);
    }
    void Keep() { memcpy(&before, &state, sizeof state); }
    bool Unchanged() const { return memcmp(&before, &state, sizeof state) == 0; }

    AppState state, before;
};
