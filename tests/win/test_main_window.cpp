// The main window on its real template: the controls <-> record mapping,
// the enable rules, the kinds of run and the tray menu states.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "actions/action_calls.h"
#include "actions/dispatch.h"
#include "core/action_words.h"
#include "core/app_state.h"
#include "core/report.h"
#include "core/start_up.h"
#include "resource.h"
#include "box_watcher.h"
#include "controls.h"
#include "record_bytes.h"
#include "dialog_driver.h"
#include "scratch_log.h"
#include "ui/main_window.h"
#include "ui/tray.h"

namespace {

AppState Defaults()
{
    AppState state;
    InitSettings(&state);
    return state;
}

bool QuitPosted()
{
    MSG message;
    return PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
}

// The main window made by InitDialog for one record; destroyed at the end.
class MainWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_instance = GetModuleHandleA(nullptr);
        if (!g_tray_menu)
            g_tray_menu = LoadMenuA(g_instance, MAKEINTRESOURCEA(IDM_TRAY));
        state = Defaults();
    }
    void TearDown() override
    {
        if (window)
            DestroyWindow(window);
        g_main_window = nullptr;
        QuitPosted();
    }
    HWND Open()
    {
        EXPECT_EQ(InitDialog(nullptr, g_instance, &state), 1);
        window = g_main_window;
        return window;
    }
    UINT TrayItem(UINT id) { return GetMenuState(GetSubMenu(g_tray_menu, 0), id, MF_BYCOMMAND) & MF_GRAYED; }

    AppState state;
    HWND window = nullptr;
};

}  // namespace

TEST_F(MainWindow, ShowsTheTitleAndTheRecord)
{
    state.action = HIBERNATE;
    state.who = REMOTE_GROUP;
    state.when = PROCESS;
    state.options.force = 1;
    state.options.in_tray = 0;
    Open();
    char title[64];
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ(title, "Haltall 3.0.2.0");
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_TRUE(Checked(window, IDC_HIBERNATE));
    EXPECT_TRUE(Checked(window, IDC_GROUP));
    EXPECT_TRUE(Checked(window, IDC_WHEN_PROCESS));
    EXPECT_TRUE(Checked(window, IDC_FORCE));
    EXPECT_FALSE(Checked(window, IDC_IN_TRAY));
    EXPECT_TRUE(Checked(window, IDC_ALLOW_CANCEL));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(window, IDC_PROGRESS)));
}

TEST_F(MainWindow, ClickingControlsChangesTheRecord)
{
    Open();
    Click(window, IDC_REMOTE_COMPUTER);
    Click(window, IDC_MONITOR_ON);
    Click(window, IDC_WHEN_SCHEDULED);
    Click(window, IDC_WARNING);
    Click(window, IDC_ALLOW_CANCEL);
    EXPECT_EQ(state.who, REMOTE_COMPUTER);
    EXPECT_EQ(state.action, MONITOR_ON);
    EXPECT_EQ(state.when, SCHEDULED);
    EXPECT_EQ(state.options.warning, 1);
    EXPECT_EQ(state.options.allow_cancel, 0);
    EXPECT_TRUE(Enabled(window, IDC_SPECIFY));
    EXPECT_TRUE(Enabled(window, IDC_MESSAGE));
    EXPECT_TRUE(Enabled(window, IDC_SCHEDULE));
    EXPECT_FALSE(Enabled(window, IDC_PROCESS));

    Click(window, IDC_WHEN_PROCESS);
    EXPECT_FALSE(Enabled(window, IDC_SCHEDULE));
    EXPECT_TRUE(Enabled(window, IDC_PROCESS));
    EXPECT_FALSE(Enabled(window, IDC_IDLE));
    Click(window, IDC_WHEN_IDLE);
    EXPECT_EQ(state.when, IDLE);
    EXPECT_FALSE(Enabled(window, IDC_PROCESS));
    EXPECT_TRUE(Enabled(window, IDC_IDLE));
    Click(window, IDC_WHEN_IMMEDIATE);
    EXPECT_FALSE(Enabled(window, IDC_SCHEDULE));
    EXPECT_FALSE(Enabled(window, IDC_PROCESS));
    EXPECT_FALSE(Enabled(window, IDC_IDLE));
}

TEST_F(MainWindow, EnableRules)
{
    struct {
        DWORD platform, major;
        Action action;
        Who who;
        Action shown_action;
        Who shown_who;
        bool local_enabled, lock_enabled;
    } cases[] = {
        {2, 6, WAKE_ON_LAN, LOCAL_COMPUTER, WAKE_ON_LAN, REMOTE_COMPUTER, false, true},
        {2, 6, WAKE_ON_LAN, REMOTE_GROUP, WAKE_ON_LAN, REMOTE_GROUP, false, true},
        {2, 6, LOCK, LOCAL_COMPUTER, LOCK, LOCAL_COMPUTER, true, true},
        // Lock is greyed on NT 4 and 9x, but a given LOCK is never turned
        // into another action: "Do it" refuses it.
        {2, 4, LOCK, LOCAL_COMPUTER, LOCK, LOCAL_COMPUTER, true, false},  // NT 4
        {1, 4, LOCK, LOCAL_COMPUTER, LOCK, LOCAL_COMPUTER, true, false},  // Windows 9x
        {1, 4, LOCK, REMOTE_COMPUTER, LOCK, REMOTE_COMPUTER, true, true},     // remote may lock
    };
    for (auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "platform " << c.platform << " major " << c.major
                                        << " action " << c.action << " who " << c.who);
        state = Defaults();
        state.os_version.dwPlatformId = c.platform;
        state.os_version.dwMajorVersion = c.major;
        state.action = c.action;
        state.who = c.who;
        Open();
        EXPECT_EQ(state.action, c.shown_action);
        EXPECT_EQ(state.who, c.shown_who);
        EXPECT_TRUE(Checked(window, c.shown_who == LOCAL_COMPUTER ? IDC_LOCAL_COMPUTER
                                    : c.shown_who == REMOTE_COMPUTER ? IDC_REMOTE_COMPUTER
                                                                     : IDC_GROUP));
        EXPECT_EQ(Enabled(window, IDC_LOCAL_COMPUTER), c.local_enabled);
        EXPECT_EQ(Enabled(window, IDC_LOCK), c.lock_enabled);
        EXPECT_TRUE(Checked(window, c.shown_action == LOCK ? IDC_LOCK : IDC_WAKE_ON_LAN));
        DestroyWindow(window);
        window = nullptr;
    }
}

TEST_F(MainWindow, LeavingWakeOnLanEnablesLocalComputerAgainButKeepsRemote)
{
    Open();
    Click(window, IDC_WAKE_ON_LAN);
    EXPECT_EQ(state.who, REMOTE_COMPUTER);
    EXPECT_FALSE(Enabled(window, IDC_LOCAL_COMPUTER));
    Click(window, IDC_REBOOT);
    EXPECT_TRUE(Enabled(window, IDC_LOCAL_COMPUTER));
    EXPECT_TRUE(Checked(window, IDC_REMOTE_COMPUTER));
}

TEST_F(MainWindow, KindsOfRun)
{
    struct {
        const char* name;
        void (*prepare)(AppState*);
        bool visible, quit;
    } cases[] = {
        {"normal", [](AppState*) {}, true, false},
        {"minimized", [](AppState* s) { s->start_minimized = 1; }, false, false},
        {"service", [](AppState* s) { s->run_as_service = 1; }, false, false},
        {"action word, immediate",
         [](AppState* s) {
             s->interactive = 0;
             s->action = NO_ACTION;
             s->simulate = 1;
         },
         false, true},
        {"action word, refused",
         [](AppState* s) {
             s->interactive = 0;
             s->quiet = 1;
             s->action = WAKE_ON_LAN;  // on the local computer
             s->who = LOCAL_COMPUTER;
         },
         false, true},
        {"action word, scheduled",
         [](AppState* s) {
             s->interactive = 0;
             s->when = SCHEDULED;
             s->schedule.schedule = AFTER_X_SECONDS;
             s->schedule.seconds = 3600;
             s->options.in_tray = 0;
         },
         false, false},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        state = Defaults();
        c.prepare(&state);
        Open();
        EXPECT_EQ(IsWindowVisible(window) != 0, c.visible);
        EXPECT_EQ(QuitPosted(), c.quit);
        KillTimer(window, TIMER_SCHEDULE);
        DestroyWindow(window);
        window = nullptr;
    }
}

TEST_F(MainWindow, CloseEndsANormalRunButOnlyHidesAService)
{
    Open();
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(QuitPosted());

    state.run_as_service = 1;
    SendMessageA(window, WM_COMMAND, IDC_CLOSE, 0);
    EXPECT_FALSE(QuitPosted());
    EXPECT_FALSE(IsWindowVisible(window));
}

TEST_F(MainWindow, MinimizeGoesToTheTray)
{
    Open();
    ShowWindow(window, SW_MINIMIZE);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_FALSE(QuitPosted());
}

TEST_F(MainWindow, TrayMenuStates)
{
    struct {
        uint32_t active_timer;
        Flag allow_cancel, service;
        DWORD platform;
        bool cancel, exit, restore, lock;
    } cases[] = {
        {1, 1, 0, 2, true, true, false, true},
        {1, 0, 0, 2, false, false, false, true},
        {0, 1, 0, 2, false, true, true, true},
        {0, 0, 0, 1, false, true, true, false},  // Windows 9x has no lock
        {0, 1, 1, 2, false, false, true, true},  // a service cannot be exited
    };
    Open();
    for (auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "timer " << c.active_timer << " cancel " << c.allow_cancel
                                        << " service " << c.service << " platform " << c.platform);
        state.active_timer = c.active_timer;
        state.options.allow_cancel = c.allow_cancel;
        state.run_as_service = c.service;
        state.os_version.dwPlatformId = c.platform;
        MinimizeHaltall(window, &state);
        EXPECT_EQ(TrayItem(ID_TRAY_CANCEL) == 0, c.cancel);
        EXPECT_EQ(TrayItem(ID_TRAY_EXIT) == 0, c.exit);
        EXPECT_EQ(TrayItem(ID_TRAY_RESTORE) == 0, c.restore);
        EXPECT_EQ(TrayItem(ID_TRAY_LOCK) == 0, c.lock);
        EnableMenuItem(GetSubMenu(g_tray_menu, 0), ID_TRAY_LOCK, MF_BYCOMMAND | MF_ENABLED);
    }
    state.active_timer = 0;
    state.run_as_service = 0;
}

TEST_F(MainWindow, AnArmedWindowShowsWhatIsArmedAndOnlyStopsOrHides)
{
    state.start_minimized = 1;
    Open();
    EXPECT_EQ(Text(window, IDC_STATUS), "No action is armed");
    state.active_timer = 1;
    state.when = PROCESS;
    CopyField(state.process.process, "notepad.exe");
    RestoreHaltall(window, &state);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(Text(window, IDC_STATUS), "Power off when notepad.exe ends");
    EXPECT_EQ(Text(window, IDC_DOIT), "&Stop action");
    EXPECT_TRUE(Enabled(window, IDC_DOIT));
    EXPECT_TRUE(Enabled(window, IDC_CLOSE));
    // The armed action's settings cannot be changed under it.
    for (int id : {IDC_REBOOT, IDC_WHEN_IMMEDIATE, IDC_FORCE, IDC_GROUP, IDC_PROCESS})
        EXPECT_FALSE(Enabled(window, id)) << id;
    EXPECT_TRUE(GetMenuState(GetMenu(window), 0, MF_BYPOSITION) & MF_GRAYED);

    // Closing hides it, armed; it does not end the program.
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(QuitPosted());
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(state.active_timer, 1u);

    // Without "Allow cancel" it cannot be stopped from here either.
    state.options.allow_cancel = 0;
    RestoreHaltall(window, &state);
    DisplaySettings(window, &state);
    EXPECT_FALSE(Enabled(window, IDC_DOIT));
    Click(window, IDC_DOIT);
    EXPECT_EQ(state.active_timer, 1u);

    state.options.allow_cancel = 1;
    DisplaySettings(window, &state);
    Click(window, IDC_DOIT);
    EXPECT_EQ(state.active_timer, 0u);
    EXPECT_EQ(Text(window, IDC_STATUS), "No action is armed");
    EXPECT_EQ(Text(window, IDC_DOIT), "&Do it");
    EXPECT_TRUE(Enabled(window, IDC_REBOOT));
    EXPECT_TRUE(Enabled(window, IDC_PROCESS));
    EXPECT_FALSE(GetMenuState(GetMenu(window), 0, MF_BYPOSITION) & MF_GRAYED);
}

TEST_F(MainWindow, QuickActionAsksFirstAndNoLeavesTheRecordAlone)
{
    ScratchLog log;
    Open();
    state.simulate = 1;
    state.quiet = 1;
    state.options.warning = 1;
    state.options.allow_cancel = 0;  // the countdown's Cancel has no say here
    state.when = SCHEDULED;
    state.who = REMOTE_COMPUTER;
    std::vector<unsigned char> before = RecordBytes(state);
    {
        BoxWatcher watcher(BoxWatcher::PRESS_RETURN);  // No is the default answer
        DoQuickAction(SystemActionCalls(), &state, MONITOR_OFF);
        ASSERT_EQ(BoxWatcher::boxes.size(), 1u);
        EXPECT_EQ(BoxWatcher::boxes[0].first, "Haltall");
        EXPECT_EQ(BoxWatcher::boxes[0].second, "Turn off the monitor of this computer now?");
    }
    EXPECT_EQ(RecordBytes(state), before);
    {
        BoxWatcher watcher(IDYES);
        DoQuickAction(SystemActionCalls(), &state, MONITOR_OFF);
    }
    EXPECT_EQ(state.action, MONITOR_OFF);
    EXPECT_EQ(state.when, IMMEDIATE);
    EXPECT_EQ(state.options.warning, 0);
    EXPECT_TRUE(log.Logged("ERROR: DoTurnOffMonitor"));

    state.options.confirm_quick_actions = 0;  // acts without asking
    BoxWatcher watcher(IDNO);
    DoQuickAction(SystemActionCalls(), &state, STANDBY);
    EXPECT_TRUE(BoxWatcher::boxes.empty());
    EXPECT_EQ(state.action, STANDBY);
}

TEST_F(MainWindow, KeyboardTabArrowsAndEnter)
{
    ScratchLog log;
    state.quiet = 1;
    state.simulate = 1;
    Open();
    // At first start (power off, at once, no warning) Return does nothing,
    // wherever the focus is but on a button.
    for (int id : {0, IDC_POWEROFF, IDC_WARNING}) {
        if (id)
            SetFocus(GetDlgItem(window, id));
        BoxWatcher watcher(IDYES);
        PressKey(window, VK_RETURN);
        EXPECT_TRUE(BoxWatcher::boxes.empty());
    }
    EXPECT_FALSE(log.Logged("DoIt start"));
    EXPECT_NE(LOWORD(SendMessageA(window, DM_GETDEFID, 0, 0)), IDC_DOIT);

    SetFocus(GetDlgItem(window, IDC_POWEROFF));
    PressKey(window, VK_DOWN);
    EXPECT_EQ(GetDlgCtrlID(GetFocus()), IDC_STANDBY);
    EXPECT_EQ(state.action, STANDBY);
    // Tab comes back into the group at the chosen action.
    auto tab_stop = [&](int id) { return (GetWindowLongA(GetDlgItem(window, id), GWL_STYLE) & WS_TABSTOP) != 0; };
    EXPECT_TRUE(tab_stop(IDC_STANDBY));
    EXPECT_FALSE(tab_stop(IDC_POWEROFF));

    PressKey(window, VK_TAB);
    EXPECT_NE(GetDlgCtrlID(GetFocus()), IDC_STANDBY);
}

TEST_F(MainWindow, DoItAsksBeforeEndingTheSessionAtOnce)
{
    ScratchLog log;
    state.quiet = 1;
    state.simulate = 1;
    Open();
    struct {
        Action action;
        When when;
        Flag warning;
        int seconds;
        const char* question;  // null: no question
    } cases[] = {
        {POWEROFF, IMMEDIATE, 0, 30, "Power off this computer now?"},
        {REBOOT, IMMEDIATE, 1, 0, "Restart this computer now?"},  // a 0 s warning gives no time
        {LOGOFF, IMMEDIATE, 0, 30, "Log off the user of this computer now?"},
        {SHUTDOWN, IMMEDIATE, 1, 2, nullptr},  // the countdown can be seen
        {STANDBY, IMMEDIATE, 0, 30, nullptr},   // nothing is lost
        {NO_ACTION, IMMEDIATE, 0, 30, nullptr},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "action " << c.action << " warning " << c.warning);
        state.action = c.action;
        state.when = c.when;
        state.options.warning = c.warning;
        state.warning.seconds = c.seconds;
        DisplaySettings(window, &state);
        // Return answers with the default button, which must be No.
        for (int answer : {BoxWatcher::PRESS_RETURN, IDYES}) {
            int acted = log.CountStartingWith("DoIt start");
            BoxWatcher watcher(answer);
            Click(window, IDC_DOIT);
            if (c.question) {
                ASSERT_EQ(BoxWatcher::boxes.size(), 1u);
                EXPECT_EQ(BoxWatcher::boxes[0].second, c.question);
                EXPECT_EQ(BoxWatcher::owners[0], window);
                EXPECT_EQ(log.CountStartingWith("DoIt start"), acted + (answer == IDYES));
            } else {
                EXPECT_TRUE(BoxWatcher::boxes.empty());
                EXPECT_EQ(log.CountStartingWith("DoIt start"), acted + 1);
                break;
            }
        }
    }
    // The question names the remote computer, or the group and its size,
    // and says what forcing means.
    state.action = POWEROFF;
    state.options.warning = 0;
    state.options.force = 1;
    state.who = REMOTE_COMPUTER;
    CopyField(state.remote.computer_name, "192.168.1.20");
    char question[MESSAGE_SIZE];
    ActionQuestion(&state, question, sizeof question);
    EXPECT_STREQ(question, "Power off 192.168.1.20 now?\n\nApplications are closed without asking to save their work.");
    state.who = REMOTE_GROUP;
    state.options.force = 0;
    state.group_count = 3;
    ActionQuestion(&state, question, sizeof question);
    EXPECT_STREQ(question, "Power off the 3 computers of the group now?");
    state.group_count = 0;
}

namespace {

struct TrayCall {
    DWORD message;
    std::string tip;
    HICON icon;
};
std::vector<TrayCall> tray_calls;

BOOL WINAPI RecordTrayCall(DWORD message, PNOTIFYICONDATAA data)
{
    tray_calls.push_back({message, message == NIM_ADD ? data->szTip : "",
                          data->uFlags & NIF_ICON ? data->hIcon : nullptr});
    return TRUE;
}

// Puts the recorder in the shell's place for one test.
struct TrayRecorder {
    TrayRecorder()
    {
        tray_calls.clear();
        g_shell_notify_icon = RecordTrayCall;
    }
    ~TrayRecorder() { g_shell_notify_icon = Shell_NotifyIconA; }
};

}  // namespace

TEST_F(MainWindow, TrayIconWhenMinimized)
{
    TrayRecorder recorder;
    state.options.in_tray = 0;
    state.start_minimized = 1;
    Open();  // an idle window keeps its icon even with "Visible in tray" off
    ASSERT_EQ(tray_calls.size(), 1u);
    EXPECT_EQ(tray_calls[0].message, (DWORD)NIM_ADD);
    EXPECT_EQ(tray_calls[0].tip, "Haltall idle");

    tray_calls.clear();
    state.active_timer = 1;  // armed: only with "Visible in tray"
    MinimizeHaltall(window, &state);
    EXPECT_TRUE(tray_calls.empty());
    state.options.in_tray = 1;
    state.when = PROCESS;
    CopyField(state.process.process, "notepad.exe");
    MinimizeHaltall(window, &state);
    ASSERT_EQ(tray_calls.size(), 1u);
    EXPECT_EQ(tray_calls[0].tip, "Power off when notepad.exe ends");
    // The icon shows that something is armed.
    HICON idle_icon = LoadIconA(g_instance, MAKEINTRESOURCEA(IDI_SMALL));
    EXPECT_NE(tray_calls[0].icon, nullptr);
    EXPECT_NE(tray_calls[0].icon, idle_icon);

    tray_calls.clear();
    state.active_timer = 0;
    RestoreHaltall(window, &state);
    ASSERT_EQ(tray_calls.size(), 1u);
    EXPECT_EQ(tray_calls[0].message, (DWORD)NIM_DELETE);
}

TEST_F(MainWindow, AServiceRefreshesItsIconEveryFiveSeconds)
{
    TrayRecorder recorder;
    state.run_as_service = 1;
    Open();
    ASSERT_EQ(tray_calls.size(), 1u);
    SendMessageA(window, WM_TIMER, TIMER_TRAY, 0);
    EXPECT_EQ(tray_calls.size(), 2u);
    EXPECT_EQ(tray_calls[1].message, (DWORD)NIM_ADD);
    EXPECT_EQ(KillTimer(window, TIMER_TRAY), TRUE);  // the refresh timer was running
}

TEST_F(MainWindow, SpecifyForAGroupOpensTheGroupEditor)
{
    state.who = REMOTE_GROUP;
    Open();
    DialogDriver driver;
    bool opened = false;
    driver.On("Edit Group - <New>", [&](HWND editor) {
        opened = GetParent(editor) == window || GetWindow(editor, GW_OWNER) == window;
        Click(editor, IDOK);
    });
    SendMessageA(window, WM_COMMAND, IDC_SPECIFY, 0);
    EXPECT_TRUE(opened);
}

namespace {

struct Clipped {
    std::vector<std::string> captions;
};

// Adds the caption of a button or static that its control cannot show whole:
// check boxes and radio buttons lose their box and a gap, push buttons and
// group boxes their frame.
BOOL CALLBACK FindClipped(HWND control, LPARAM data)
{
    char class_name[32], text[128];
    GetClassNameA(control, class_name, sizeof class_name);
    GetWindowTextA(control, text, sizeof text);
    // A mnemonic's "&" is not drawn.
    char* to = text;
    for (const char* from = text; *from; from++)
        if (*from != '&' || from[1] == '&')
            *to++ = *from;
    *to = '\0';
    if (!text[0] || !IsWindowVisible(control) ||
        (lstrcmpiA(class_name, "Button") != 0 && lstrcmpiA(class_name, "Static") != 0))
        return TRUE;
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, (HFONT)SendMessageA(control, WM_GETFONT, 0, 0));
    SIZE size;
    GetTextExtentPoint32A(dc, text, lstrlenA(text), &size);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    RECT client;
    GetClientRect(control, &client);
    LONG style = GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK;
    int frame = 0;
    if (lstrcmpiA(class_name, "Button") == 0)
        frame = style == BS_PUSHBUTTON || style == BS_DEFPUSHBUTTON || style == BS_GROUPBOX
                    ? 8
                    : GetSystemMetrics(SM_CXMENUCHECK) + 4;
    if (size.cx + frame > client.right)
        ((Clipped*)data)->captions.push_back(text);
    return TRUE;
}

}  // namespace

TEST_F(MainWindow, EveryCaptionShowsWhole)
{
    Open();
    Clipped clipped;
    EnumChildWindows(window, FindClipped, (LPARAM)&clipped);
    EXPECT_EQ(clipped.captions, std::vector<std::string>{});
}

TEST_F(MainWindow, TheSmallIconHasTheSystemsSmallIconSize)
{
    Open();
    HICON icon = (HICON)SendMessageA(window, WM_GETICON, ICON_SMALL, 0);
    ICONINFO info;
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP bitmap;
    GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
    EXPECT_EQ(bitmap.bmWidth, GetSystemMetrics(SM_CXSMICON));
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
}

namespace {

COLORREF PixelOfIcon(HICON icon, int size, COLORREF background, int x, int y)
{
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof info.bmiHeader, size, -size, 1, 32, BI_RGB};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all = {0, 0, size, size};
    HBRUSH brush = CreateSolidBrush(background);
    FillRect(dc, &all, brush);
    DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    COLORREF pixel = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteObject(brush);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return pixel;
}

}  // namespace

// Caption and tray take 16 px, Alt+Tab and the desktop 32, Explorer's larger
// views 48: each is stored (not scaled from another) and draws the white
// symbol on the red disc, with the corners left to what lies below.
TEST(Icons, EachSizeIsStoredAndDrawsTheSymbolOnTheDiscCutOut)
{
    HMODULE module = GetModuleHandleA(nullptr);
    struct Case {
        int group, size;
    } cases[] = {{IDI_BIG, 16}, {IDI_BIG, 32}, {IDI_BIG, 48}, {IDI_SMALL, 16}, {IDI_SMALL, 32}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "group " << c.group << ", " << c.size << " px");
        HRSRC group = FindResourceA(module, MAKEINTRESOURCEA(c.group), MAKEINTRESOURCEA(14));
        ASSERT_TRUE(group);
        int id = LookupIconIdFromDirectoryEx((BYTE*)LockResource(LoadResource(module, group)), TRUE,
                                             c.size, c.size, LR_DEFAULTCOLOR);
        HRSRC image = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(3));
        ASSERT_TRUE(image);
        EXPECT_EQ(((BITMAPINFOHEADER*)LockResource(LoadResource(module, image)))->biWidth, c.size);

        HICON icon = (HICON)LoadImageA(module, MAKEINTRESOURCEA(c.group), IMAGE_ICON, c.size, c.size, 0);
        ASSERT_TRUE(icon);
        for (COLORREF background : {RGB(255, 255, 255), RGB(0, 0, 0)}) {
            EXPECT_EQ(PixelOfIcon(icon, c.size, background, 0, 0), background);
            COLORREF bar = PixelOfIcon(icon, c.size, background, c.size / 2, c.size * 3 / 10);
            EXPECT_GT(GetRValue(bar) + GetGValue(bar) + GetBValue(bar), 3 * 230) << std::hex << bar;
            COLORREF disc = PixelOfIcon(icon, c.size, background, c.size * 15 / 100, c.size / 2);
            EXPECT_TRUE(GetRValue(disc) > 150 && GetGValue(disc) < 100 && GetBValue(disc) < 100)
                << std::hex << disc;
        }
        DestroyIcon(icon);
    }
}
