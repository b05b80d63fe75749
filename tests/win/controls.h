// Reading and clicking the controls of a dialog of this process.
#pragma once
#include <windows.h>

#include <string>

inline void Click(HWND dialog, int id)
{
    SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}
inline bool Checked(HWND dialog, int id)
{
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}
inline bool Enabled(HWND dialog, int id)
{
    return IsWindowEnabled(GetDlgItem(dialog, id)) != 0;
}
inline std::string Text(HWND dialog, int id)
{
    char text[1024];
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

// A key press on the focused control, delivered as a dialog's message loop
// (the program's, or a modal dialog's) does.
inline void PressKey(HWND dialog, UINT key)
{
    HWND focus = GetFocus();
    PostMessageA(focus, WM_KEYDOWN, key, 0);
    PostMessageA(focus, WM_KEYUP, key, 0xC0000000);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (!IsDialogMessageA(dialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}
