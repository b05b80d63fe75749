// Walking the running processes: on Windows NT through the performance
// data (with the Tool Help functions when those data list no processes), on
// Windows 9x through the Tool Help functions.
#pragma once
#include "core/platform.h"

// Called once per process; returns 0 to stop the walk.
typedef int (*EnumProcsCallback)(DWORD process_id, WORD reserved, const char* name, void* data);

#ifdef _WIN32
// 0 when a callback stopped the walk or the walk could not be done; 1 when
// every process was visited. Process id 0 is never handed to the callback.
int EnumProcs(EnumProcsCallback callback, void* data);

// The index of the counter title equal to name (ignoring case), 0 when none.
DWORD GetTitleIdx(const char* name);
// Builds the counter-title table (see FillTitleTable): *title_buffer and
// *title_table are malloc'ed for the caller, who frees both. Returns 0 or a
// system error code (both are then null).
long GetPerfTitleSz(HKEY machine_key, HKEY perf_key, char** title_buffer, const char*** title_table,
                    DWORD* last_index);
// GetPerfData on a fresh buffer of size bytes: the malloc'ed data block with
// its length in *length, or nothing on error.
BYTE* RefreshPerfData(HKEY key, const char* value_name, DWORD size, DWORD* length);
#endif
