// Walking the running processes.
#pragma once
#include "core/platform.h"

// Called once per process; returns 0 to stop the walk.
typedef int (*EnumProcsCallback)(DWORD process_id, WORD reserved, const char* name, void* data);

#ifdef _WIN32
// 0 when a callback stopped the walk or the walk could not be done; 1 when
// every process was visited.
int EnumProcs(EnumProcsCallback callback, void* data);
#endif
