// Installing and controlling the service, against the real service manager
// and registry of the Wine prefix. For the NT service this test program is
// itself the program that gets installed: started with "-service" it only
// acts as a minimal service (see ServiceStub) and never runs the tests.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "core/app_state.h"
#include "core/log.h"
#include "core/remote_password.h"
#include "core/settings_store.h"
#include "service/service_control.h"

namespace {

const char RUN_SERVICES_KEY[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunServices";

// --- The stand-in program of the installed NT service -----------------------

namespace ServiceStub {

SERVICE_STATUS_HANDLE status_handle;
HANDLE stop_event;

void Report(DWORD state)
{
    SERVICE_STATUS status = {};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS | SERVICE_INTERACTIVE_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = SERVICE_ACCEPT_STOP;
    SetServiceStatus(status_handle, &status);
}

DWORD WINAPI Handler(DWORD control, DWORD, void*, void*)
{
    if (control == SERVICE_CONTROL_STOP) {
        Report(SERVICE_STOPPED);  // at once, as the real service does
        SetEvent(stop_event);
    }
    return NO_ERROR;
}

void WINAPI Main(DWORD, char**)
{
    status_handle = RegisterServiceCtrlHandlerExA("Haltall", Handler, nullptr);
    Report(SERVICE_RUNNING);
    WaitForSingleObject(stop_event, INFINITE);
}

bool RunIfStartedAsService()
{
    std::string line = GetCommandLineA();
    const std::string flag = " -service";
    if (line.size() < flag.size() ||
        line.compare(line.size() - flag.size(), flag.size(), flag) != 0)
        return false;
    stop_event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    SERVICE_TABLE_ENTRYA table[] = {{(LPSTR) "Haltall", Main}, {nullptr, nullptr}};
    StartServiceCtrlDispatcherA(table);
    // The real program lives on for a moment after reporting SERVICE_STOPPED;
    // ending at once would cut off the answer to the stop control.
    Sleep(1000);
    ExitProcess(0);
}

[[maybe_unused]] const bool started_as_service = RunIfStartedAsService();

}  // namespace ServiceStub

// --- Helpers ------------------------------------------------------------------

// The folder of the service's program copy: the system folder, which a
// 32-bit program on 64-bit Windows names by its own name (SysWOW64).
std::string SystemDirectory()
{
    char dir[MAX_PATH];
#ifndef _WIN64
    if (GetSystemWow64DirectoryA(dir, sizeof dir))
        return dir;
#endif
    GetSystemDirectoryA(dir, sizeof dir);
    return dir;
}

std::string ReadFileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFileText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string SystemErrorText(DWORD code)
{
    char text[512] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                   MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof text, nullptr);
    std::string result = text;
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r'))
        result.pop_back();
    return result;
}

std::string Replace(std::string text, const std::string& from, const std::string& to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

bool WaitFor(bool (*condition)())
{
    for (int i = 0; i < 200; i++) {
        if (condition())
            return true;
        Sleep(100);
    }
    return false;
}

// The service's status as the manager reports it; 0 when it cannot be asked.
DWORD ServiceState(DWORD* process_id = nullptr)
{
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = manager ? OpenServiceA(manager, "Haltall", SERVICE_QUERY_STATUS) : nullptr;
    SERVICE_STATUS_PROCESS status = {};
    DWORD size;
    DWORD state = 0;
    if (service && QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, (BYTE*)&status,
                                        sizeof status, &size)) {
        state = status.dwCurrentState;
        if (process_id)
            *process_id = status.dwProcessId;
    }
    if (service)
        CloseServiceHandle(service);
    if (manager)
        CloseServiceHandle(manager);
    return state;
}

bool ServiceIsGone() { return ServiceState() == 0; }
bool ServiceIsRunning() { return ServiceState() == SERVICE_RUNNING; }

// Stops a running service and waits until its process has ended, so that its
// program file is free again.
void StopAndWaitForExit()
{
    DWORD process_id = 0;
    if (ServiceState(&process_id) == 0)
        return;
    HANDLE process = process_id ? OpenProcess(SYNCHRONIZE, FALSE, process_id) : nullptr;
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = OpenServiceA(manager, "Haltall", SERVICE_STOP);
    SERVICE_STATUS status;
    if (service) {
        ControlService(service, SERVICE_CONTROL_STOP, &status);
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    if (process) {
        WaitForSingleObject(process, 20000);
        CloseHandle(process);
    }
}

// Leaves the prefix without the service: an automatic service would start
// again with every new Wine session.
void DeleteAnyService()
{
    StopAndWaitForExit();
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = OpenServiceA(manager, "Haltall", DELETE);
    if (service) {
        DeleteService(service);
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    WaitFor(ServiceIsGone);
}

// The command line the manager starts the service with.
std::string BinaryPath()
{
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = OpenServiceA(manager, "Haltall", SERVICE_QUERY_CONFIG);
    std::vector<BYTE> buffer(8192);
    DWORD size;
    std::string path;
    if (service && QueryServiceConfigA(service, (QUERY_SERVICE_CONFIGA*)buffer.data(),
                                       (DWORD)buffer.size(), &size))
        path = ((QUERY_SERVICE_CONFIGA*)buffer.data())->lpBinaryPathName;
    if (service)
        CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return path;
}

void SetBinaryPath(const std::string& path)
{
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = OpenServiceA(manager, "Haltall", SERVICE_CHANGE_CONFIG);
    ASSERT_TRUE(service);
    EXPECT_TRUE(ChangeServiceConfigA(service, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE,
                                     SERVICE_NO_CHANGE, path.c_str(), nullptr, nullptr, nullptr,
                                     nullptr, nullptr, nullptr));
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
}

bool ReadRegText(HKEY root, const char* key, const char* name, std::string* text)
{
    char buffer[512];
    if (!ReadRegString(root, key, name, buffer, sizeof buffer))
        return false;
    *text = buffer;
    return true;
}

bool KeyExists(HKEY root, const char* key)
{
    HKEY handle;
    if (RegOpenKeyExA(root, key, 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return false;
    RegCloseKey(handle);
    return true;
}

// --- Fixture --------------------------------------------------------------------
// Works in a fresh temporary directory (the diagnostic log lands there), puts
// back PATH, the current directory and a system copy of the program that was
// there before, and leaves no service, RunServices value or service key.

class ServiceControl : public ::testing::Test {
protected:
    AppState state;
    std::string work;
    std::string system_copy = SystemDirectory() + "\\haltall.exe";
    std::string command = "\"" + SystemDirectory() + "\\haltall.exe\" -service";

    void SetUp() override
    {
        char dir[MAX_PATH];
        GetCurrentDirectoryA(sizeof dir, dir);
        old_cwd = dir;
        DWORD size = GetEnvironmentVariableA("PATH", nullptr, 0);
        old_path.assign(size, '\0');
        GetEnvironmentVariableA("PATH", &old_path[0], size);
        old_path.resize(size ? size - 1 : 0);

        GetTempPathA(sizeof dir, dir);
        work = std::string(dir) + "haltall-service-" + std::to_string(GetCurrentProcessId());
        RemoveWork();
        ASSERT_TRUE(CreateDirectoryA(work.c_str(), nullptr));
        ASSERT_TRUE(SetCurrentDirectoryA(work.c_str()));

        DeleteAnyService();
        backup = work + "-system-copy";
        had_system_copy = MoveFileExA(system_copy.c_str(), backup.c_str(), MOVEFILE_COPY_ALLOWED);

        InitSettings(&state);
        state.quiet = 1;  // Error would otherwise show a box even without a window
        g_debug = 1;
    }

    void TearDown() override
    {
        g_debug = 0;
        DeleteAnyService();
        DeleteFileA(system_copy.c_str());
        if (had_system_copy)
            MoveFileExA(backup.c_str(), system_copy.c_str(), MOVEFILE_COPY_ALLOWED);
        DeleteRegKey(HKEY_LOCAL_MACHINE, SERVICE_KEY);
        // The service's own key, when nothing is left in it.
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\Haltall");
        DeleteRegValue(HKEY_LOCAL_MACHINE, RUN_SERVICES_KEY, "Haltall");
        SetEnvironmentVariableA("PATH", old_path.c_str());
        SetCurrentDirectoryA(old_cwd.c_str());
        RemoveWork();
    }

    // The diagnostic log written since the last call.
    std::string TakeLog()
    {
        CloseLog();
        std::string log = ReadFileText(work + "\\haltall.log");
        DeleteFileA((work + "\\haltall.log").c_str());
        return log;
    }

    void UseThisProgram() { CopyField(state.executable, ThisProgram().c_str()); }

    static std::string ThisProgram()
    {
        char path[MAX_PATH];
        GetModuleFileNameA(nullptr, path, sizeof path);
        return path;
    }

private:
    std::string old_cwd;
    std::string old_path;
    std::string backup;
    bool had_system_copy = false;

    void RemoveWork()
    {
        // Two levels are enough for what the tests create.
        std::vector<std::string> dirs = {work};
        for (size_t i = 0; i < dirs.size(); i++) {
            WIN32_FIND_DATAA found;
            HANDLE search = FindFirstFileA((dirs[i] + "\\*").c_str(), &found);
            if (search == INVALID_HANDLE_VALUE)
                continue;
            do {
                std::string name = found.cFileName;
                if (name == "." || name == "..")
                    continue;
                std::string path = dirs[i] + "\\" + name;
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    dirs.push_back(path);
                else
                    DeleteFileA(path.c_str());
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
        for (size_t i = dirs.size(); i-- > 0;)
            RemoveDirectoryA(dirs[i].c_str());
    }
};

}  // namespace

TEST_F(ServiceControl, CopyFindsTheProgramFileAndCopiesItToTheSystemDirectory)
{
    struct {
        const char* label;
        const char* executable;  // {w} stands for the work directory, the current one
        const char* path;        // the PATH variable
        std::vector<std::pair<const char*, const char*>> files;  // file, content
        const char* copied;  // content of the system copy; null: "Can't find haltall.exe!"
        const char* executable_after;
    } cases[] = {
        {"bare name along PATH, last entry", "haltall", "{w}\\missing;{w}\\empty;{w}\\b",
         {{"b\\haltall.exe", "B"}}, "B", "haltall.exe"},
        {"current directory before PATH", "haltall.exe", "{w}\\b",
         {{"haltall.exe", "CWD"}, {"b\\haltall.exe", "B"}}, "CWD", "haltall.exe"},
        {"a path is taken as it is", "{w}\\a\\haltall", "{w}\\b",
         {{"a\\haltall.exe", "A"}, {"b\\haltall.exe", "B"}}, "A", "{w}\\a\\haltall.exe"},
        {"any program name, suffix in capitals", "{w}\\a\\other.EXE", "",
         {{"a\\other.EXE", "O"}}, "O", "{w}\\a\\other.EXE"},
        {"a missing path is not searched", "{w}\\a\\haltall.exe", "{w}\\b",
         {{"haltall.exe", "CWD"}, {"b\\haltall.exe", "B"}}, nullptr, "{w}\\a\\haltall.exe"},
        {"found nowhere", "HALTALL.EXE", "{w}\\a;{w}\\b", {{"a\\other.exe", "O"}}, nullptr,
         "HALTALL.EXE"},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.label);
        for (const char* dir : {"a", "b", "empty"})
            CreateDirectoryA((work + "\\" + dir).c_str(), nullptr);
        for (auto& file : c.files)
            WriteFileText(work + "\\" + file.first, file.second);
        SetEnvironmentVariableA("PATH", Replace(c.path, "{w}", work).c_str());
        CopyField(state.executable, Replace(c.executable, "{w}", work).c_str());
        DeleteFileA(system_copy.c_str());
        TakeLog();

        char line[260] = "untouched";
        int result = CopyHaltallToSystem(nullptr, &state, line);
        std::string log = TakeLog();

        EXPECT_STREQ(state.executable, Replace(c.executable_after, "{w}", work).c_str());
        if (c.copied) {
            EXPECT_EQ(result, 1);
            EXPECT_EQ(line, command);
            EXPECT_EQ(ReadFileText(system_copy), c.copied);
            EXPECT_NE(log.find("Copying "), std::string::npos) << log;
        } else {
            EXPECT_EQ(result, 0);
            EXPECT_STREQ(line, "untouched");
            EXPECT_FALSE(Exists(system_copy));
            EXPECT_NE(log.find("ERROR: Can't find haltall.exe!"), std::string::npos) << log;
        }
        for (auto& file : c.files)
            DeleteFileA((work + "\\" + file.first).c_str());
    }
}

TEST_F(ServiceControl, TheSystemCopyItselfIsNotCopied)
{
    // Named by its full path in other letter case, found through a PATH
    // entry that ends in a backslash, or through another drive: Wine's Z:
    // reaches the prefix's C: drive by its Unix path.
    std::string upper = system_copy;
    for (char& c : upper)
        c = (char)toupper((unsigned char)c);
    char prefix[MAX_PATH] = "";
    GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof prefix);
    std::string other_drive = "Z:" + std::string(prefix) + "/drive_c" + system_copy.substr(2);
    for (char& c : other_drive)
        c = c == '/' ? '\\' : c;
    struct {
        std::string executable;
        std::string path;
    } cases[] = {{upper, ""}, {"haltall", SystemDirectory() + "\\"}, {other_drive, ""}};
    for (auto& c : cases) {
        if (!prefix[0] && c.executable == other_drive)
            continue;
        SCOPED_TRACE(c.executable);
        WriteFileText(system_copy, "S");
        SetEnvironmentVariableA("PATH", c.path.c_str());
        CopyField(state.executable, c.executable.c_str());
        TakeLog();

        char line[260] = "";
        EXPECT_EQ(CopyHaltallToSystem(nullptr, &state, line), 1);
        EXPECT_EQ(line, command);
        EXPECT_EQ(ReadFileText(system_copy), "S");
        std::string log = TakeLog();
        EXPECT_EQ(log.find("Copying "), std::string::npos) << log;
    }
}

TEST_F(ServiceControl, Windows9xServiceIsARunServicesEntry)
{
    state.os_version.dwPlatformId = VER_PLATFORM_WIN32_WINDOWS;
    WriteFileText(work + "\\haltall.exe", "program");
    CopyField(state.executable, (work + "\\haltall.exe").c_str());
    state.action = REBOOT;

    CreateHaltallService(nullptr, &state);
    std::string log = TakeLog();
    std::string value;
    ASSERT_TRUE(ReadRegText(HKEY_LOCAL_MACHINE, RUN_SERVICES_KEY, "Haltall", &value)) << log;
    EXPECT_EQ(value, command);
    EXPECT_EQ(ReadFileText(system_copy), "program");
    DWORD action = 0;
    EXPECT_TRUE(ReadRegDword(HKEY_LOCAL_MACHINE, SERVICE_KEY, "action", &action));
    EXPECT_EQ(action, (DWORD)REBOOT);
    EXPECT_NE(log.find("Creating WIN98 service"), std::string::npos) << log;
    EXPECT_NE(log.find("INFO: Please restart your computer to start the service"),
              std::string::npos);
    EXPECT_TRUE(ServiceIsGone()) << "no NT service on 9x";

    // Nothing runs as far as the program can tell, and there is nothing to
    // start or stop.
    EXPECT_EQ(IsHaltallServiceRunning(nullptr, &state), 0);
    StartHaltallService(nullptr, &state);
    StopHaltallService(nullptr, &state);
    EXPECT_TRUE(ServiceIsGone());
    TakeLog();

    RemoveHaltallService(nullptr, &state);
    log = TakeLog();
    EXPECT_FALSE(ReadRegText(HKEY_LOCAL_MACHINE, RUN_SERVICES_KEY, "Haltall", &value));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, SERVICE_KEY));
    EXPECT_NE(log.find("INFO: Please restart your computer to stop the service"), std::string::npos)
        << log;

    // Removing again finds nothing to remove: no failure (a script may run
    // it twice), and settings saved meanwhile stay.
    SaveSettings(HKEY_LOCAL_MACHINE, SERVICE_KEY, &state);
    EXPECT_EQ(RemoveHaltallService(nullptr, &state), 0);
    log = TakeLog();
    EXPECT_EQ(log.find("DisplayLastError start"), std::string::npos) << log;
    EXPECT_NE(log.find("INFO: The Haltall service is not installed"), std::string::npos) << log;
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, SERVICE_KEY));
}

TEST_F(ServiceControl, NtServiceIsInstalledStartedStoppedAndRemoved)
{
    UseThisProgram();
    state.action = SHUTDOWN;
    CreateHaltallService(nullptr, &state);
    std::string log = TakeLog();
    EXPECT_NE(log.find("INFO: Haltall service succesfully installed"), std::string::npos) << log;
    EXPECT_EQ(ReadFileText(system_copy), ReadFileText(ThisProgram()));
    DWORD action = 0;
    EXPECT_TRUE(ReadRegDword(HKEY_LOCAL_MACHINE, SERVICE_KEY, "action", &action));
    EXPECT_EQ(action, (DWORD)SHUTDOWN);

    // Registered as asked, and started at once.
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = OpenServiceA(manager, "Haltall", SERVICE_QUERY_CONFIG);
    ASSERT_TRUE(service);
    std::vector<BYTE> buffer(8192);
    DWORD size;
    ASSERT_TRUE(QueryServiceConfigA(service, (QUERY_SERVICE_CONFIGA*)buffer.data(),
                                    (DWORD)buffer.size(), &size));
    QUERY_SERVICE_CONFIGA* config = (QUERY_SERVICE_CONFIGA*)buffer.data();
    EXPECT_EQ(config->dwServiceType, (DWORD)0x110);
    EXPECT_EQ(config->dwStartType, (DWORD)SERVICE_AUTO_START);
    EXPECT_EQ(config->dwErrorControl, (DWORD)SERVICE_ERROR_NORMAL);
    EXPECT_STREQ(config->lpBinaryPathName, command.c_str());
    EXPECT_STREQ(config->lpDisplayName, "Haltall");
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    ASSERT_TRUE(WaitFor(ServiceIsRunning));
    EXPECT_EQ(IsHaltallServiceRunning(nullptr, &state), 1);

    // The "save settings to service" sequence: stop, then start right away.
    StopHaltallService(nullptr, &state);
    EXPECT_EQ(ServiceState(), (DWORD)SERVICE_STOPPED);
    EXPECT_EQ(IsHaltallServiceRunning(nullptr, &state), 0);
    StartHaltallService(nullptr, &state);
    EXPECT_TRUE(WaitFor(ServiceIsRunning));
    log = TakeLog();
    EXPECT_EQ(log.find("DisplayLastError"), std::string::npos) << log;
    EXPECT_NE(log.find("IsHaltallServiceRunning stop"), std::string::npos) << log;

    // Removal does not stop the service; callers do that first.
    StopHaltallService(nullptr, &state);
    RemoveHaltallService(nullptr, &state);
    log = TakeLog();
    EXPECT_NE(log.find("INFO: Haltall service succesfully deleted"), std::string::npos) << log;
    EXPECT_TRUE(WaitFor(ServiceIsGone));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, SERVICE_KEY));
}

TEST_F(ServiceControl, CreatingOverAnInstalledServiceUpdatesItAndKeepsItRunningOrStopped)
{
    UseThisProgram();
    for (bool running : {true, false}) {
        SCOPED_TRACE(running ? "running" : "stopped");
        state.action = SHUTDOWN;
        ASSERT_EQ(CreateHaltallService(nullptr, &state), 0) << TakeLog();
        ASSERT_TRUE(WaitFor(ServiceIsRunning)) << TakeLog();
        DWORD old_process = 0;
        ServiceState(&old_process);
        SetBinaryPath("\"" + system_copy + "\" -old -service");
        if (!running) {
            StopAndWaitForExit();  // frees the system copy
            WriteFileText(system_copy, "stale");
        }
        state.action = LOCK;
        TakeLog();

        EXPECT_EQ(CreateHaltallService(nullptr, &state), 0);
        std::string log = TakeLog();
        EXPECT_EQ(log.find("ERROR"), std::string::npos) << log;
        EXPECT_NE(log.find("Copying "), std::string::npos) << log;
        EXPECT_NE(log.find("INFO: Haltall service succesfully installed"), std::string::npos)
            << log;
        EXPECT_EQ(ReadFileText(system_copy), ReadFileText(ThisProgram()));
        DWORD action = 0;
        EXPECT_TRUE(ReadRegDword(HKEY_LOCAL_MACHINE, SERVICE_KEY, "action", &action));
        EXPECT_EQ(action, (DWORD)LOCK);
        EXPECT_EQ(BinaryPath(), command);
        if (running) {
            EXPECT_TRUE(WaitFor(ServiceIsRunning));
            DWORD new_process = 0;
            ServiceState(&new_process);
            EXPECT_NE(new_process, old_process) << "started again";
        } else {
            EXPECT_EQ(ServiceState(), (DWORD)SERVICE_STOPPED);
        }
        DeleteAnyService();
    }
}

TEST_F(ServiceControl, AFailedReinstallNamesTheStepAndStartsTheServiceAgain)
{
    UseThisProgram();
    ASSERT_EQ(CreateHaltallService(nullptr, &state), 0) << TakeLog();
    ASSERT_TRUE(WaitFor(ServiceIsRunning)) << TakeLog();
    // A new program file that another process holds open for itself.
    std::string update = work + "\\haltall.exe";
    WriteFileText(update, "new");
    HANDLE held = CreateFileA(update.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    CopyField(state.executable, update.c_str());
    TakeLog();

    EXPECT_EQ(CreateHaltallService(nullptr, &state), -1);
    CloseHandle(held);
    std::string log = TakeLog();
    EXPECT_NE(log.find("ERROR: Copying the program failed: " +
                       SystemErrorText(ERROR_SHARING_VIOLATION)),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("INFO:"), std::string::npos) << log;
    EXPECT_TRUE(WaitFor(ServiceIsRunning)) << "the old copy runs on";
    EXPECT_EQ(ReadFileText(system_copy), ReadFileText(ThisProgram()));
}

TEST_F(ServiceControl, NtOperationsWithoutTheServiceReportTheSystemError)
{
    const std::string missing = SystemErrorText(ERROR_SERVICE_DOES_NOT_EXIST);
    EXPECT_EQ(IsHaltallServiceRunning(nullptr, &state), 0);
    std::string log = TakeLog();
    EXPECT_EQ(log.find("ERROR"), std::string::npos) << "asking is silent: " << log;

    SaveSettings(HKEY_LOCAL_MACHINE, SERVICE_KEY, &state);
    struct {
        int (*operation)(HWND, AppState*);
        std::string error;
    } cases[] = {
        {StartHaltallService, "ERROR: Starting the service failed: " + missing},
        {StopHaltallService, "ERROR: Stopping the service failed: " + missing},
    };
    for (auto& c : cases) {
        EXPECT_EQ(c.operation(nullptr, &state), -1);
        log = TakeLog();
        EXPECT_NE(log.find(c.error), std::string::npos) << log;
        EXPECT_EQ(log.find("INFO:"), std::string::npos) << log;
    }
    // Nothing to remove is no failure (a script may run it twice); settings
    // without a service stay.
    EXPECT_EQ(RemoveHaltallService(nullptr, &state), 0);
    log = TakeLog();
    EXPECT_EQ(log.find("ERROR"), std::string::npos) << log;
    EXPECT_NE(log.find("INFO: The Haltall service is not installed"), std::string::npos) << log;
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, SERVICE_KEY));
}

// The DACL of a key: its entries' SIDs as text, and whether it is protected
// from what the parent passes on.
static std::vector<std::string> KeyAccessList(const char* key, bool* is_protected)
{
    std::vector<std::string> sids;
    HKEY handle;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, READ_CONTROL, &handle) != ERROR_SUCCESS)
        return {"(cannot open)"};
    BYTE bytes[1024];
    DWORD size = sizeof bytes;
    LONG result = RegGetKeySecurity(handle, DACL_SECURITY_INFORMATION, bytes, &size);
    RegCloseKey(handle);
    if (result != ERROR_SUCCESS)
        return {"(no security)"};
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision;
    GetSecurityDescriptorControl(bytes, &control, &revision);
    *is_protected = (control & SE_DACL_PROTECTED) != 0;
    BOOL present, defaulted;
    ACL* acl = nullptr;
    GetSecurityDescriptorDacl(bytes, &present, &acl, &defaulted);
    for (DWORD i = 0; acl && i < acl->AceCount; i++) {
        ACCESS_ALLOWED_ACE* ace;
        if (!GetAce(acl, i, (void**)&ace))
            continue;
        SID* sid = (SID*)&ace->SidStart;
        std::string text = "S-1-" + std::to_string(sid->IdentifierAuthority.Value[5]);
        for (BYTE n = 0; n < sid->SubAuthorityCount; n++)
            text += "-" + std::to_string(sid->SubAuthority[n]);
        sids.push_back(std::to_string(ace->Header.AceType) + ":" + text);
    }
    return sids;
}

TEST_F(ServiceControl, TheServicesVerifierIsReadableOnlyBySystemAndAdministrators)
{
    // Settings an earlier version saved: the verifier beside the others.
    ASSERT_TRUE(SetRemoteControlPassword(&state, "kept"));
    std::string verifier = state.remote_control.verifier;
    SaveSettings(HKEY_LOCAL_MACHINE, SERVICE_KEY, &state);
    ASSERT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, SERVICE_VERIFIER_KEY), ERROR_SUCCESS);
    ASSERT_TRUE(WriteRegString(HKEY_LOCAL_MACHINE, SERVICE_KEY, VERIFIER_VALUE, verifier.c_str()));

    AppState read;
    InitSettings(&read);
    ASSERT_TRUE(ReadSettings(HKEY_LOCAL_MACHINE, SERVICE_KEY, &read));
    EXPECT_STREQ(read.remote_control.verifier, verifier.c_str());
    EXPECT_TRUE(RemoteControlPasswordMatches(&read, "kept"));

    // Saving again moves it into the locked key.
    ASSERT_TRUE(SaveSettings(HKEY_LOCAL_MACHINE, SERVICE_KEY, &read));
    char text[256];
    EXPECT_FALSE(ReadRegString(HKEY_LOCAL_MACHINE, SERVICE_KEY, VERIFIER_VALUE, text, sizeof text));
    ASSERT_TRUE(ReadRegString(HKEY_LOCAL_MACHINE, SERVICE_VERIFIER_KEY, VERIFIER_VALUE, text,
                              sizeof text));
    EXPECT_EQ(text, verifier);
    bool is_protected = false;
    // Allowed entries (type 0) for SYSTEM and the Administrators, nothing inherited.
    EXPECT_EQ(KeyAccessList(SERVICE_VERIFIER_KEY, &is_protected),
              (std::vector<std::string>{"0:S-1-5-18", "0:S-1-5-32-544"}));
    EXPECT_TRUE(is_protected);
    InitSettings(&read);
    ASSERT_TRUE(ReadSettings(HKEY_LOCAL_MACHINE, SERVICE_KEY, &read));
    EXPECT_STREQ(read.remote_control.verifier, verifier.c_str());

    // Removing the settings takes the locked key too.
    EXPECT_TRUE(DeleteRegKey(HKEY_LOCAL_MACHINE, SERVICE_KEY));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, SERVICE_KEY));
}
