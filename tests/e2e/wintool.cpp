// Drives the windows of another program in the same Wine desktop, for the
// end-to-end tests. A CAPTION that starts with "*" matches every caption
// holding the rest (a countdown's caption changes each second).
//   wintool find CAPTION TIMEOUT_MS          wait until a visible top-level window
//                                            with that caption exists; print its handle
//   wintool dump CAPTION TIMEOUT_MS          print "id|class|text|enabled|visible|checked" per child
//   wintool click CAPTION TIMEOUT_MS ID      click the child button ID
//   wintool msgbox CAPTION TIMEOUT_MS [ID]   print a message box's text (or its edit's), then click ID (IDOK)
//   wintool command CAPTION TIMEOUT_MS ID    send WM_COMMAND ID to the window
//   wintool message CAPTION TIMEOUT_MS MSG W L   post a message to the window, shown or hidden
//   wintool gone CAPTION TIMEOUT_MS          wait until no such visible window exists
//   wintool select CAPTION TIMEOUT_MS ID INDEX [CLICK_ID]
//                                            select item INDEX of the combo box ID,
//                                            then click the child button CLICK_ID
//   wintool rows CAPTION TIMEOUT_MS ID       print the list view ID's rows, cells joined by "|"
// Exit code 0 on success, 1 on a timeout or a missing control.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct Search {
    const char* caption;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM data)
{
    Search* search = (Search*)data;
    char text[512];
    GetWindowTextA(window, text, sizeof text);
    bool matches = search->caption[0] == '*' ? strstr(text, search->caption + 1) != nullptr
                                             : strcmp(text, search->caption) == 0;
    if (IsWindowVisible(window) && matches) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindVisible(const char* caption)
{
    Search search = {caption, nullptr};
    EnumWindows(MatchWindow, (LPARAM)&search);
    return search.found;
}

HWND WaitFor(const char* caption, DWORD timeout)
{
    DWORD start = GetTickCount();
    for (;;) {
        HWND window = FindVisible(caption);
        if (window || GetTickCount() - start > timeout)
            return window;
        Sleep(50);
    }
}

// Messages to the other program never wait long for it: a program busy
// starting up must not hold this tool (and the test) hostage.
LRESULT SendBriefly(HWND window, UINT message)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, message, 0, 0, SMTO_ABORTIFHUNG, 5000, &result);
    return (LRESULT)result;
}

BOOL CALLBACK DumpChild(HWND child, LPARAM)
{
    char class_name[64], text[1024];
    GetClassNameA(child, class_name, sizeof class_name);
    GetWindowTextA(child, text, sizeof text);
    for (char* c = text; *c; c++)
        if (*c == '\r' || *c == '\n')
            *c = c[0] == '\r' ? '\\' : 'n';
    bool checked = strcmp(class_name, "Button") == 0 &&
                   SendBriefly(child, BM_GETCHECK) == BST_CHECKED;
    printf("%d|%s|%s|%d|%d|%d\n", GetDlgCtrlID(child), class_name, text, IsWindowEnabled(child) ? 1 : 0,
           IsWindowVisible(child) ? 1 : 0, checked ? 1 : 0);
    return TRUE;
}

// The list view's rows as shown, read through memory in its own process.
bool PrintRows(HWND list)
{
    DWORD process_id = 0;
    GetWindowThreadProcessId(list, &process_id);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                                 process_id);
    if (!process)
        return false;
    const SIZE_T text_size = 1024;
    char* remote = (char*)VirtualAllocEx(process, nullptr, sizeof(LVITEMA) + text_size,
                                         MEM_COMMIT, PAGE_READWRITE);
    HWND header = (HWND)SendMessageA(list, LVM_GETHEADER, 0, 0);
    int columns = (int)SendMessageA(header, HDM_GETITEMCOUNT, 0, 0);
    int rows = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
    for (int row = 0; remote && row < rows; row++) {
        for (int column = 0; column < columns; column++) {
            LVITEMA item = {};
            item.iSubItem = column;
            item.pszText = remote + sizeof(LVITEMA);
            item.cchTextMax = (int)text_size;
            char text[text_size] = "";
            WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
            SendMessageA(list, LVM_GETITEMTEXTA, (WPARAM)row, (LPARAM)remote);
            ReadProcessMemory(process, remote + sizeof(LVITEMA), text, text_size - 1, nullptr);
            printf("%s%s", column ? "|" : "", text);
        }
        printf("\n");
    }
    if (remote)
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return remote != nullptr;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        fprintf(stderr, "usage: wintool VERB CAPTION TIMEOUT_MS [ARGS]\n");
        return 2;
    }
    const char* verb = argv[1];
    const char* caption = argv[2];
    DWORD timeout = (DWORD)atoi(argv[3]);

    if (strcmp(verb, "gone") == 0) {
        DWORD start = GetTickCount();
        while (FindVisible(caption))
            if (GetTickCount() - start > timeout)
                return 1;
            else
                Sleep(50);
        return 0;
    }

    if (strcmp(verb, "message") == 0 && argc > 6) {
        DWORD start = GetTickCount();
        HWND any;
        while (!(any = FindWindowA(nullptr, caption)) && GetTickCount() - start < timeout)
            Sleep(50);
        if (!any)
            return 1;
        PostMessageA(any, (UINT)strtoul(argv[4], nullptr, 0), (WPARAM)strtoul(argv[5], nullptr, 0),
                     (LPARAM)strtol(argv[6], nullptr, 0));
        return 0;
    }

    HWND window = WaitFor(caption, timeout);
    if (!window) {
        fprintf(stderr, "wintool: no visible window \"%s\"\n", caption);
        return 1;
    }
    if (strcmp(verb, "find") == 0) {
        printf("%p\n", (void*)window);
    } else if (strcmp(verb, "dump") == 0) {
        EnumChildWindows(window, DumpChild, 0);
    } else if (strcmp(verb, "click") == 0 || strcmp(verb, "msgbox") == 0) {
        int id = argc > 4 ? atoi(argv[4]) : IDOK;
        if (strcmp(verb, "msgbox") == 0) {
            // A message box's text, or the usage box's read-only edit control.
            char text[8192];
            HWND shown = GetDlgItem(window, 0xFFFF);
            if (!shown)
                shown = FindWindowExA(window, nullptr, "Edit", nullptr);
            text[0] = '\0';
            SendMessageA(shown, WM_GETTEXT, sizeof text, (LPARAM)text);  // of another process
            // An edit control's CR LF as a message box's line feed.
            char* kept = text;
            for (const char* at = text; *at; at++)
                if (*at != '\r')
                    *kept++ = *at;
            *kept = '\0';
            fwrite(text, 1, strlen(text), stdout);
        }
        HWND button = GetDlgItem(window, id);
        if (!button) {
            fprintf(stderr, "wintool: no control %d\n", id);
            return 1;
        }
        SendBriefly(button, BM_CLICK);
    } else if (strcmp(verb, "select") == 0 && argc > 5) {
        HWND combo = GetDlgItem(window, atoi(argv[4]));
        HWND button = argc > 6 ? GetDlgItem(window, atoi(argv[6])) : nullptr;
        if (!combo || (argc > 6 && !button)) {
            fprintf(stderr, "wintool: no such control\n");
            return 1;
        }
        DWORD_PTR result = 0;
        SendMessageTimeoutA(combo, CB_SETCURSEL, (WPARAM)atoi(argv[5]), 0, SMTO_ABORTIFHUNG, 5000,
                            &result);
        if (button)
            SendBriefly(button, BM_CLICK);
    } else if (strcmp(verb, "rows") == 0 && argc > 4) {
        HWND list = GetDlgItem(window, atoi(argv[4]));
        if (!list || !PrintRows(list)) {
            fprintf(stderr, "wintool: no list %s\n", argv[4]);
            return 1;
        }
    } else if (strcmp(verb, "command") == 0 && argc > 4) {
        PostMessageA(window, WM_COMMAND, (WPARAM)atoi(argv[4]), 0);
    } else {
        fprintf(stderr, "wintool: unknown verb %s\n", verb);
        return 2;
    }
    fflush(stdout);
    return 0;
}
