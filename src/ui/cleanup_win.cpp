// What start-up acquired and the end of a run releases. Kept apart from
// WinMain so that the service's stop request can call it too.
#include "core/log.h"
#include "remote/sockets.h"
#include "ui/main_window.h"
#include "ui/tray.h"

void Cleanup(AppState* state)
{
    WriteLog("Cleanup");
    if (g_tray_menu) {
        DestroyMenu(g_tray_menu);
        g_tray_menu = nullptr;
    }
    DestroySockets(nullptr, state);
}
