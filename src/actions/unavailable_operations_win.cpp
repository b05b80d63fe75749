#include "actions/unavailable_operations.h"

#include "actions/dispatch.h"
#include "core/app_state.h"
#include "core/report.h"

namespace {

int Refuse(HWND window, AppState* state, const char* operation, const char* text)
{
    WriteLog("%s refused: not available in this version", operation);
    Error(state, window, text);
    return -1;
}

}  // namespace

DWORD WINAPI HaltallGroup(LPVOID state)
{
    Refuse(nullptr, (AppState*)state, "HaltallGroup",
           "Actions on a group of computers are not available in this version");
    return 0;
}
