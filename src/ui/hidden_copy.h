// One copy of the program per user session keeps its window hidden (in the
// tray, or armed with no icon): a second start without an action brings
// that copy's window up instead of opening another one. A named object of
// the session holds the hidden window; a service never registers, and a
// start with an action word runs as it always has.
#pragma once
#ifdef _WIN32
#include "core/platform.h"

// The window hides: it becomes the session's hidden copy unless another
// copy is that already. os names the system, whose sessions it follows.
void RegisterHiddenCopy(HWND window, const OSVERSIONINFOA& os);
// The window is shown again, or the program ends: no longer the hidden copy.
void UnregisterHiddenCopy();
// For a second start: asks the session's hidden copy, if there is one, to
// show its window, and brings it to the front. True when it did.
bool BringUpHiddenCopy(const OSVERSIONINFOA& os);
#endif
