// Answers every message box that this thread opens, and remembers each
// one's caption, text and owner. The answer PRESS_RETURN presses the
// Return key in the box, which answers with its default button.
#pragma once
#include <windows.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

class BoxWatcher {
public:
    explicit BoxWatcher(int answer = IDOK)
    {
        boxes.clear();
        owners.clear();
        seen_.clear();
        answer_ = answer;
        hook_ = SetWindowsHookExA(WH_CBT, Watch, nullptr, GetCurrentThreadId());
    }
    ~BoxWatcher() { UnhookWindowsHookEx(hook_); }

    // Changes the answer given to the boxes still to come.
    static void Answer(int answer) { answer_ = answer; }

    static inline std::vector<std::pair<std::string, std::string>> boxes;  // caption, text
    static inline std::vector<HWND> owners;
    static const int PRESS_RETURN = -1;

private:
    static LRESULT CALLBACK Watch(int code, WPARAM wParam, LPARAM lParam)
    {
        HWND box = (HWND)wParam;
        char class_name[16];
        if (code == HCBT_ACTIVATE && GetClassNameA(box, class_name, sizeof class_name) &&
            strcmp(class_name, "#32770") == 0 && GetDlgItem(box, 0xFFFF) && !Seen(box)) {
            char caption[64], text[512];
            GetWindowTextA(box, caption, sizeof caption);
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            boxes.emplace_back(caption, text);
            owners.push_back(GetWindow(box, GW_OWNER));
            if (answer_ == PRESS_RETURN)
                SetTimer(nullptr, 0, 50, PressReturn);  // once the box has its focus
            else
                PostMessageA(box, WM_COMMAND, (WPARAM)answer_, 0);
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static void CALLBACK PressReturn(HWND, UINT, UINT_PTR timer, DWORD)
    {
        KillTimer(nullptr, timer);
        HWND focus = GetFocus();
        PostMessageA(focus, WM_KEYDOWN, VK_RETURN, 0);
        PostMessageA(focus, WM_KEYUP, VK_RETURN, 0xC0000000);
    }

    // A box may be activated more than once.
    static bool Seen(HWND box)
    {
        for (HWND known : seen_)
            if (known == box)
                return true;
        seen_.push_back(box);
        return false;
    }

    static inline std::vector<HWND> seen_;
    static inline int answer_;
    HHOOK hook_;
};
