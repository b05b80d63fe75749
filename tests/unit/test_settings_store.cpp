#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/log.h"
#include "core/settings_store.h"

namespace {

// An in-memory location: strings and numbers by name, and the write order.
struct MemoryStore {
    std::map<std::string, std::string> strings;
    std::map<std::string, DWORD> numbers;
    std::vector<std::string> written;
    std::string fail_at;  // a write of this name fails

    SettingsStore Bind()
    {
        SettingsStore store;
        store.context = this;
        store.write_string = [](void* c, const char* name, const char* text) {
            MemoryStore* m = (MemoryStore*)c;
            if (m->fail_at == name)
                return false;
            m->written.push_back(name);
            m->strings[name] = text;
            return true;
        };
        store.write_dword = [](void* c, const char* name, DWORD value) {
            MemoryStore* m = (MemoryStore*)c;
            if (m->fail_at == name)
                return false;
            m->written.push_back(name);
            m->numbers[name] = value;
            return true;
        };
        store.read_string = [](void* c, const char* name, char* buffer, DWORD size) {
            MemoryStore* m = (MemoryStore*)c;
            auto it = m->strings.find(name);
            if (it == m->strings.end() || it->second.size() >= size)
                return false;
            memcpy(buffer, it->second.c_str(), it->second.size() + 1);
            return true;
        };
        store.read_dword = [](void* c, const char* name, DWORD* value) {
            MemoryStore* m = (MemoryStore*)c;
            auto it = m->numbers.find(name);
            if (it == m->numbers.end())
                return false;
            *value = it->second;
            return true;
        };
        return store;
    }
};

AppState Defaults()
{
    AppState s;
    SetDefaultSettings(&s);
    return s;
}

}  // namespace

TEST(SettingsStore, EveryStoredValueSurvivesASaveAndALoad)
{
    AppState s = Defaults();
    s.action = HIBERNATE;
    s.who = REMOTE_GROUP;
    s.when = PROCESS;
    CopyField(s.remote.computer_name, "pc7");
    CopyField(s.remote.mac_address, "0011AABBCCDD");
    CopyField(s.remote.ip_address, "10.1.2.3");
    CopyField(s.remote.subnet_mask, "255.255.0.0");
    s.remote.use_nt = 1;
    s.remote.schedule_remote = 1;
    s.remote.port = 4321;
    s.remote.save_password = 1;
    CopyField(s.remote.password, "secret");
    s.remote.current_credentials = 0;
    CopyField(s.remote.username, "admin");
    s.remote_control.port = 5555;
    CopyField(s.remote_control.password, "encodedform");
    CopyField(s.remote_control.allow, "10.0.5.0/24, fd00::/8");
    s.warning.seconds = 30;
    CopyField(s.warning.message, "two\r\nlines");
    s.warning.play_sound = 1;
    CopyField(s.warning.sound_file, "C:\\a.wav");
    CopyField(s.program.program, "notepad.exe");
    CopyField(s.program.directory, "C:\\temp");
    s.schedule.schedule = DAILY;
    s.schedule.time.wHour = 6;
    s.schedule.time.wMinute = 7;
    s.schedule.date.wDay = 8;
    s.schedule.date.wMonth = 9;
    s.schedule.date.wYear = 2030;
    s.schedule.tuesday = s.schedule.sunday = 1;
    s.schedule.week2 = 0;
    s.schedule.day = 31;
    s.schedule.wait = 12;
    s.schedule.seconds = 600;
    CopyField(s.process.process, "calc.exe");
    s.options.warning = s.options.run_program = s.options.force = 1;
    s.options.in_tray = s.options.allow_cancel = s.options.confirm_quick_actions = 0;
    s.options.allow_remote_control = 1;
    s.group_parallel = 4;
    s.idle.minutes = 45;
    s.idle.cpu_percent = 20;
    s.idle.net_kbps = 300;
    s.postpone.minutes = 30;
    s.options.allow_postpone = 0;
    s.power.hybrid = s.power.firmware = 1;
    s.power.restart_apps = s.power.boot_options = 1;
    CopyField(s.power.reason, "Patch day");
    s.power.reason_code = 0x20011;

    MemoryStore memory;
    ASSERT_TRUE(SaveSettingsTo(memory.Bind(), &s));
    EXPECT_EQ(memory.strings["time"], "06:07");
    EXPECT_EQ(memory.strings["date"], "8/9/2030");
    EXPECT_EQ(memory.written.front(), "action");
    EXPECT_EQ(memory.written.size(), 64u);

    AppState loaded = Defaults();
    ASSERT_TRUE(ReadSettingsFrom(memory.Bind(), &loaded));
    // Compare everything that is stored; the rest keeps its defaults.
    loaded.schedule.time.wSecond = s.schedule.time.wSecond = 0;
    loaded.schedule.time.wMilliseconds = s.schedule.time.wMilliseconds = 0;
    EXPECT_EQ(loaded.schedule.time.wHour, 6);
    EXPECT_EQ(loaded.schedule.time.wMinute, 7);
    EXPECT_EQ(loaded.schedule.date.wDay, 8);
    EXPECT_EQ(loaded.schedule.date.wMonth, 9);
    EXPECT_EQ(loaded.schedule.date.wYear, 2030);
    loaded.schedule.time = s.schedule.time;
    loaded.schedule.date = s.schedule.date;
    EXPECT_EQ(memcmp(&loaded, &s, sizeof s), 0);
}

TEST(SettingsStore, PasswordIsStoredOnlyWhenAskedFor)
{
    AppState s = Defaults();
    CopyField(s.remote.password, "secret");
    MemoryStore memory;
    SaveSettingsTo(memory.Bind(), &s);
    EXPECT_EQ(memory.strings["remote_password"], "");
    AppState loaded = Defaults();
    ReadSettingsFrom(memory.Bind(), &loaded);
    EXPECT_STREQ(loaded.remote.password, "");
}

TEST(SettingsStore, UnsetTimeKeepsHour25AndNegativeFlagsKeepTheirSign)
{
    AppState s = Defaults();
    s.options.force = -1;
    MemoryStore memory;
    SaveSettingsTo(memory.Bind(), &s);
    EXPECT_EQ(memory.strings["time"], "25:00");
    EXPECT_EQ(memory.numbers["force"], 0xFFFFFFFFu);
    AppState loaded = Defaults();
    loaded.schedule.time.wHour = 3;
    ReadSettingsFrom(memory.Bind(), &loaded);
    EXPECT_EQ(loaded.schedule.time.wHour, 25);
    EXPECT_EQ(loaded.options.force, -1);
}

TEST(SettingsStore, MissingActionReadsNothingAndMissingValuesKeepTheirFields)
{
    MemoryStore memory;
    memory.numbers["who"] = REMOTE_COMPUTER;
    AppState s = Defaults();
    EXPECT_FALSE(ReadSettingsFrom(memory.Bind(), &s));
    EXPECT_EQ(s.who, LOCAL_COMPUTER);

    memory.numbers["action"] = REBOOT;
    memory.strings["time"] = "noon";         // no numbers: the time is kept
    memory.strings["computer_name"] = std::string(100, 'x');  // too long: kept
    memory.numbers["in_tray"] = 0x10000;     // only the low 16 bits count
    CopyField(s.remote.computer_name, "before");
    s.schedule.time.wHour = 9;
    ASSERT_TRUE(ReadSettingsFrom(memory.Bind(), &s));
    EXPECT_EQ(s.action, REBOOT);
    EXPECT_EQ(s.who, REMOTE_COMPUTER);
    EXPECT_EQ(s.schedule.time.wHour, 9);
    EXPECT_STREQ(s.remote.computer_name, "before");
    EXPECT_EQ(s.options.in_tray, 0);
    EXPECT_EQ(s.remote.port, 3210);
}

TEST(SettingsStore, DebugValueSetsAndClearsTheLogFlag)
{
    int16_t before = g_debug;
    MemoryStore memory;
    memory.numbers["action"] = 1;
    memory.numbers["debug"] = 0x20001;
    AppState s = Defaults();
    g_debug = 0;
    ReadSettingsFrom(memory.Bind(), &s);
    EXPECT_EQ(g_debug, 1);
    memory.numbers["debug"] = 0;
    ReadSettingsFrom(memory.Bind(), &s);
    EXPECT_EQ(g_debug, 0);
    g_debug = before;
}

TEST(SettingsStore, AFailedWriteStopsTheSave)
{
    AppState s = Defaults();
    MemoryStore memory;
    memory.fail_at = "message";
    EXPECT_FALSE(SaveSettingsTo(memory.Bind(), &s));
    EXPECT_EQ(memory.written.back(), "seconds");
    EXPECT_EQ(memory.numbers.count("play_sound"), 0u);
}

TEST(SettingsStore, StoredPortsAbove65535FallBackToTheDefault)
{
    struct {
        DWORD stored;
        int32_t read;  // 0 or less stays for start-up to mend
    } cases[] = {{4000, 4000}, {65535, 65535}, {65536, 3210}, {106386, 3210},
                 {0, 0},       {0xFFFFFFFF, -1}};
    for (auto& c : cases) {
        MemoryStore memory;
        memory.numbers["action"] = REBOOT;
        memory.numbers["remote_port"] = c.stored;
        memory.numbers["remote_control_port"] = c.stored;
        AppState s = Defaults();
        ASSERT_TRUE(ReadSettingsFrom(memory.Bind(), &s));
        EXPECT_EQ(s.remote.port, c.read) << c.stored;
        EXPECT_EQ(s.remote_control.port, c.read) << c.stored;
    }
}
