/* The floor of a maintenance command: a Win32 program that stores one
 * registry value and ends, with a message box should that fail. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show)
{
    (void)instance;
    (void)previous;
    (void)command_line;
    (void)show;
    HKEY key;
    LONG result = RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\HaltallBenchFloor", 0, NULL, 0,
                                  KEY_SET_VALUE, NULL, &key, NULL);
    if (result == ERROR_SUCCESS) {
        DWORD value = 1;
        result = RegSetValueExA(key, "value", 0, REG_DWORD, (const BYTE*)&value, sizeof value);
        RegCloseKey(key);
    }
    if (result != ERROR_SUCCESS)
        MessageBoxA(NULL, "The value could not be stored.", "floor_save", MB_OK);
    return result != ERROR_SUCCESS;
}
