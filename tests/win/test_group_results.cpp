// The window of an interactive group run, in-process over a stand-in for
// the main window: its results sort by a column's header, and "Save
// report..." writes them as -report does.
#include <gtest/gtest.h>
#include <winsock.h>
#include <commctrl.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "actions/action_calls.h"
#include "actions/group_action.h"
#include "actions/group_file.h"
#include "core/app_state.h"
#include "core/messages.h"
#include "resource.h"
#include "controls.h"
#include "scratch_log.h"
#include "ui/group_results.h"

namespace {

AppState* g_state;
std::string g_save_path;

// "Save report..." is told g_save_path.
BOOL WINAPI ChooseSavePath(OPENFILENAMEA* request)
{
    lstrcpynA(request->lpstrFile, g_save_path.c_str(), (int)request->nMaxFile);
    return TRUE;
}

// What the main window does with a group run's messages.
LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_GROUP_PROGRESS && wParam == 0)
        OpenGroupRunWindow(window, g_state, ChooseSavePath);
    else if (message == WM_GROUP_ENTRY)
        ShowGroupRunEntry((int)wParam);
    else if (message == WM_GROUP_DONE)
        FinishGroupAction(window, g_state, lParam, ShowGroupRunResults);
    else
        return DefWindowProcA(window, message, wParam, lParam);
    return 0;
}

RemotePC Computer(const char* name, int port, int use_nt)
{
    RemotePC pc = {};
    CopyField(pc.computer_name, name);
    pc.port = port;
    pc.use_nt = (int16_t)use_nt;
    pc.current_credentials = 1;
    return pc;
}

// Computer and result of each row as shown.
std::vector<std::string> Rows(HWND window)
{
    std::vector<std::string> rows;
    int count = (int)SendDlgItemMessageA(window, IDC_RUN_LIST, LVM_GETITEMCOUNT, 0, 0);
    for (int row = 0; row < count; row++)
        rows.push_back(ListRow(window, IDC_RUN_LIST, row, 2));
    return rows;
}

void ClickHeader(HWND window, int column)
{
    NMLISTVIEW click = {};
    click.hdr.hwndFrom = GetDlgItem(window, IDC_RUN_LIST);
    click.hdr.idFrom = IDC_RUN_LIST;
    click.hdr.code = LVN_COLUMNCLICK;
    click.iItem = -1;
    click.iSubItem = column;
    SendMessageA(window, WM_NOTIFY, IDC_RUN_LIST, (LPARAM)&click);
}

}  // namespace

TEST(GroupResults, SortedByAColumnAndSavedAsTheReport)
{
    ScratchLog log;
    WSADATA data;
    WSAStartup(MAKEWORD(1, 1), &data);
    // Two refused computers (nothing listens on their ports) around one that the simulated remote shutdown takes.
    RemotePC list[] = {Computer("127.0.0.3", FreeLoopbackPort(), 0), Computer("127.0.0.1", 0, 1),
                       Computer("127.0.0.2", FreeLoopbackPort(), 0)};
    AppState state;
    InitSettings(&state);
    state.simulate = 1;
    state.who = REMOTE_GROUP;
    state.action = SHUTDOWN;
    state.group_list = list;
    state.group_count = 3;
    g_state = &state;
    g_save_path = log.Path("saved.json");

    WNDCLASSA kind = {};
    kind.lpfnWndProc = MainProc;
    kind.hInstance = GetModuleHandleA(nullptr);
    kind.lpszClassName = "GroupResultsTestMain";
    RegisterClassA(&kind);
    HWND main = CreateWindowA("GroupResultsTestMain", "main", WS_OVERLAPPED, 0, 0, 100, 100,
                              nullptr, nullptr, kind.hInstance, nullptr);
    ASSERT_TRUE(main);
    StartGroupAction(SystemActionCalls(), main, &state);

    // The run ends: "Close" works again.
    HWND window = nullptr;
    for (DWORD start = GetTickCount(); GetTickCount() - start < 30000;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        window = GroupRunWindow();
        if (window && IsWindowEnabled(GetDlgItem(window, IDCANCEL)))
            break;
        Sleep(20);
    }
    ASSERT_TRUE(window && IsWindowEnabled(GetDlgItem(window, IDCANCEL)));

    using Rows_ = std::vector<std::string>;
    EXPECT_EQ(Rows(window), (Rows_{"127.0.0.3|failed", "127.0.0.2|failed", "127.0.0.1|ok"}));
    ClickHeader(window, 0);
    EXPECT_EQ(Rows(window), (Rows_{"127.0.0.1|ok", "127.0.0.2|failed", "127.0.0.3|failed"}));
    ClickHeader(window, 0);  // the same header again: the other way round
    EXPECT_EQ(Rows(window), (Rows_{"127.0.0.3|failed", "127.0.0.2|failed", "127.0.0.1|ok"}));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window, IDC_RUN_RETRY)));

    // The report holds the run in list order, whatever the order shown.
    SendMessageA(window, WM_COMMAND, IDC_RUN_SAVE, 0);
    std::ifstream file(g_save_path);
    std::stringstream text;
    text << file.rdbuf();
    file.close();
    std::string report = text.str();
    size_t first = report.find("\"127.0.0.3\""), second = report.find("\"127.0.0.1\""),
           third = report.find("\"127.0.0.2\"");
    EXPECT_TRUE(first < second && second < third && third != std::string::npos) << report;
    EXPECT_NE(report.find("\"result\": \"ok\""), std::string::npos) << report;
    EXPECT_NE(report.find("Connection refused (10061)"), std::string::npos) << report;
    DeleteFileA(g_save_path.c_str());

    SendMessageA(window, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(GroupRunWindow(), nullptr);
    DestroyWindow(main);
    WSACleanup();
}
