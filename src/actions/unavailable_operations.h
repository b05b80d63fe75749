// Operations of features that this version does not have yet: the group
// action. Each refuses its action with a message and a log line, and never
// reports it as done. A stub goes away when the real operation arrives (the
// linker then names the stub to delete).
#pragma once
#include "core/platform.h"

struct AppState;

#ifdef _WIN32
// Thread procedure of the group action; shows the refusal.
DWORD WINAPI HaltallGroup(LPVOID state);
#endif
