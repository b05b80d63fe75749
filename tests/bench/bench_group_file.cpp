// Time to save and to read back a group file of many computers, through the
// program's own GroupSave and GroupReadFile. Prints figures; never fails on them.
//   bench_group_file [COUNT]      (default 10000)
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "actions/group_file.h"
#include "core/app_state.h"

namespace {

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * (double)(to.QuadPart - from.QuadPart) / (double)frequency.QuadPart;
}

}  // namespace

int main(int argc, char** argv)
{
    int count = argc > 1 ? atoi(argv[1]) : 10000;
    AppState state;
    SetDefaultSettings(&state);
    state.quiet = 1;
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    snprintf(state.group_file, sizeof state.group_file, "%sbench-group-%lu.csv", folder,
             (unsigned long)GetCurrentProcessId());
    for (int i = 0; i < count; i++) {
        RemotePC pc = {};
        snprintf(pc.computer_name, sizeof pc.computer_name, "computer-%05d.example.lan", i);
        snprintf(pc.mac_address, sizeof pc.mac_address, "0011223%05X", i);
        snprintf(pc.subnet_mask, sizeof pc.subnet_mask, "255.255.255.0");
        pc.port = 3210;
        pc.use_nt = (int16_t)(i % 2);
        snprintf(pc.username, sizeof pc.username, "user%d", i);
        snprintf(pc.password, sizeof pc.password, "password%d", i);
        AppendRemotePC(&state, &pc);
    }

    LARGE_INTEGER start, saved, read;
    QueryPerformanceCounter(&start);
    int save_result = GroupSave(nullptr, &state);
    QueryPerformanceCounter(&saved);
    FreeGroupList(&state);
    int read_result = GroupReadFile(nullptr, &state);
    QueryPerformanceCounter(&read);

    printf("group of %d computers: save %.1f ms (result %d), read %.1f ms (result %d, %d read)\n",
           count, Milliseconds(start, saved), save_result, Milliseconds(saved, read), read_result,
           state.group_count);
    DeleteFileA(state.group_file);
    FreeGroupList(&state);
    return save_result != 0 || read_result != 0 || state.group_count != count;
}
