// Message boxes, the log and the registry as the reporting and settings
// operations really use them under Windows.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/report.h"
#include "core/settings_store.h"
#include "box_watcher.h"
#include "scratch_log.h"

namespace {

AppState Defaults(bool quiet = false)
{
    AppState state;
    InitSettings(&state);
    state.quiet = quiet;
    return state;
}

const char TEST_KEY[] = "SOFTWARE\\HaltallTests\\Reporting";

}  // namespace

TEST(Reporting, ErrorShowsItsBoxUnlessTheRecordIsQuiet)
{
    ScratchLog log;
    BoxWatcher watcher;
    AppState quiet = Defaults(true);
    Error(&quiet, nullptr, "hidden");
    EXPECT_TRUE(BoxWatcher::boxes.empty());
    EXPECT_TRUE(log.Logged("ERROR: hidden"));

    Error(nullptr, nullptr, "shown without a record");
    ASSERT_EQ(BoxWatcher::boxes.size(), 1u);
    EXPECT_EQ(BoxWatcher::boxes[0].first, "haltall");
    EXPECT_EQ(BoxWatcher::boxes[0].second, "shown without a record");
}

TEST(Reporting, InformationNeedsAWindow)
{
    ScratchLog log;
    BoxWatcher watcher;
    AppState state = Defaults();
    DisplayInformation(&state, nullptr, "only logged");
    EXPECT_TRUE(BoxWatcher::boxes.empty());
    EXPECT_TRUE(log.Logged("INFO: only logged"));

    DisplayInformation(&state, GetDesktopWindow(), "shown");
    ASSERT_EQ(BoxWatcher::boxes.size(), 1u);
    EXPECT_EQ(BoxWatcher::boxes[0].first, "Haltall");
}

TEST(Reporting, LastErrorWithAndWithoutSystemText)
{
    ScratchLog log;
    BoxWatcher watcher;
    AppState state = Defaults();
    SetLastError(ERROR_FILE_NOT_FOUND);
    DisplayLastError(&state, nullptr);
    EXPECT_TRUE(BoxWatcher::boxes.empty());
    EXPECT_EQ(log.CountStartingWith("ERROR: "), 1);

    HWND owner = GetDesktopWindow();  // may itself reset the error code
    SetLastError(12345678);
    DisplayLastError(&state, owner);
    ASSERT_EQ(BoxWatcher::boxes.size(), 1u);
    EXPECT_EQ(BoxWatcher::boxes[0].second, "Unknown error (12345678)");
}

TEST(SettingsRegistry, SaveAndReadThroughTheRealRegistry)
{
    DeleteRegKey(HKEY_CURRENT_USER, TEST_KEY);
    AppState saved = Defaults();
    saved.action = LOCK;
    saved.options.force = -1;
    CopyField(saved.warning.message, "a\r\nb");
    saved.schedule.time.wHour = 23;
    saved.schedule.time.wMinute = 59;
    ASSERT_EQ(SaveSettings(HKEY_CURRENT_USER, TEST_KEY, &saved), 1);

    AppState loaded = Defaults();
    ASSERT_EQ(ReadSettings(HKEY_CURRENT_USER, TEST_KEY, &loaded), 1);
    EXPECT_EQ(loaded.action, LOCK);
    EXPECT_EQ(loaded.options.force, -1);
    EXPECT_STREQ(loaded.warning.message, "a\r\nb");
    EXPECT_EQ(loaded.schedule.time.wHour, 23);
    EXPECT_EQ(loaded.schedule.time.wMinute, 59);

    // Values of the wrong type, or longer than their field, are left unread.
    ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, TEST_KEY, "who", "1"));
    ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, TEST_KEY, "mac_address", "00112233445566"));
    ASSERT_TRUE(WriteRegDword(HKEY_CURRENT_USER, TEST_KEY, "process", 5));
    char buffer[14] = "kept";
    EXPECT_FALSE(ReadRegString(HKEY_CURRENT_USER, TEST_KEY, "mac_address", buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "kept");
    int16_t flag = 7;
    EXPECT_FALSE(ReadRegShort(HKEY_CURRENT_USER, TEST_KEY, "who", &flag));
    EXPECT_EQ(flag, 7);
    AppState again = Defaults();
    CopyField(again.process.process, "before");
    ASSERT_EQ(ReadSettings(HKEY_CURRENT_USER, TEST_KEY, &again), 1);
    EXPECT_EQ(again.who, LOCAL_COMPUTER);
    EXPECT_STREQ(again.remote.mac_address, "000000000000");
    EXPECT_STREQ(again.process.process, "before");

    EXPECT_TRUE(DeleteRegValue(HKEY_CURRENT_USER, TEST_KEY, "who"));
    EXPECT_FALSE(DeleteRegValue(HKEY_CURRENT_USER, TEST_KEY, "who"));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(DeleteRegKey(HKEY_CURRENT_USER, TEST_KEY));
    EXPECT_FALSE(DeleteRegKey(HKEY_CURRENT_USER, TEST_KEY));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(ReadSettings(HKEY_CURRENT_USER, TEST_KEY, &again), 0);
}

namespace {

// A thread routine must be WINAPI, which a lambda is not on i686.
DWORD WINAPI ReportOnAnotherThread(LPVOID state)
{
    Error((AppState*)state, nullptr, "on another thread");
    return 0;
}

}  // namespace

TEST(Reporting, AThreadCollectsOnlyItsOwnFirstProblem)
{
    AppState state = Defaults(true);
    char first[32] = "stale";
    ProblemText sink = {first, sizeof first};
    CollectProblem(&sink);
    EXPECT_STREQ(first, "stale");  // the caller empties it

    first[0] = '\0';
    // Another thread's reports stay there.
    HANDLE other = CreateThread(nullptr, 0, ReportOnAnotherThread, &state, 0, nullptr);
    WaitForSingleObject(other, INFINITE);
    CloseHandle(other);
    EXPECT_STREQ(first, "");

    SetLastError(ERROR_ACCESS_DENIED);
    DisplayLastError(&state, nullptr);  // a system text ends in CR LF
    Error(&state, nullptr, "second");
    CollectProblem(nullptr);
    Error(&state, nullptr, "after the end");
    EXPECT_STREQ(first, "Access denied.");

    char small[8] = "";
    ProblemText cut = {small, sizeof small};
    CollectProblem(&cut);
    Error(&state, nullptr, "a longer text");
    CollectProblem(nullptr);
    EXPECT_STREQ(small, "a longe");
}

TEST(Reporting, AServiceWritesItsErrorsAsEventsAndShowsNoBox)
{
    ScratchLog log;
    BoxWatcher watcher;
    AppState service = Defaults();
    service.run_as_service = 1;
    Error(&service, GetDesktopWindow(), "port in use");
    EXPECT_TRUE(BoxWatcher::boxes.empty());
    EXPECT_EQ(log.CountStartingWith("WriteEvent start"), 1);
    EXPECT_TRUE(log.Logged("ERROR: port in use"));

    HWND owner = GetDesktopWindow();
    SetLastError(ERROR_FILE_NOT_FOUND);
    DisplayLastError(&service, owner);
    EXPECT_TRUE(BoxWatcher::boxes.empty());
    EXPECT_EQ(log.CountStartingWith("WriteEvent start"), 2) << "one event per error";
}
