/* The floors of start-up and memory: the smallest dialog-based Win32 program,
 * a modeless dialog run by a message loop, with no logic behind it.
 *   floor_dialog          shows the dialog and idles until it is closed
 *   floor_dialog -exit    creates the dialog hidden and ends at once
 * Built with -DOWN_MAIN_DIALOG and linked with the program's compiled
 * resources, it shows the program's own main dialog (same template, menu,
 * icons and manifest) instead of an empty one from an in-memory template;
 * the common controls are registered as the program does, since that
 * template holds a progress bar. */
#include <windows.h>
#include <string.h>
#ifdef OWN_MAIN_DIALOG
#include <commctrl.h>
#include "resource.h"
#endif

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

static HWND CreateFloorDialog(HINSTANCE instance)
{
#ifdef OWN_MAIN_DIALOG
    INITCOMMONCONTROLSEX controls = {sizeof controls,
                                     ICC_DATE_CLASSES | ICC_INTERNET_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    return CreateDialogParamA(instance, MAKEINTRESOURCE(IDD_MAIN), NULL, FloorProc, 0);
#else
    static WORD template_words[64] __attribute__((aligned(4)));
    DLGTEMPLATE* dialog = (DLGTEMPLATE*)template_words;
    dialog->style = WS_CAPTION | WS_SYSMENU | DS_SETFONT;
    dialog->cx = 200;
    dialog->cy = 100;
    WORD* tail = (WORD*)(dialog + 1);
    tail[0] = 0;  /* no menu */
    tail[1] = 0;  /* standard class */
    tail[2] = 0;  /* no title */
    tail[3] = 8;  /* font size, then an empty face name: the system font */
    tail[4] = 0;
    return CreateDialogIndirectParamA(instance, dialog, NULL, FloorProc, 0);
#endif
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show)
{
    (void)previous;
    (void)show;
    HWND window = CreateFloorDialog(instance);
    if (!window)
        return 1;
    if (strstr(command_line, "-exit"))
        PostQuitMessage(0);
    else
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
