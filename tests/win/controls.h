// Reading and clicking the controls of a dialog of this process.
#pragma once
#include <windows.h>
#include <commctrl.h>

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
// The cells of a row of the list view id, joined by "|", of its first
// columns columns.
inline std::string ListRow(HWND dialog, int id, int row, int columns)
{
    std::string joined;
    for (int column = 0; column < columns; column++) {
        char text[300] = "";
        LVITEMA item = {};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendDlgItemMessageA(dialog, id, LVM_GETITEMTEXTA, (WPARAM)row, (LPARAM)&item);
        joined += (column ? "|" : "") + std::string(text);
    }
    return joined;
}

// A port on 127.0.0.1 that was free a moment ago.
inline int FreeLoopbackPort()
{
    SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = inet_addr("127.0.0.1");
    bind(probe, (sockaddr*)&address, sizeof address);
    int length = sizeof address;
    getsockname(probe, (sockaddr*)&address, &length);
    closesocket(probe);
    return ntohs(address.sin_port);
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
