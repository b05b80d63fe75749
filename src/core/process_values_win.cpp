// Process-wide values outside the record, set at start-up and by the main
// window's creation.
#include "core/messages.h"
#include "core/start_up.h"

HINSTANCE g_instance;
HWND g_main_window;
AppState* g_main_state;
