// The window that shows an interactive group run: every computer with what
// is happening to it, "Cancel" while the run goes on, and at its end the
// results (failures first, sortable by a column's header), "Save report..."
// and "Retry failed".
#pragma once
#include "core/platform.h"

struct AppState;
struct GroupRunView;

#ifdef _WIN32
#include <commdlg.h>

// Where "Save report..." asks for the file's name (GetSaveFileNameA).
typedef BOOL(WINAPI* ChooseSaveFile)(OPENFILENAMEA* request);

// A run shown in a window has begun: opens the window over main, or shows
// the new run in the one already open.
void OpenGroupRunWindow(HWND main, AppState* state, ChooseSaveFile choose);
// A computer of the run shown has begun or ended.
void ShowGroupRunEntry(int index);
// The run has ended (FinishGroupAction's show): the window shows its
// results; when it cannot, a box lists the failures.
void ShowGroupRunResults(HWND main, AppState* state, const GroupRunView& view);
// The window, or null when none is open.
HWND GroupRunWindow();
#endif
