#include "core/app_state.h"
#include "core/report.h"

void InitSettings(AppState* state)
{
    SetDefaultSettings(state);
    state->os_version.dwOSVersionInfoSize = sizeof state->os_version;
    if (!GetVersionExA(&state->os_version))
        DisplayLastError(state, nullptr);
}
