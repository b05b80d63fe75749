// Where a command-line run writes what it has to tell: the console window
// it was started from, or its redirected output. Started from Explorer or a
// shortcut the program has neither, and shows its boxes as before.
#pragma once

// Finds the console or the redirected output, once, at start-up; true when
// there is one. Until SetConsoleReporting(false), problems go there.
bool AttachConsoleOutput();
// Whether Error and DisplayLastError write to the console instead of
// showing a box: from start-up until the run turns out to be a window session.
void SetConsoleReporting(bool on);
bool ConsoleReporting();
// Writes the text and a line break to standard output or standard error
// (line feeds as CR LF); nothing when the process has neither.
void WriteConsoleText(bool error_stream, const char* text);
// False where no one can see or close a box: a service's or a non-interactive
// window station (session 0, a SYSTEM deployment).
bool HasDesktop();
