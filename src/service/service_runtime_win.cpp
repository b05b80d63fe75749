#include "service/service_runtime.h"

#include "core/app_state.h"
#include "core/messages.h"
#include "core/report.h"
#include "core/system_library.h"

namespace {

SERVICE_STATUS service_status;
SERVICE_STATUS_HANDLE service_status_handle;
volatile LONG stop_requested;

const char SERVICE_NAME[] = "Haltall";

void ReportStatus(DWORD state)
{
    service_status.dwServiceType = SERVICE_WIN32_OWN_PROCESS | SERVICE_INTERACTIVE_PROCESS;
    service_status.dwCurrentState = state;
    service_status.dwControlsAccepted = SERVICE_ACCEPT_STOP;
    service_status.dwWin32ExitCode = 0;
    service_status.dwServiceSpecificExitCode = 0;
    service_status.dwWaitHint = 1000;
    SetServiceStatus(service_status_handle, &service_status);
}

void WINAPI ServiceHandlerProcedure(DWORD control)
{
    WriteLog("ServiceHandlerProcedure start, fdwControl=%d", (int)control);
    switch (control) {
    case SERVICE_CONTROL_STOP:
        service_status.dwCheckPoint++;
        ReportStatus(SERVICE_STOPPED);
        // A stop that arrives before the main window exists is kept for it.
        InterlockedExchange(&stop_requested, 1);
        if (g_main_window)
            PostMessage(g_main_window, WM_SERVICE_STOP, 0, 0);
        break;
    case SERVICE_CONTROL_INTERROGATE:
        service_status.dwCheckPoint++;
        ReportStatus(SERVICE_RUNNING);
        break;
    case SERVICE_CONTROL_SHUTDOWN:
        service_status.dwCheckPoint++;
        ReportStatus(SERVICE_STOPPED);
        if (g_main_window)
            SendMessage(g_main_window, WM_QUIT, 0, 0);
        break;
    default:
        break;
    }
    WriteLog("ServiceHandlerProcedure end");
}

void WINAPI ServiceProcedure(DWORD, LPSTR*)
{
    WriteLog("ServiceProcedure start");
    service_status_handle = RegisterServiceCtrlHandlerA(SERVICE_NAME, ServiceHandlerProcedure);
    if (!service_status_handle)
        return;
    service_status.dwCheckPoint = 0;
    ReportStatus(SERVICE_START_PENDING);
    ReportStatus(SERVICE_RUNNING);
    WriteLog("Waiting for service to start");
    while (service_status.dwCurrentState == SERVICE_RUNNING)
        Sleep(500);
    WriteLog("ServiceProcedure end");
}

}  // namespace

bool ServiceStopRequested()
{
    return InterlockedCompareExchange(&stop_requested, 0, 0) != 0;
}

int CheckService(AppState* state)
{
    WriteLog("CheckService start");
    if (!state->run_as_service) {
        WriteLog("CheckService end");
        return 0;
    }
    if (state->os_version.dwPlatformId != VER_PLATFORM_WIN32_WINDOWS) {
        WriteLog("Starting as NT service");
        SERVICE_TABLE_ENTRYA table[] = {{(LPSTR)SERVICE_NAME, ServiceProcedure}, {nullptr, nullptr}};
        // Fails at once when not started by the service manager; the run
        // then goes on in service mode without a service status.
        StartServiceCtrlDispatcherA(table);
    } else {
        WriteLog("Starting as WIN98 service");
        typedef DWORD(WINAPI * RegisterServiceProcessFn)(DWORD, DWORD);
        RegisterServiceProcessFn register_process =
            (RegisterServiceProcessFn)(void*)SystemFunction("kernel32", "RegisterServiceProcess");
        if (!register_process) {
            DisplayLastError(state, nullptr);
            return 0;
        }
        register_process(0, 1);
    }
    WriteLog("CheckService end");
    return 0;
}
