/* The floor of start-up: the smallest dialog-based Win32 program, a modeless
 * dialog from an in-memory template run by a message loop.
 *   floor_dialog          shows the dialog and idles until it is closed
 *   floor_dialog -exit    creates the dialog hidden and ends at once */
#include <windows.h>
#include <string.h>

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
    (void)show;
    static WORD template_words[64] __attribute__((aligned(4)));
    DLGTEMPLATE* dialog = (DLGTEMPLATE*)template_words;
    dialog->style = WS_CAPTION | WS_SYSMENU | DS_SETFONT;
    dialog->cx = 200;
    dialog->cy = 100;
    WORD* tail = (WORD*)(dialog + 1);
    *tail++ = 0;  /* no menu */
    *tail++ = 0;  /* standard class */
    *tail++ = 0;  /* no title */
    *tail++ = 8;  /* font size, then an empty face name: the system font */
    *tail++ = 0;

    HWND window = CreateDialogIndirectParamA(instance, dialog, NULL, FloorProc, 0);
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
