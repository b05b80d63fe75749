/* The fair floor of idle memory: the program's own main dialog template,
 * linked from its compiled resources (same menu, icons and manifest), shown
 * by a modeless dialog and a message loop, with no logic behind it. The
 * common controls are registered as the program does, since the template
 * holds a progress bar. */
#include <windows.h>
#include <commctrl.h>
#include "resource.h"

static INT_PTR CALLBACK FloorProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    (void)wparam;
    (void)lparam;
    if (message == WM_CLOSE) {
        DestroyWindow(window);
        PostQuitMessage(0);
        return TRUE;
    }
    return message == WM_INITDIALOG;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show)
{
    (void)previous;
    (void)command_line;
    (void)show;
    INITCOMMONCONTROLSEX controls = {sizeof controls,
                                     ICC_DATE_CLASSES | ICC_INTERNET_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    HWND window = CreateDialogParamA(instance, MAKEINTRESOURCE(IDD_MAIN), NULL, FloorProc, 0);
    if (!window)
        return 1;
    ShowWindow(window, SW_SHOW);
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) == 1) {
        if (!IsDialogMessageA(window, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return 0;
}
