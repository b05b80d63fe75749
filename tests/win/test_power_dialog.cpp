// The "Power options" dialog on its real template, the main window's button
// that opens it, and the Remote computer dialog's "Abort shutdown".
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>

#include "box_watcher.h"
#include "core/app_state.h"
#include "dialog_driver.h"
#include "resource.h"
#include "ui/main_window.h"
#include "ui/power_dialog.h"
#include "ui/remote_dialogs.h"

namespace {

typedef DialogTest PowerDialog;

}  // namespace

TEST_F(PowerDialog, ShowsTheRecordAndStoresOnlyOnOkWithAValidCode)
{
    state.power.hybrid = 1;
    state.power.boot_options = 1;
    strcpy(state.power.reason, "Patch day");
    state.power.reason_code = 0x20011;
    Keep();

    // Cancel: nothing changes.
    {
        DialogDriver driver;
        driver.On("Power options", [&](HWND dialog) {
            EXPECT_TRUE(Checked(dialog, IDC_PWR_HYBRID));
            EXPECT_FALSE(Checked(dialog, IDC_PWR_RESTART_APPS));
            EXPECT_TRUE(Checked(dialog, IDC_PWR_INTO_BOOT_OPTIONS));
            EXPECT_FALSE(Checked(dialog, IDC_PWR_INTO_WINDOWS));
            EXPECT_EQ(Text(dialog, IDC_PWR_REASON), "Patch day");
            EXPECT_EQ(Text(dialog, IDC_PWR_REASON_CODE), "2:17");
            Click(dialog, IDC_PWR_RESTART_APPS);
            Click(dialog, IDCANCEL);
        });
        ShowPowerDialog(nullptr, &state);
        EXPECT_TRUE(Unchanged());
    }

    // A bad code is refused with a box and the dialog stays open; a good
    // one stores everything.
    BoxWatcher boxes;
    DialogDriver driver;
    driver.On("Power options", [&](HWND dialog) {
        Click(dialog, IDC_PWR_HYBRID);
        Click(dialog, IDC_PWR_RESTART_APPS);
        Click(dialog, IDC_PWR_INTO_FIRMWARE);
        SetDlgItemTextA(dialog, IDC_PWR_REASON, "Disk swap");
        SetDlgItemTextA(dialog, IDC_PWR_REASON_CODE, "2");
        Click(dialog, IDOK);
        EXPECT_TRUE(IsWindowVisible(dialog));
        EXPECT_TRUE(Unchanged());
        SetDlgItemTextA(dialog, IDC_PWR_REASON_CODE, "1:1");
        Click(dialog, IDOK);
    });
    ShowPowerDialog(nullptr, &state);
    ASSERT_EQ(BoxWatcher::boxes.size(), 1u);
    EXPECT_EQ(BoxWatcher::boxes[0].second,
              "Invalid reason code specified (major:minor, at most 255:65535)");
    EXPECT_EQ(state.power.hybrid, 0);
    EXPECT_EQ(state.power.restart_apps, 1);
    EXPECT_EQ(state.power.firmware, 1);
    EXPECT_EQ(state.power.boot_options, 0);
    EXPECT_STREQ(state.power.reason, "Disk swap");
    EXPECT_EQ(state.power.reason_code, 0x10001u);
}

TEST_F(PowerDialog, MainWindowButtonOpensIt)
{
    ASSERT_EQ(InitDialog(nullptr, g_instance, &state), 1);
    HWND window = g_main_window;
    HWND owner = nullptr;
    DialogDriver driver;
    driver.On("Power options", [&](HWND dialog) {
        owner = GetWindow(dialog, GW_OWNER);
        Click(dialog, IDCANCEL);
    });
    SendMessageA(window, WM_COMMAND, IDC_POWER_OPTIONS, 0);
    EXPECT_EQ(owner, window);
    DestroyWindow(window);
    g_main_window = nullptr;
}

TEST_F(PowerDialog, RemoteComputerAbortsForTheNamedComputerWithoutStoringIt)
{
    state.action = REBOOT;
    state.simulate = 1;  // the call is named in a box instead of made
    strcpy(state.remote.computer_name, "stored");
    Keep();
    BoxWatcher boxes;
    DialogDriver driver;
    driver.On("Remote computer", [&](HWND dialog) {
        // Only the system's own remote shutdown can be aborted.
        EXPECT_FALSE(Enabled(dialog, IDC_REMOTE_ABORT));
        Click(dialog, IDC_REMOTE_USE_NT);
        EXPECT_TRUE(Enabled(dialog, IDC_REMOTE_ABORT));
        SetDlgItemTextA(dialog, IDC_REMOTE_NAME, "");
        Click(dialog, IDC_REMOTE_ABORT);
        SetDlgItemTextA(dialog, IDC_REMOTE_NAME, "pc9");
        Click(dialog, IDC_REMOTE_ABORT);
        Click(dialog, IDCANCEL);
    });
    ShowRemoteDialog(nullptr, &state);
    ASSERT_EQ(BoxWatcher::boxes.size(), 2u);
    EXPECT_EQ(BoxWatcher::boxes[0].second, "No remote computer specified");
    EXPECT_EQ(BoxWatcher::boxes[1].second, "AbortSystemShutdown(pc9)");
    EXPECT_TRUE(Unchanged());
}
