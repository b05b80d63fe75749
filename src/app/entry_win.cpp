// The program's entry point, in place of mingw's start-up code (the program
// links with -nostartfiles). msvcrt serves only as a library and sets itself
// up when it loads; the program reads its command line from Windows and
// keeps no thread-local variables, so what is left to do around WinMain is
// what follows. The start-up code would add about 9 KB.
#include <stdlib.h>
#include <windows.h>

extern "C" {
// libgcc's runner of the static objects' constructors (once).
void __main();
// msvcrt: 2 has its own fatal errors shown in a box, as for a window program.
void __cdecl __set_app_type(int type);

// Also left to the start-up code: libgcc's constructor runner registers the
// destructors here, and msvcrt runs them at exit().
int __cdecl atexit(void(__cdecl* function)())
{
    return _onexit((_onexit_t)function) ? 0 : -1;
}

// Windows calls the entry with a stack aligned to 4 bytes only on i686.
__attribute__((force_align_arg_pointer, noreturn)) void WinMainCRTStartup()
{
    __set_app_type(2);
#ifdef __i386__
    // The x87 computes at full precision, as mingw's start-up leaves it.
    __asm__ volatile("fninit");
#endif
    __main();

    // WinMain's arguments as the start-up code forms them: the command line
    // after the (maybe quoted) program name, and how the starter asked the
    // window to be shown.
    const unsigned char* tail = (const unsigned char*)GetCommandLineA();
    bool quoted = false;
    while (*tail > ' ' || (*tail && quoted)) {
        if (*tail == '"')
            quoted = !quoted;
        tail++;
    }
    while (*tail && *tail <= ' ')
        tail++;
    STARTUPINFOA start;
    GetStartupInfoA(&start);
    int show = start.dwFlags & STARTF_USESHOWWINDOW ? start.wShowWindow : SW_SHOWDEFAULT;
    // exit() flushes the streams and runs what atexit registered.
    exit(WinMain(GetModuleHandleA(nullptr), nullptr, (LPSTR)tail, show));
}
}
