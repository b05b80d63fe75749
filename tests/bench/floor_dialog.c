/* The floor of start-up and memory: the smallest dialog-based Win32 program,
 * a modeless dialog from an in-memory template run by a message loop.
 *   floor_dialog          shows the dialog and idles until it is closed
 *   floor_dialog -exit    creates the dialog hidden and ends at once
 *   floor_dialog -button  the same with one push button: built with a
 *                         common-controls manifest, the smallest themed dialog */
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
    if (strstr(command_line, "-button")) {
        dialog->cdit = 1;
        if ((tail - template_words) % 2)
            tail++;  /* items start on a DWORD */
        DLGITEMTEMPLATE* item = (DLGITEMTEMPLATE*)tail;
        item->style = WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON;
        item->x = 10;
        item->y = 10;
        item->cx = 50;
        item->cy = 14;
        item->id = IDOK;
        tail = (WORD*)(item + 1);
        *tail++ = 0xFFFF;  /* predefined class: button */
        *tail++ = 0x0080;
        *tail++ = 'O';
        *tail++ = 'K';
        *tail++ = 0;
        *tail++ = 0;  /* no creation data */
    }

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
