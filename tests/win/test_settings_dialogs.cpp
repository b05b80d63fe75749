// The Warning message, Program, Process, Select process and Idle dialogs on their
// real templates, the file and folder pickers, and how the main window opens
// the dialogs.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "box_watcher.h"
#include "core/app_state.h"
#include "core/start_up.h"
#include "dialog_driver.h"
#include "resource.h"
#include "scratch_log.h"
#include "ui/main_window.h"
#include "ui/schedule_dialog.h"
#include "ui/settings_dialogs.h"

namespace {

typedef DialogTest SettingsDialogs;

// Keys as the user types them: through the dialog's own message loop.
void Type(HWND control, const char* text)
{
    for (const char* c = text; *c; c++)
        PostMessageA(control, WM_CHAR, (unsigned char)*c, 1);
}

// The line break comes as a translated key, so it lands after whatever was
// queued before: press it last in a step.
void PressReturn(HWND control)
{
    LPARAM scan = 1 | (MapVirtualKeyA(VK_RETURN, 0) << 16);
    PostMessageA(control, WM_KEYDOWN, VK_RETURN, scan);
    PostMessageA(control, WM_KEYUP, VK_RETURN, scan | 0xC0000000);
}

std::vector<std::string> ListItems(HWND list)
{
    std::vector<std::string> items;
    int count = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; i++) {
        char text[300];
        SendMessageA(list, LB_GETTEXT, i, (LPARAM)text);
        items.push_back(text);
    }
    return items;
}

}  // namespace

TEST_F(SettingsDialogs, WarningMessageSoundFileFollowsItsBox)
{
    struct {
        const char* name;
        Flag stored_play;
        bool click_box;
        const char* typed_file;  // null: the edit is left as it opened
        bool shown_enabled;
        const char* shown_file;
        Flag play;
        const char* file;
    } cases[] = {
        {"off, kept", 0, false, nullptr, false, "", 0, "C:\\stored.wav"},
        {"switched on, empty", 0, true, nullptr, false, "", 1, ""},
        {"on, changed", 1, false, "D:\\new.wav", true, "C:\\stored.wav", 1, "D:\\new.wav"},
        {"switched off", 1, true, "D:\\ignored.wav", true, "C:\\stored.wav", 0, "C:\\stored.wav"},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        InitSettings(&state);
        state.warning.play_sound = c.stored_play;
        strcpy(state.warning.sound_file, "C:\\stored.wav");
        state.warning.seconds = 15;
        strcpy(state.warning.message, "Line one\r\nLine two");
        DialogDriver driver;
        driver.On("Warning message", [&](HWND dialog) {
            EXPECT_EQ(Text(dialog, IDC_MSG_SECONDS), "15");
            EXPECT_EQ(Text(dialog, IDC_MSG_TEXT), "Line one\r\nLine two");
            EXPECT_EQ(Checked(dialog, IDC_MSG_PLAY_SOUND), c.stored_play != 0);
            EXPECT_EQ(Text(dialog, IDC_MSG_SOUND_FILE), c.shown_file);
            EXPECT_EQ(Enabled(dialog, IDC_MSG_SOUND_FILE), c.shown_enabled);
            EXPECT_EQ(Enabled(dialog, IDC_MSG_BROWSE_SOUND), c.shown_enabled);
            if (c.click_box) {
                Click(dialog, IDC_MSG_PLAY_SOUND);
                EXPECT_EQ(Enabled(dialog, IDC_MSG_SOUND_FILE), !c.shown_enabled);
                EXPECT_EQ(Enabled(dialog, IDC_MSG_BROWSE_SOUND), !c.shown_enabled);
            }
            if (c.typed_file)
                SetDlgItemTextA(dialog, IDC_MSG_SOUND_FILE, c.typed_file);
            Click(dialog, IDOK);
        });
        ShowMessageDialog(nullptr, &state);
        EXPECT_EQ(state.warning.play_sound, c.play);
        EXPECT_STREQ(state.warning.sound_file, c.file);
        EXPECT_EQ(state.warning.seconds, 15);
        EXPECT_STREQ(state.warning.message, "Line one\r\nLine two");
    }
}

TEST_F(SettingsDialogs, WarningMessageTakesTypedLinesDigitsAndNoMoreThanItsField)
{
    DialogDriver driver;
    driver.On("Warning message", [&](HWND dialog) {
        HWND seconds = GetDlgItem(dialog, IDC_MSG_SECONDS);
        SetDlgItemTextA(dialog, IDC_MSG_SECONDS, "");
        Type(seconds, "4x5");
        Type(GetDlgItem(dialog, IDC_MSG_TEXT), "Save your work");
        PressReturn(GetDlgItem(dialog, IDC_MSG_TEXT));  // not taken as "OK"
    });
    driver.On("Warning message", [&](HWND dialog) { Type(GetDlgItem(dialog, IDC_MSG_TEXT), "Now"); });
    driver.On("Warning message", [&](HWND dialog) {  // after the keys were handled
        EXPECT_EQ(Text(dialog, IDC_MSG_SECONDS), "45");
        EXPECT_EQ(Text(dialog, IDC_MSG_TEXT), "Save your work\r\nNow");
        Click(dialog, IDOK);
    });
    ShowMessageDialog(nullptr, &state);
    EXPECT_EQ(state.warning.seconds, 45);
    EXPECT_STREQ(state.warning.message, "Save your work\r\nNow");

    std::string long_text(230, 'x');
    DialogDriver again;
    again.On("Warning message", [&](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_MSG_TEXT, "");
        Type(GetDlgItem(dialog, IDC_MSG_TEXT), long_text.c_str());
    });
    again.On("Warning message", [&](HWND dialog) { Click(dialog, IDOK); });
    ShowMessageDialog(nullptr, &state);
    EXPECT_EQ(std::string(state.warning.message), std::string(199, 'x'));
}

TEST_F(SettingsDialogs, ProgramStoresOnlyOnOk)
{
    for (int button : {IDOK, IDCANCEL}) {
        SCOPED_TRACE(button == IDOK ? "OK" : "Cancel");
        InitSettings(&state);
        strcpy(state.program.program, "C:\\old\\backup.cmd");
        strcpy(state.program.directory, "C:\\old");
        Keep();
        DialogDriver driver;
        driver.On("Program", [&](HWND dialog) {
            EXPECT_EQ(Text(dialog, IDC_PRG_PROGRAM), "C:\\old\\backup.cmd");
            EXPECT_EQ(Text(dialog, IDC_PRG_DIRECTORY), "C:\\old");
            SetDlgItemTextA(dialog, IDC_PRG_PROGRAM, "C:\\tools\\sync.exe");
            SetDlgItemTextA(dialog, IDC_PRG_DIRECTORY, "");
            Click(dialog, button);
        });
        ShowProgramDialog(nullptr, &state);
        if (button == IDOK) {
            EXPECT_STREQ(state.program.program, "C:\\tools\\sync.exe");
            EXPECT_STREQ(state.program.directory, "");
        } else {
            EXPECT_TRUE(Unchanged());
        }
    }
}

namespace {

// Two suspended copies of this test program under a name of their own, so
// that they are the only processes of that name.
class Probes {
public:
    Probes()
    {
        char self[MAX_PATH], temp[MAX_PATH];
        GetModuleFileNameA(nullptr, self, sizeof self);
        GetTempPathA(sizeof temp, temp);
        snprintf(name, sizeof name, "hltprobe%lu.exe", (unsigned long)GetCurrentProcessId());
        path = std::string(temp) + name;
        CopyFileA(self, path.c_str(), FALSE);
        for (PROCESS_INFORMATION& process : processes) {
            STARTUPINFOA start = {sizeof start};
            std::string command = "\"" + path + "\" --gtest_list_tests";
            EXPECT_TRUE(CreateProcessA(path.c_str(), &command[0], nullptr, nullptr, FALSE,
                                       CREATE_SUSPENDED, nullptr, nullptr, &start, &process));
        }
    }
    ~Probes()
    {
        for (PROCESS_INFORMATION& process : processes) {
            TerminateProcess(process.hProcess, 0);
            WaitForSingleObject(process.hProcess, 5000);
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
        DeleteFileA(path.c_str());
    }
    char name[64];
    std::string path;
    PROCESS_INFORMATION processes[2] = {};
};

void DoubleClickItem(HWND list, int index)
{
    RECT item;
    SendMessageA(list, LB_GETITEMRECT, index, (LPARAM)&item);
    LPARAM at = MAKELPARAM(item.left + 4, (item.top + item.bottom) / 2);
    PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(list, WM_LBUTTONUP, 0, at);
    PostMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    PostMessageA(list, WM_LBUTTONUP, 0, at);
}

}  // namespace

TEST_F(SettingsDialogs, ProcessPickerListsRunningProcessesAndTheChoiceNeedsOk)
{
    Probes probes;
    for (int button : {IDCANCEL, IDOK}) {
        SCOPED_TRACE(button == IDOK ? "OK" : "Cancel");
        InitSettings(&state);
        strcpy(state.process.process, "old.exe");
        Keep();
        DialogDriver driver;
        BoxWatcher boxes;
        driver.On("Process", [&](HWND dialog) {
            EXPECT_EQ(Text(dialog, IDC_PRC_PROCESS), "old.exe");
            Click(dialog, IDC_PRC_BROWSE);  // runs the steps below, then returns
            EXPECT_EQ(Text(dialog, IDC_PRC_PROCESS), probes.name);
            EXPECT_TRUE(Unchanged()) << "the picker itself stores nothing";
            Click(dialog, button);
        });
        driver.On("Select process", [&](HWND dialog) {
            HWND list = GetDlgItem(dialog, IDC_SEL_LIST);
            std::vector<std::string> items = ListItems(list);
            int first = -1, count = 0;
            for (int i = 0; i < (int)items.size(); i++) {
                if (lstrcmpiA(items[i].c_str(), probes.name) == 0) {
                    count++;
                    if (first < 0)
                        first = i;
                }
                if (i > 0)
                    EXPECT_LE(lstrcmpiA(items[i - 1].c_str(), items[i].c_str()), 0) << "sorted";
            }
            EXPECT_EQ(count, 2) << "one entry per running copy";
            Click(dialog, IDOK);  // nothing selected yet
            ASSERT_TRUE(IsWindowVisible(dialog));
            ASSERT_EQ(BoxWatcher::boxes.size(), 1u);
            EXPECT_EQ(BoxWatcher::boxes[0].first, "haltall");
            EXPECT_EQ(BoxWatcher::boxes[0].second, "No process selected");
            DoubleClickItem(list, first);  // acts as OK once handled
        });
        ShowProcessDialog(nullptr, &state);
        if (button == IDOK)
            EXPECT_STREQ(state.process.process, probes.name);
        else
            EXPECT_TRUE(Unchanged());
    }
}

TEST_F(SettingsDialogs, SelectProcessOkTakesTheSelectedEntryAndCancelNothing)
{
    for (int button : {IDOK, IDCANCEL}) {
        SCOPED_TRACE(button == IDOK ? "OK" : "Cancel");
        std::string chosen;
        DialogDriver driver;
        driver.On("Process", [&](HWND dialog) {
            SetDlgItemTextA(dialog, IDC_PRC_PROCESS, "typed.exe");
            Click(dialog, IDC_PRC_BROWSE);
            EXPECT_EQ(Text(dialog, IDC_PRC_PROCESS), button == IDOK ? chosen : "typed.exe");
            Click(dialog, IDCANCEL);
        });
        driver.On("Select process", [&](HWND dialog) {
            HWND list = GetDlgItem(dialog, IDC_SEL_LIST);
            ASSERT_GT(SendMessageA(list, LB_GETCOUNT, 0, 0), 0);
            SendMessageA(list, LB_SETCURSEL, 0, 0);
            chosen = ListItems(list)[0];
            Click(dialog, button);
        });
        ShowProcessDialog(nullptr, &state);
    }
}

namespace {

struct Picker {
    const char* name;
    void (*show)(HWND owner, AppState* state);
    const char* owner_caption;
    int button, edit;
    const char* picker_caption;
    const char* first_filter;  // null for the folder browser
    const char* log_end;
};

const Picker pickers[] = {
    {"sound file", ShowMessageDialog, "Warning message", IDC_MSG_BROWSE_SOUND, IDC_MSG_SOUND_FILE,
     "Open", "Sound Files", "BrowseSoundFile end, filename="},
    {"program", ShowProgramDialog, "Program", IDC_PRG_BROWSE_PROGRAM, IDC_PRG_PROGRAM, "Open",
     "Programs", "BrowseProgram end, filename="},
    {"folder", ShowProgramDialog, "Program", IDC_PRG_BROWSE_DIRECTORY, IDC_PRG_DIRECTORY,
     "Browse for Folder", nullptr, "BrowseFolders end, directory="},
};

BOOL CALLBACK FindText(HWND child, LPARAM data)
{
    auto* wanted = (std::pair<const char*, bool>*)data;
    char text[256];
    GetWindowTextA(child, text, sizeof text);
    if (strcmp(text, wanted->first) == 0)
        wanted->second = true;
    return TRUE;
}

bool HasText(HWND window, const char* text)
{
    std::pair<const char*, bool> wanted(text, false);
    EnumChildWindows(window, FindText, (LPARAM)&wanted);
    return wanted.second;
}

// Types a file name into a file-open dialog and presses "Open".
void ChooseFile(HWND picker, const std::string& path)
{
    const int file_name_box = 0x47c, file_name_edit = 0x480;  // cmb13, edt1
    HWND box = GetDlgItem(picker, file_name_box);
    SetWindowTextA(box ? box : GetDlgItem(picker, file_name_edit), path.c_str());
    PostMessageA(picker, WM_COMMAND, IDOK, 0);
}

}  // namespace

TEST_F(SettingsDialogs, PickersOpenTheStandardDialogsAndACancelChangesNothing)
{
    ScratchLog log;
    std::string file = log.Path("chime.wav");
    HANDLE created = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(created);
    for (const Picker& p : pickers) {
        SCOPED_TRACE(p.name);
        InitSettings(&state);
        state.warning.play_sound = 1;
        strcpy(state.warning.sound_file, "keep");
        strcpy(state.program.program, "keep");
        strcpy(state.program.directory, "keep");
        std::string chosen;
        DialogDriver driver;
        driver.On(p.owner_caption, [&](HWND dialog) {
            Click(dialog, p.button);  // cancelled
            EXPECT_EQ(Text(dialog, p.edit), "keep");
            Click(dialog, p.button);  // a choice
            chosen = Text(dialog, p.edit);
            Click(dialog, IDCANCEL);
        });
        driver.On(p.picker_caption, [&](HWND picker) {
            EXPECT_EQ(GetWindow(picker, GW_OWNER), DialogDriver::Find(p.owner_caption));
            if (p.first_filter) {
                HWND filters = GetDlgItem(picker, 0x470);  // cmb1
                char first[64] = "", second[64] = "";
                SendMessageA(filters, CB_GETLBTEXT, 0, (LPARAM)first);
                SendMessageA(filters, CB_GETLBTEXT, 1, (LPARAM)second);
                EXPECT_STREQ(first, p.first_filter);
                EXPECT_STREQ(second, "All Files");
                EXPECT_EQ(SendMessageA(filters, CB_GETCURSEL, 0, 0), 0);
            } else {
                EXPECT_TRUE(HasText(picker, "Select Directory"));
            }
            PostMessageA(picker, WM_COMMAND, IDCANCEL, 0);
        });
        driver.On(p.picker_caption, [&](HWND picker) {
            if (p.first_filter)
                ChooseFile(picker, file);
            else
                PostMessageA(picker, WM_COMMAND, IDOK, 0);  // the folder it opened on
        });
        p.show(nullptr, &state);
        if (p.first_filter) {
            EXPECT_EQ(chosen, file);
            EXPECT_TRUE(log.Logged(p.log_end + file));
        } else {
            EXPECT_NE(chosen, "keep");
            EXPECT_NE(chosen, "");
            EXPECT_TRUE(log.Logged(p.log_end + chosen));
        }
        EXPECT_TRUE(log.Logged(p.log_end)) << "the cancelled picker";
    }
    DeleteFileA(file.c_str());
}

TEST_F(SettingsDialogs, IdleTakesItsMinutesAndOnlyTheCheckedLimits)
{
    struct {
        const char* name;
        int32_t cpu, net;                        // stored before
        const char *minutes, *cpu_text, *net_text;  // typed
        bool cpu_on, net_on;  // the boxes as the user leaves them
        const char* refused;  // the box's text, or null when OK takes the values
        int32_t minutes_after, cpu_after, net_after;
    } cases[] = {
        {"minutes only", 0, 0, "45", "", "", false, false, nullptr, 45, 0, 0},
        {"both limits checked", 0, 0, "1440", "15", "250", true, true, nullptr, 1440, 15, 250},
        {"a limit unchecked is off", 20, 300, "5", "20", "300", true, false, nullptr, 5, 20, 0},
        {"no minutes", 0, 0, "0", "", "", false, false, "Invalid idle time specified (1-1440 minutes)", 0, 0, 0},
        {"more than a day", 0, 0, "1441", "", "", false, false, "Invalid idle time specified (1-1440 minutes)", 0, 0, 0},
        {"load over 100", 0, 0, "10", "101", "", true, false, "Invalid processor load specified (1-100 %)", 0, 0, 0},
        {"checked without a value", 0, 0, "10", "", "", true, false, "Invalid processor load specified (1-100 %)", 0, 0, 0},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        InitSettings(&state);
        state.idle.cpu_percent = c.cpu;
        state.idle.net_kbps = c.net;
        Keep();
        BoxWatcher boxes;
        DialogDriver driver;
        driver.On("Idle", [&](HWND dialog) {
            EXPECT_EQ(Text(dialog, IDC_IDLE_MINUTES), "30");
            EXPECT_EQ(Checked(dialog, IDC_IDLE_CPU_ON), c.cpu > 0);
            EXPECT_EQ(Enabled(dialog, IDC_IDLE_CPU), c.cpu > 0);
            EXPECT_EQ(Checked(dialog, IDC_IDLE_NET_ON), c.net > 0);
            if (c.cpu_on != (c.cpu > 0))
                Click(dialog, IDC_IDLE_CPU_ON);
            if (c.net_on != (c.net > 0))
                Click(dialog, IDC_IDLE_NET_ON);
            EXPECT_EQ(Enabled(dialog, IDC_IDLE_CPU), c.cpu_on);
            SetDlgItemTextA(dialog, IDC_IDLE_MINUTES, c.minutes);
            SetDlgItemTextA(dialog, IDC_IDLE_CPU, c.cpu_text);
            SetDlgItemTextA(dialog, IDC_IDLE_NET, c.net_text);
            Click(dialog, IDOK);
            if (c.refused) {
                EXPECT_TRUE(IsWindowVisible(dialog)) << "a refused value keeps the dialog open";
                Click(dialog, IDCANCEL);
            }
        });
        ShowIdleDialog(nullptr, &state);
        if (c.refused) {
            ASSERT_EQ(BoxWatcher::boxes.size(), 1u);
            EXPECT_EQ(BoxWatcher::boxes[0].second, c.refused);
            EXPECT_TRUE(Unchanged());
        } else {
            EXPECT_TRUE(BoxWatcher::boxes.empty());
            EXPECT_EQ(state.idle.minutes, c.minutes_after);
            EXPECT_EQ(state.idle.cpu_percent, c.cpu_after);
            EXPECT_EQ(state.idle.net_kbps, c.net_after);
        }
    }
}

TEST_F(SettingsDialogs, MainWindowButtonsOpenThem)
{
    struct {
        int button;
        const char* caption;
    } cases[] = {{IDC_MESSAGE, "Warning message"},
                 {IDC_SCHEDULE, "Schedule"},
                 {IDC_PROCESS, "Process"},
                 {IDC_IDLE, "Idle"},
                 {IDC_PROGRAM, "Program"}};
    ASSERT_EQ(InitDialog(nullptr, g_instance, &state), 1);
    HWND window = g_main_window;
    for (auto& c : cases) {
        SCOPED_TRACE(c.caption);
        HWND owner = nullptr;
        DialogDriver driver;
        driver.On(c.caption, [&](HWND dialog) {
            owner = GetWindow(dialog, GW_OWNER);
            Click(dialog, IDCANCEL);
        });
        SendMessageA(window, WM_COMMAND, c.button, 0);
        EXPECT_EQ(owner, window);
    }
    DestroyWindow(window);
    g_main_window = nullptr;
}

TEST_F(SettingsDialogs, ADialogThatCannotBeMadeIsReportedToItsOwner)
{
    struct {
        void (*show)(HWND, AppState*);
        std::string name;
    } shows[] = {{ShowScheduleDialog, "ShowScheduleDialog"},
                 {ShowMessageDialog, "ShowMessageDialog"},
                 {ShowProgramDialog, "ShowProgramDialog"},
                 {ShowProcessDialog, "ShowProcessDialog"},
                 {ShowIdleDialog, "ShowIdleDialog"}};
    ScratchLog log;
    g_instance = GetModuleHandleA("kernel32.dll");  // holds none of the templates
    Keep();
    for (auto& c : shows) {
        SCOPED_TRACE(c.name);
        BoxWatcher boxes;
        HWND owner = CreateWindowA("STATIC", "owner", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        c.show(owner, &state);
        DestroyWindow(owner);
        ASSERT_EQ(BoxWatcher::boxes.size(), 1u);
        EXPECT_EQ(BoxWatcher::boxes[0].first, "haltall");
        EXPECT_FALSE(BoxWatcher::boxes[0].second.empty());
        EXPECT_TRUE(log.Logged(c.name + " start"));
        EXPECT_TRUE(log.Logged(c.name + " end"));
    }
    EXPECT_TRUE(Unchanged());
}
