#include "core/app_state.h"
#include "core/report.h"
#include "core/system_library.h"

namespace {

// GetFirmwareType came with Windows 8; before, the type stays unknown.
int32_t FirmwareType()
{
    typedef BOOL(WINAPI * GetFirmwareTypeFunction)(int32_t * type);
    auto get = (GetFirmwareTypeFunction)(void*)SystemFunction("kernel32.dll", "GetFirmwareType");
    int32_t type = 0;
    return get && get(&type) ? type : 0;
}

}  // namespace

void InitSettings(AppState* state)
{
    SetDefaultSettings(state);
    state->os_version.dwOSVersionInfoSize = sizeof state->os_version;
    if (!GetVersionExA(&state->os_version))
        DisplayLastError(state, nullptr);
    state->firmware_type = FirmwareType();
}
