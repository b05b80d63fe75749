#include "service/service_control.h"

#include <cstdlib>
#include <cstring>

#include "core/app_state.h"
#include "core/owned.h"
#include "core/report.h"
#include "core/settings_store.h"
#include "service/event_source.h"
#include "service/service_path.h"

namespace {

const char HALTALL_SERVICE[] = "Haltall";  // service name and display name
const char RUN_SERVICES_KEY[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunServices";
const char NOT_FOUND_TEXT[] = "Can't find haltall.exe!";

bool IsWindows9x(const AppState* state)
{
    return state->os_version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

bool FileExists(void*, const char* path)
{
    OwnedHandle file(CreateFileA(path, 0, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    return (bool)file;
}

// The first SEARCH_PATH_SIZE characters of PATH, terminated: FindProgramFile
// searches no further, and sees from the last one whether PATH went on.
void ReadSearchPath(char (&path)[SEARCH_PATH_SIZE + 1])
{
    DWORD needed = GetEnvironmentVariableA("PATH", path, sizeof path);
    if (needed > 0 && needed < sizeof path)
        return;
    path[0] = '\0';
    if (needed == 0)
        return;
    char* whole = (char*)malloc(needed);
    if (whole && GetEnvironmentVariableA("PATH", whole, needed) < needed) {
        memcpy(path, whole, SEARCH_PATH_SIZE);
        path[SEARCH_PATH_SIZE] = '\0';
    }
    free(whole);
}

bool ReadFileIdentity(const char* path, BY_HANDLE_FILE_INFORMATION* info)
{
    OwnedHandle file(CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, 0, nullptr));
    return file && GetFileInformationByHandle(file.get(), info) != 0;
}

// Whether two names reach the same file. On NT the file system says so: that
// also sees through the name under which a 32-bit program on 64-bit Windows
// reaches the 32-bit system folder. Otherwise (Windows 9x, whose file indexes
// are not reliable, or a file missing) as full paths without regard to letter
// case: "haltall.exe" started in the system directory, or found there through
// a PATH entry ending in a backslash, is the system copy.
bool IsSameFile(const char* one, const char* other, bool by_identity)
{
    BY_HANDLE_FILE_INFORMATION one_info;
    BY_HANDLE_FILE_INFORMATION other_info;
    if (by_identity && ReadFileIdentity(one, &one_info) && ReadFileIdentity(other, &other_info))
        return one_info.dwVolumeSerialNumber == other_info.dwVolumeSerialNumber &&
               one_info.nFileIndexHigh == other_info.nFileIndexHigh &&
               one_info.nFileIndexLow == other_info.nFileIndexLow;
    char full_one[MAX_PATH];
    char full_other[MAX_PATH];
    DWORD one_len = GetFullPathNameA(one, sizeof full_one, full_one, nullptr);
    DWORD other_len = GetFullPathNameA(other, sizeof full_other, full_other, nullptr);
    if (one_len == 0 || one_len >= sizeof full_one || other_len == 0 ||
        other_len >= sizeof full_other)
        return lstrcmpiA(one, other) == 0;
    return lstrcmpiA(full_one, full_other) == 0;
}

// A path that does not fit its buffer is reported like a failed system call.
void ReportTooLong(AppState* state, HWND window)
{
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    DisplayLastError(state, window);
}

// The service manager and the service, opened together.
struct OpenedService {
    OwnedService manager;
    OwnedService service;
};

// Opens the service manager and the service; false, with nothing reported,
// when either cannot be opened.
bool OpenServiceHandles(DWORD manager_access, DWORD service_access, OpenedService* opened)
{
    opened->manager.reset(OpenSCManagerA(nullptr, nullptr, manager_access));
    if (opened->manager)
        opened->service.reset(OpenServiceA(opened->manager.get(), HALTALL_SERVICE, service_access));
    return (bool)opened->service;
}

// OpenServiceHandles that reports a failure (of the step, when one is named).
bool OpenHaltallService(AppState* state, HWND window, const char* step, DWORD manager_access,
                        DWORD service_access, OpenedService* opened)
{
    if (!OpenServiceHandles(manager_access, service_access, opened)) {
        DisplayLastError(state, window, step);
        return false;
    }
    return true;
}

// The folder of the service's program copy. A 32-bit program on 64-bit
// Windows sees the 32-bit system folder under the 64-bit one's name, but the
// service manager does not: the service must name that folder as it is.
UINT ServiceSystemDirectory(char* buffer, UINT size)
{
#ifndef _WIN64
    typedef UINT(WINAPI * Wow64DirectoryFunction)(LPSTR, UINT);
    Wow64DirectoryFunction wow64_directory = (Wow64DirectoryFunction)(void*)GetProcAddress(
        GetModuleHandleA("kernel32"), "GetSystemWow64DirectoryA");
    // Fails on 32-bit Windows, where the system folder is the one to use.
    UINT len = wow64_directory ? wow64_directory(buffer, size) : 0;
    if (len != 0)
        return len;
#endif
    return GetSystemDirectoryA(buffer, size);
}

// Opens the service with the access that the request needs and makes it;
// every failure is reported as a failure of the step. 0 done, -1 failed.
int SendToService(HWND window, AppState* state, const char* step, DWORD access,
                  BOOL (*request)(SC_HANDLE service))
{
    OpenedService opened;
    if (!OpenHaltallService(state, window, step, GENERIC_WRITE, access, &opened))
        return -1;
    if (!request(opened.service.get())) {
        DisplayLastError(state, window, step);
        return -1;
    }
    return 0;
}

const DWORD STOP_WAIT_MS = 10000;

// The running service's process, opened for waiting; none when the service
// does not run or the system cannot name its process (before Windows 2000).
HANDLE OpenServiceProcess()
{
    typedef BOOL(WINAPI * QueryStatusExFunction)(SC_HANDLE, SC_STATUS_TYPE, BYTE*, DWORD, DWORD*);
    QueryStatusExFunction query_status_ex = (QueryStatusExFunction)(void*)GetProcAddress(
        GetModuleHandleA("advapi32"), "QueryServiceStatusEx");
    OpenedService opened;
    SERVICE_STATUS_PROCESS status;
    DWORD size;
    if (!query_status_ex || !OpenServiceHandles(GENERIC_READ, SERVICE_QUERY_STATUS, &opened) ||
        !query_status_ex(opened.service.get(), SC_STATUS_PROCESS_INFO, (BYTE*)&status, sizeof status,
                         &size) ||
        status.dwProcessId == 0)
        return nullptr;
    return OpenProcess(SYNCHRONIZE, FALSE, status.dwProcessId);
}

// Waits until the stopped service reports SERVICE_STOPPED and its process
// has ended: the service reports the state as soon as it gets the stop
// control, but holds its program file open for a moment longer, and a copy
// over that file fails until then. Reports a timeout as a failed stop.
int WaitUntilStopped(HWND window, AppState* state, HANDLE process)
{
    OpenedService opened;
    bool open = OpenServiceHandles(GENERIC_READ, SERVICE_QUERY_STATUS, &opened);
    DWORD begin = GetTickCount();
    for (;;) {
        SERVICE_STATUS status;
        bool stopped = open && QueryServiceStatus(opened.service.get(), &status) &&
                       status.dwCurrentState == SERVICE_STOPPED;
        if (stopped && (!process || WaitForSingleObject(process, 0) == WAIT_OBJECT_0))
            return 0;
        if (GetTickCount() - begin >= STOP_WAIT_MS)
            break;
        Sleep(100);
    }
    SetLastError(ERROR_SERVICE_REQUEST_TIMEOUT);
    DisplayLastError(state, window, "Stopping the service");
    return -1;
}

// Stops the running service and waits until its process has let go of the
// program copy. 0 done, -1 after a reported failure.
int StopServiceAndWait(HWND window, AppState* state)
{
    OwnedHandle process(OpenServiceProcess());
    if (StopHaltallService(window, state) != 0)
        return -1;
    return WaitUntilStopped(window, state, process.get());
}

// Runs the update with the service stopped: a running service is stopped
// (and waited for) first and started again afterwards, also after a failed
// update, which leaves the service as it was. 0 done, -1 after a reported
// failure.
int WhileServiceStopped(HWND window, AppState* state, int (*update)(HWND, AppState*))
{
    if (!IsHaltallServiceRunning(window, state))
        return update(window, state);
    if (StopServiceAndWait(window, state) != 0)
        return -1;
    int result = update(window, state);
    if (StartHaltallService(window, state) != 0)
        return -1;
    return result;
}

// Copies the program and saves the settings, which the service reads at its
// start; a failed save does not stop the installation. 1 with the service
// command line in command; 0 after a reported failure.
int CopyProgramAndSaveSettings(HWND window, AppState* state, char* command)
{
    if (!CopyHaltallToSystem(window, state, command))
        return 0;
    SaveSettings(HKEY_LOCAL_MACHINE, SERVICE_KEY, state);
    return 1;
}

// Creates the NT service and starts it; an installed one gets the
// configuration of a new one instead (its starting is left to the caller).
int InstallNtService(HWND window, AppState* state)
{
    char command[SERVICE_PATH_SIZE];
    if (!CopyProgramAndSaveSettings(window, state, command))
        return -1;
    WriteLog("Creating real NT service");
    OwnedService manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE));
    if (!manager) {
        DisplayLastError(state, window, "Creating the service");
        return -1;
    }
    const DWORD type = SERVICE_WIN32_OWN_PROCESS | SERVICE_INTERACTIVE_PROCESS;
    OwnedService service(CreateServiceA(manager.get(), HALTALL_SERVICE, HALTALL_SERVICE,
                                        STANDARD_RIGHTS_REQUIRED | SERVICE_START, type,
                                        SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, command,
                                        nullptr, nullptr, nullptr, nullptr, nullptr));
    bool installed = !service && GetLastError() == ERROR_SERVICE_EXISTS;
    if (installed) {
        WriteLog("Updating the installed service");
        service.reset(OpenServiceA(manager.get(), HALTALL_SERVICE, SERVICE_CHANGE_CONFIG));
        if (!service || !ChangeServiceConfigA(service.get(), type, SERVICE_AUTO_START,
                                              SERVICE_ERROR_NORMAL, command, nullptr, nullptr,
                                              nullptr, nullptr, nullptr, HALTALL_SERVICE)) {
            DisplayLastError(state, window, "Updating the service");
            return -1;
        }
    } else if (!service) {
        DisplayLastError(state, window, "Creating the service");
        return -1;
    }
    // Registered before the start, so that the service's first events have their texts.
    char program[SERVICE_PATH_SIZE];
    if (ServiceProgramPath(command, program, sizeof program))
        RegisterHaltallEventSource(window, state, program);
    if (installed)
        return 0;
    WriteLog("Starting service");
    if (!StartServiceA(service.get(), 0, nullptr)) {
        DisplayLastError(state, window, "Starting the service");
        return -1;
    }
    return 0;
}

// Removing a service that is not there is what was asked for: a script may
// run it twice.
void ReportNoService(HWND window, AppState* state)
{
    DisplayInformation(state, window, "The Haltall service is not installed");
}

int RemoveNtService(HWND window, AppState* state)
{
    WriteLog("Deleting NT service");
    {
        OpenedService opened;
        if (!OpenServiceHandles(GENERIC_WRITE, DELETE, &opened)) {
            if (GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST) {
                ReportNoService(window, state);
                return 0;
            }
            DisplayLastError(state, window);
            return -1;
        }
        if (!DeleteService(opened.service.get())) {
            DWORD code = GetLastError();
            DisplayLastError(state, window);
            // A service already marked for deletion goes away all the same.
            if (code != ERROR_SERVICE_MARKED_FOR_DELETE)
                return -1;
        }
    }
    RemoveHaltallEventSource();
    DisplayInformation(state, window, "Haltall service succesfully deleted");
    if (!DeleteRegKey(HKEY_LOCAL_MACHINE, SERVICE_KEY))
        WriteLog("No service settings key to delete");
    return 0;
}

}  // namespace

int CopyHaltallToSystem(HWND window, AppState* state, char* command_line)
{
    WriteLog("CopyHaltallToSystem start");
    // A name too long for ".exe" names no file that could be opened.
    bool named = AddExeSuffix(state->executable, sizeof state->executable);

    char found[SERVICE_PATH_SIZE];
    if (named && strchr(state->executable, '\\'))
        named = FileExists(nullptr, state->executable) && CopyField(found, state->executable);
    else if (named) {
        char search_path[SEARCH_PATH_SIZE + 1];
        ReadSearchPath(search_path);
        named = FindProgramFile(state->executable, search_path, FileExists, nullptr, found,
                                sizeof found);
    }
    if (!named) {
        Error(state, window, NOT_FOUND_TEXT);
        WriteLog("CopyHaltallToSystem end");
        return 0;
    }

    char system_dir[SERVICE_PATH_SIZE];
    UINT len = ServiceSystemDirectory(system_dir, sizeof system_dir);
    if (len == 0) {
        DisplayLastError(state, window);
        WriteLog("CopyHaltallToSystem end");
        return 0;
    }
    char target[SERVICE_PATH_SIZE];
    char command[SERVICE_PATH_SIZE];
    if (len >= sizeof system_dir ||
        !BuildServicePaths(system_dir, target, sizeof target, command, sizeof command)) {
        ReportTooLong(state, window);
        WriteLog("CopyHaltallToSystem end");
        return 0;
    }

    if (!IsSameFile(found, target, !IsWindows9x(state))) {
        WriteLog("Copying %s to %s", found, target);
        if (!CopyFileA(found, target, FALSE)) {
            DisplayLastError(state, window, "Copying the program");
            WriteLog("CopyHaltallToSystem end");
            return 0;
        }
    }
    memcpy(command_line, command, strlen(command) + 1);
    WriteLog("CopyHaltallToSystem end");
    return 1;
}

int CreateHaltallService(HWND window, AppState* state)
{
    WriteLog("CreateHaltallService start");
    char command[SERVICE_PATH_SIZE];
    int result = -1;
    if (!IsWindows9x(state)) {
        // An installed service that runs holds its program file open.
        result = WhileServiceStopped(window, state, InstallNtService);
        if (result == 0)
            DisplayInformation(state, window, "Haltall service succesfully installed");
    } else if (CopyProgramAndSaveSettings(window, state, command)) {
        WriteLog("Creating WIN98 service");
        if (WriteRegString(HKEY_LOCAL_MACHINE, RUN_SERVICES_KEY, HALTALL_SERVICE, command)) {
            DisplayInformation(state, window, "Please restart your computer to start the service");
            result = 0;
        } else {
            DisplayLastError(state, window);
        }
    }
    WriteLog("CreateHaltallService end");
    return result;
}

int RemoveHaltallService(HWND window, AppState* state)
{
    WriteLog("RemoveHaltallService start");
    int result = 0;
    if (IsWindows9x(state)) {
        WriteLog("Deleting WIN98 service");
        if (DeleteRegValue(HKEY_LOCAL_MACHINE, RUN_SERVICES_KEY, HALTALL_SERVICE)) {
            DisplayInformation(state, window, "Please restart your computer to stop the service");
            if (!DeleteRegKey(HKEY_LOCAL_MACHINE, SERVICE_KEY))
                WriteLog("No service settings key to delete");
        } else if (GetLastError() == ERROR_FILE_NOT_FOUND) {
            ReportNoService(window, state);
        } else {
            DisplayLastError(state, window);
            result = -1;
        }
    } else {
        result = RemoveNtService(window, state);
    }
    WriteLog("RemoveHaltallService end");
    return result;
}

int IsHaltallServiceRunning(HWND, AppState* state)
{
    WriteLog("IsHaltallServiceRunning start");
    int running = 0;
    if (!IsWindows9x(state)) {
        OpenedService opened;
        SERVICE_STATUS status;
        if (OpenServiceHandles(GENERIC_READ, SERVICE_QUERY_STATUS, &opened) &&
            QueryServiceStatus(opened.service.get(), &status)) {
            running = status.dwCurrentState == SERVICE_RUNNING;
            if (!running)
                WriteLog("IsHaltallServiceRunning stop");
        }
    }
    WriteLog("IsHaltallServiceRunning end, running=%d", running);
    return running;
}

int StartHaltallService(HWND window, AppState* state)
{
    WriteLog("StartHaltallService start");
    int result = 0;
    if (!IsWindows9x(state))
        result = SendToService(window, state, "Starting the service", SERVICE_START,
                               [](SC_HANDLE service) {
                                   return StartServiceA(service, 0, nullptr);
                               });
    WriteLog("StartHaltallService end");
    return result;
}

int StopHaltallService(HWND window, AppState* state)
{
    WriteLog("StopHaltallService start");
    int result = 0;
    // No waiting: the service reports SERVICE_STOPPED as soon as it gets the
    // control. Sequences that replace its program file wait for it.
    if (!IsWindows9x(state))
        result = SendToService(window, state, "Stopping the service", SERVICE_STOP,
                               [](SC_HANDLE service) {
                                   SERVICE_STATUS status;
                                   return ControlService(service, SERVICE_CONTROL_STOP, &status);
                               });
    WriteLog("StopHaltallService end");
    return result;
}

int RestartHaltallServiceIfRunning(HWND window, AppState* state)
{
    return WhileServiceStopped(window, state, [](HWND, AppState*) { return 0; });
}

int StopAndRemoveHaltallService(HWND window, AppState* state)
{
    // An uninstaller deletes the service's copy right after this.
    if (IsHaltallServiceRunning(window, state) && StopServiceAndWait(window, state) != 0)
        return -1;
    return RemoveHaltallService(window, state);
}
