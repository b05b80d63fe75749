#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/command_line.h"
#include "core/log.h"
#include "core/remote_password.h"

namespace {

std::vector<std::string> Split(const char* text)
{
    int count;
    char** list;
    SplitCommandLine(text, &count, &list);
    std::vector<std::string> tokens(list, list + count);
    EXPECT_EQ(list[count], nullptr);
    FreeTokens(count, list);
    return tokens;
}

// Applies the arguments after a program path to a record with defaults.
struct Parsed {
    AppState state;
    CommandLineResult result;
    bool valid;
};

Parsed Parse(std::vector<std::string> args)
{
    Parsed parsed;
    SetDefaultSettings(&parsed.state);
    args.insert(args.begin(), "C:\\haltall.exe");
    std::vector<char*> tokens;
    for (std::string& arg : args)
        tokens.push_back(&arg[0]);
    parsed.valid = ApplyCommandLine((int)tokens.size(), tokens.data(), &parsed.state, &parsed.result);
    return parsed;
}

std::string UsageError(std::vector<std::string> args)
{
    Parsed parsed = Parse(std::move(args));
    EXPECT_FALSE(parsed.valid);
    return parsed.result.usage_error;
}

}  // namespace

TEST(SplitCommandLine, QuoteRules)
{
    // Double quotes and backslashes as Windows splits a command line; a
    // single quote quotes only where it opens and ends an argument.
    using Tokens = std::vector<std::string>;
    struct {
        const char* text;
        Tokens tokens;
    } cases[] = {
        {"", {}},
        {"   \t ", {}},
        {"h a  b\tc", {"h", "a", "b", "c"}},
        {"h ab\"c d\"e", {"h", "abc de"}},               // quotes join into the argument
        {"h x \"\" y", {"h", "x", "", "y"}},             // empty quotes give an empty argument
        {"h a \"unfinished  end", {"h", "a", "unfinished  end"}},  // an open quote runs to the end
        {"h \"a\"\"b\" c", {"h", "a\"b", "c"}},          // a doubled quote inside quotes
        {"h a\\\"b", {"h", "a\"b"}},                      // \" is a literal quote
        {"h a\\\\\"b c\"", {"h", "a\\b c"}},              // \\" is a backslash, then a quote
        {"h a\\\\\\\"b", {"h", "a\\\"b"}},                // \\\" is a backslash and a literal quote
        {"h C:\\dir\\ \"C:\\dir two\\\\\"", {"h", "C:\\dir\\", "C:\\dir two\\"}},
        {"h -group \"C:\\Users\\O'Brien\\g.csv\" -quiet",
         {"h", "-group", "C:\\Users\\O'Brien\\g.csv", "-quiet"}},
        {"h -msg Don't -warn", {"h", "-msg", "Don't", "-warn"}},
        {"h -msg 'two words'", {"h", "-msg", "two words"}},
        {"h 'it \"is\" ok' z", {"h", "it \"is\" ok", "z"}},  // all literal inside single quotes
        {"h 'it's here' z", {"h", "it's here", "z"}},     // closed only where an argument ends
        {"h '' z", {"h", "", "z"}},
        {"h 'cause so", {"h", "'cause", "so"}},           // never closed: a plain character
    };
    for (auto& c : cases)
        EXPECT_EQ(Split(c.text), c.tokens) << c.text;
}

TEST(SplitCommandLine, TheProgramPathFollowsTheSystemRule)
{
    using Tokens = std::vector<std::string>;
    struct {
        const char* text;
        Tokens tokens;
    } cases[] = {
        {"\"C:\\Program Files\\h.exe\" reboot", {"C:\\Program Files\\h.exe", "reboot"}},
        {"C:\\Users\\O'Brien\\haltall.exe -bogus", {"C:\\Users\\O'Brien\\haltall.exe", "-bogus"}},
        {"\"C:\\O'Brien\\h.exe\" -msg 'a b'", {"C:\\O'Brien\\h.exe", "-msg", "a b"}},
        {"  C:\\h.exe\treboot", {"C:\\h.exe", "reboot"}},
        {"\"C:\\unclosed path", {"C:\\unclosed path"}},
        {"h\"x\" y", {"h\"x\"", "y"}},
    };
    for (auto& c : cases)
        EXPECT_EQ(Split(c.text), c.tokens) << c.text;
}

TEST(CommandLine, ActionWordsIgnoreCaseOptionsDoNot)
{
    Parsed parsed = Parse({"REBOOT", "-force"});
    ASSERT_TRUE(parsed.valid);
    EXPECT_EQ(parsed.state.action, REBOOT);
    EXPECT_EQ(parsed.state.options.force, 1);
    EXPECT_EQ(parsed.state.interactive, 0);
    EXPECT_EQ(parsed.result.counted, 2);

    EXPECT_EQ(UsageError({"reboot", "-FORCE"}), "Invalid option specified (-FORCE)");
    EXPECT_EQ(UsageError({"jump"}), "Invalid action specified (jump)");

    parsed = Parse({"reboot", "wol"});  // the later word wins
    EXPECT_EQ(parsed.state.action, WAKE_ON_LAN);
    EXPECT_EQ(parsed.state.who, REMOTE_COMPUTER);
}

TEST(CommandLine, OnlyFiveOptionsAreNotCounted)
{
    int16_t debug = g_debug;
    // A report goes with any run, the stored settings' one too.
    Parsed parsed = Parse({"-service", "-simulate", "-minimize", "-debug", "-report", "C:\\r.csv"});
    g_debug = debug;
    ASSERT_TRUE(parsed.valid);
    EXPECT_EQ(parsed.result.counted, 0);
    EXPECT_EQ(parsed.state.run_as_service, 1);
    EXPECT_EQ(parsed.state.simulate, 1);
    EXPECT_EQ(parsed.state.start_minimized, 1);
    EXPECT_STREQ(parsed.state.report_file, "C:\\r.csv");

    EXPECT_EQ(Parse({"-quiet"}).result.counted, 1);
    EXPECT_EQ(Parse({"-port", "99"}).result.counted, 1);  // an option with its argument counts once
}

TEST(CommandLine, SettingsAreCountedArgumentsOtherThanQuietAndMaintenance)
{
    struct {
        std::vector<std::string> args;
        int settings;
    } cases[] = {
        {{"-quiet", "-create_service"}, 0},
        {{"-create_service", "-create_service", "-debug", "-simulate"}, 0},
        {{"-create_service", "-allow_remote", "-remote_port", "40866"}, 2},
        {{"reboot", "-quiet", "-save_svc_set"}, 1},
    };
    for (auto& c : cases) {
        int16_t debug = g_debug;
        Parsed parsed = Parse(c.args);
        g_debug = debug;
        EXPECT_EQ(parsed.result.settings, c.settings) << c.args[0] << " " << c.args[1];
        EXPECT_NE(parsed.result.mode, CMD_NONE);
    }
}

TEST(CommandLine, MissingArguments)
{
    for (const char* option : {"-soundfile", "-warntime", "-wait", "-msg", "-remote", "-group", "-port",
                               "-password", "-username", "-program", "-directory", "-remote_port",
                               "-remote_pswd", "-process", "-time", "-date", "-days", "-weeks", "-day",
                               "-seconds", "-ip", "-subnet", "-mac"})
        EXPECT_EQ(UsageError({"-warn", option}), std::string("Missing argument for ") + option);
}

TEST(CommandLine, OptionsSetTheirFields)
{
    Parsed p = Parse({"-remote", "pc1", "-port", "4000", "-username", "bob", "-password", "pw",
                      "-use_nt", "-remschedule", "-warn", "-warntime", "15", "-playsound",
                      "-soundfile", "a.wav", "-run", "-program", "notepad x", "-directory", "C:\\",
                      "-notray", "-nocancel", "-noconfirm", "-allow_remote", "-remote_port", "-5", "-wait", "3",
                      "-ip", "10.0.0.1", "-subnet", "255.0.0.0", "-mac", "00AA00BB00CC", "-quiet"});
    ASSERT_TRUE(p.valid) << p.result.usage_error;
    AppState& s = p.state;
    EXPECT_EQ(s.who, REMOTE_COMPUTER);
    EXPECT_STREQ(s.remote.computer_name, "pc1");
    EXPECT_EQ(s.remote.port, 4000);
    EXPECT_STREQ(s.remote.username, "bob");
    EXPECT_EQ(s.remote.current_credentials, 0);
    EXPECT_STREQ(s.remote.password, "pw");
    EXPECT_EQ(s.remote.use_nt, 1);
    EXPECT_EQ(s.remote.schedule_remote, 1);
    EXPECT_EQ(s.options.warning, 1);
    EXPECT_EQ(s.warning.seconds, 15);
    EXPECT_EQ(s.warning.play_sound, 1);
    EXPECT_STREQ(s.warning.sound_file, "a.wav");
    EXPECT_EQ(s.options.run_program, 1);
    EXPECT_STREQ(s.program.program, "notepad x");
    EXPECT_STREQ(s.program.directory, "C:\\");
    EXPECT_EQ(s.options.in_tray, 0);
    EXPECT_EQ(s.options.allow_cancel, 0);
    EXPECT_EQ(s.options.confirm_quick_actions, 0);
    EXPECT_EQ(s.options.allow_remote_control, 1);
    EXPECT_EQ(s.remote_control.port, 3210);
    EXPECT_EQ(s.schedule.wait, 3);
    EXPECT_STREQ(s.remote.ip_address, "10.0.0.1");
    EXPECT_STREQ(s.remote.subnet_mask, "255.0.0.0");
    EXPECT_STREQ(s.remote.mac_address, "00AA00BB00CC");
    EXPECT_EQ(s.quiet, 1);
    EXPECT_EQ(s.interactive, 1);  // no action word
}

TEST(CommandLine, PortsOfZeroOrLessBecome3210AndAbove65535AreRefused)
{
    struct {
        const char* text;
        int port;  // 0: refused
    } cases[] = {{"0", 3210},          {"-1", 3210},   {"abc", 3210},    {"", 3210},
                 {"12abc", 12},        {"65535", 65535}, {"-99999999999", 3210},
                 {"65536", 0},         {"106386", 0},  {"99999999999999999999", 0}};
    for (auto& c : cases) {
        for (const char* option : {"-port", "-remote_port"}) {
            Parsed p = Parse({option, c.text});
            int32_t port = option[1] == 'p' ? p.state.remote.port : p.state.remote_control.port;
            if (c.port) {
                EXPECT_TRUE(p.valid) << option << " " << c.text;
                EXPECT_EQ(port, c.port) << option << " " << c.text;
            } else {
                EXPECT_EQ(UsageError({option, c.text}),
                          std::string("Invalid port specified for ") + option + " (" + c.text + ")");
            }
        }
    }
}

TEST(CommandLine, AddressesAreCheckedAndMacFormsStoredAsDigits)
{
    struct {
        const char* option;
        const char* text;
        const char* stored;  // null: refused with error
        const char* error;
    } cases[] = {
        {"-mac", "00-11-22-33-44-aa", "0011223344AA", nullptr},
        {"-mac", "00:11:22:33:44:AA", "0011223344AA", nullptr},
        {"-mac", "0011223344aa", "0011223344AA", nullptr},
        {"-mac", "GGHHIIJJKKLL", nullptr, "Invalid MAC address specified (GGHHIIJJKKLL)"},
        {"-mac", "00:11:22:33:4", nullptr, "Invalid MAC address specified (00:11:22:33:4)"},
        {"-mac", "00000000000000000000", nullptr,
         "Invalid MAC address specified (00000000000000000000)"},
        {"-ip", "10.0.0.1", "10.0.0.1", nullptr},
        {"-ip", "10.0.0", nullptr, "Invalid IP address specified (10.0.0)"},
        {"-ip", "1.2.3.400", nullptr, "Invalid IP address specified (1.2.3.400)"},
        {"-subnet", "255.255.255.0", "255.255.255.0", nullptr},
        {"-subnet", "0.0.0.0", nullptr, "Invalid subnet mask specified (0.0.0.0)"},
        {"-subnet", "255.0.255.0", nullptr, "Invalid subnet mask specified (255.0.255.0)"},
    };
    for (auto& c : cases) {
        if (!c.stored) {
            EXPECT_EQ(UsageError({c.option, c.text}), c.error);
            continue;
        }
        Parsed p = Parse({c.option, c.text});
        ASSERT_TRUE(p.valid) << c.text << ": " << p.result.usage_error;
        const AppState& s = p.state;
        const char* field = c.option[1] == 'm'   ? s.remote.mac_address
                            : c.option[1] == 'i' ? s.remote.ip_address
                                                 : s.remote.subnet_mask;
        EXPECT_STREQ(field, c.stored) << c.text;
    }
}

TEST(CommandLine, ParallelTakesOneToSixtyFour)
{
    EXPECT_EQ(Parse({}).state.group_parallel, 64);
    for (auto [arg, width] : {std::pair{"1", 1}, {"64", 64}, {"8", 8}})
        EXPECT_EQ(Parse({"-parallel", arg}).state.group_parallel, width) << arg;
    for (const char* arg : {"0", "65", "-3", "4x", "", "x", "4294967297"})
        EXPECT_EQ(UsageError({"-parallel", arg}),
                  std::string("Invalid number of parallel actions specified (") + arg + ")");
}

TEST(CommandLine, IdleOptionsAndTheirRanges)
{
    Parsed off = Parse({});
    EXPECT_EQ(off.state.when, IMMEDIATE);
    EXPECT_EQ(off.state.idle.minutes, 30);
    EXPECT_EQ(off.state.idle.cpu_percent, 0);
    EXPECT_EQ(off.state.idle.net_kbps, 0);
    EXPECT_EQ(off.state.options.allow_postpone, 1);

    Parsed p = Parse({"-idle", "1440", "-idle_cpu", "100", "-idle_net", "1", "-nopostpone"});
    ASSERT_TRUE(p.valid) << p.result.usage_error;
    EXPECT_EQ(p.state.when, IDLE);
    EXPECT_EQ(p.state.idle.minutes, 1440);
    EXPECT_EQ(p.state.idle.cpu_percent, 100);
    EXPECT_EQ(p.state.idle.net_kbps, 1);
    EXPECT_EQ(p.state.options.allow_postpone, 0);
    EXPECT_EQ(p.result.counted, 4);
    // The conditions alone leave the trigger as it was.
    EXPECT_EQ(Parse({"-idle_cpu", "5"}).state.when, IMMEDIATE);

    struct {
        const char* option;
        const char* arg;
        const char* error;
    } bad[] = {
        {"-idle", "0", "Invalid idle time specified (0)"},
        {"-idle", "1441", "Invalid idle time specified (1441)"},
        {"-idle", "10m", "Invalid idle time specified (10m)"},
        {"-idle", "", "Invalid idle time specified ()"},
        {"-idle_cpu", "0", "Invalid processor load specified (0)"},
        {"-idle_cpu", "101", "Invalid processor load specified (101)"},
        {"-idle_net", "-5", "Invalid network traffic specified (-5)"},
        {"-idle_net", "1000001", "Invalid network traffic specified (1000001)"},
    };
    for (auto& c : bad)
        EXPECT_EQ(UsageError({c.option, c.arg}), c.error) << c.option << " " << c.arg;
    EXPECT_EQ(UsageError({"-idle"}), "Missing argument for -idle");
}

TEST(CommandLine, MessageLineBreaks)
{
    struct {
        const char* arg;
        const char* stored;
    } cases[] = {
        {"Line one\\nLine two", "Line one\r\nLine two"},
        {"keep \\\\n literal", "keep \\n literal"},
        {"plain", "plain"},
    };
    for (auto& c : cases)
        EXPECT_STREQ(Parse({"-msg", c.arg}).state.warning.message, c.stored) << c.arg;
}

TEST(CommandLine, TimeAndDate)
{
    Parsed p = Parse({"-time", "7:5"});
    ASSERT_TRUE(p.valid);
    EXPECT_EQ(p.state.schedule.time.wHour, 7);
    EXPECT_EQ(p.state.schedule.time.wMinute, 5);
    EXPECT_NE(p.state.schedule.date.wYear, 0);  // today's date fills an unset date

    p = Parse({"-time", "25:99"});  // no range check here
    EXPECT_TRUE(p.valid);
    EXPECT_EQ(p.state.schedule.time.wHour, 25);

    EXPECT_EQ(UsageError({"-time", "7"}), "Invalid time format for -time (7)");

    p = Parse({"-date", "24/12/2027", "-time", "8:00"});
    ASSERT_TRUE(p.valid);
    EXPECT_EQ(p.state.schedule.date.wDay, 24);
    EXPECT_EQ(p.state.schedule.date.wMonth, 12);
    EXPECT_EQ(p.state.schedule.date.wYear, 2027);  // a chosen date is kept by -time
    EXPECT_EQ(p.state.schedule.schedule, FIXED_DAY);

    EXPECT_EQ(UsageError({"-date", "24/12"}), "Invalid format for -date (24/12)");
}

TEST(CommandLine, DaysAndWeeks)
{
    Parsed p = Parse({"-days", "m,th,su"});
    ASSERT_TRUE(p.valid);
    Flag expected[7] = {1, 0, 0, 1, 0, 0, 1};
    for (int i = 0; i < 7; i++)
        EXPECT_EQ(*WeekdayFlags(&p.state, i), expected[i]) << i;
    EXPECT_EQ(p.state.schedule.schedule, DAILY);

    EXPECT_TRUE(Parse({"-days", "f"}).valid);  // accepted though the usage text omits it
    EXPECT_EQ(UsageError({"-days", "m,x"}), "Invalid day specified for -day (m,x)");
    EXPECT_EQ(UsageError({"-days", "M"}), "Invalid day specified for -day (M)");
    EXPECT_EQ(UsageError({"-days", "mondaymonday"}), "Invalid day specified for -day (mondaymonday)");

    // An empty first item reads nothing: flags cleared, kind kept.
    p = Parse({"-seconds", "5", "-days", ",m"});
    ASSERT_TRUE(p.valid);
    EXPECT_EQ(p.state.schedule.schedule, AFTER_X_SECONDS);
    EXPECT_EQ(p.state.schedule.monday, 0);

    p = Parse({"-weeks", "2,4"});
    ASSERT_TRUE(p.valid);
    Flag weeks[5] = {0, 1, 0, 1, 0};
    for (int i = 0; i < 5; i++)
        EXPECT_EQ(*WeekFlags(&p.state, i), weeks[i]) << i;
    EXPECT_EQ(p.state.schedule.schedule, DAILY);
    EXPECT_EQ(UsageError({"-weeks", "1,6"}), "Invalid week number specified for -week (1,6)");
}

TEST(CommandLine, ScheduleKindsAndTriggers)
{
    Parsed p = Parse({"-day", "15", "-scheduled"});
    EXPECT_EQ(p.state.schedule.day, 15u);
    EXPECT_EQ(p.state.schedule.schedule, DAY_OF_MONTH);
    EXPECT_EQ(p.state.when, SCHEDULED);

    p = Parse({"-process", "notepad.exe"});
    EXPECT_EQ(p.state.when, PROCESS);
    EXPECT_STREQ(p.state.process.process, "notepad.exe");

    p = Parse({"-process", "x", "-immediate", "-group", "g.csv"});
    EXPECT_EQ(p.state.when, IMMEDIATE);
    EXPECT_EQ(p.state.who, REMOTE_GROUP);
    EXPECT_STREQ(p.state.group_file, "g.csv");
}

TEST(CommandLine, MaintenanceCommandLastOneWins)
{
    EXPECT_EQ(Parse({"-remove_settings", "-save_settings"}).result.mode, SAVE_SETTINGS);
    EXPECT_EQ(Parse({"-save_svc_set", "-remove_service"}).result.mode, REMOVE_SERVICE);
    EXPECT_EQ(Parse({"reboot"}).result.mode, CMD_NONE);
}

// Only a verifier with a salt of its own: the same password twice gives
// two different texts, neither of which holds the password.
TEST(CommandLine, RemotePasswordIsStoredAsItsVerifier)
{
    AppState first = Parse({"-remote_pswd", "abc"}).state;
    AppState second = Parse({"-remote_pswd", "abc"}).state;
    EXPECT_STREQ(first.remote_control.password, "");
    EXPECT_EQ(std::string(first.remote_control.verifier).rfind("SCRAM-SHA-256$4096:", 0), 0u);
    EXPECT_STRNE(first.remote_control.verifier, second.remote_control.verifier);
    EXPECT_TRUE(RemoteControlPasswordMatches(&first, "abc"));
    EXPECT_FALSE(RemoteControlPasswordMatches(&first, "abd"));
    AppState cleared = Parse({"-remote_pswd", ""}).state;
    EXPECT_FALSE(HasRemoteControlPassword(&cleared));
    EXPECT_EQ(Parse({"-remote_secure_only", "-secure"}).state.remote_control.secure_only, 1);
    EXPECT_EQ(Parse({"-remote_secure_only", "-secure"}).state.remote.secure, 1);
}

TEST(CommandLine, RemoteAllowTakesOnlyAddressesAndRanges)
{
    EXPECT_STREQ(Parse({"-remote_allow", "10.0.5.0/24, ::1"}).state.remote_control.allow,
                 "10.0.5.0/24, ::1");
    EXPECT_EQ(UsageError({"-remote_allow", "10.0.5.0/24, pc7"}),
              "Not an address or a range of addresses: pc7 (-remote_allow)");
    // A list that does not fit is refused, never cut into a shorter one.
    std::string list;
    while (list.size() < sizeof(((AppState*)nullptr)->remote_control.allow))
        list += "10.0.0.1,";
    EXPECT_EQ(UsageError({"-remote_allow", list}).rfind("Argument too long for -remote_allow (", 0), 0u);
}

TEST(CommandLine, ArgumentsLongerThanTheirFieldAreRefused)
{
    struct {
        const char* option;
        size_t width;
    } cases[] = {{"-remote", 100}, {"-password", 40}, {"-msg", 200},
                 {"-process", 200}, {"-program", 260}, {"-remote_pswd", 40}};
    for (auto& c : cases) {
        std::string fits(c.width - 1, 'x');
        EXPECT_TRUE(Parse({c.option, fits}).valid) << c.option;
        std::string too_long(c.width, 'x');
        std::string error = UsageError({c.option, too_long});
        EXPECT_EQ(error.rfind(std::string("Argument too long for ") + c.option + " (", 0), 0u) << error;
        EXPECT_LE(error.size(), 99u);
    }
}

TEST(Usage, MessageAndLongDetails)
{
    char built[USAGE_MESSAGE_SIZE];
    BuildUsageMessage("Missing argument for -remote", built);
    std::string message = built;
    EXPECT_EQ(message.rfind("Error: Missing argument for -remote\nUsage: haltall action [options]\n", 0), 0u);
    EXPECT_NE(message.find("  -soundfile \"f\"\t: Specifies the .WAV file that must be played\n"),
              std::string::npos);
    EXPECT_NE(message.find("  -allow_remote\t: Allow remote control\n  -remote_port p\t: Listen on port p for commands\n"),
              std::string::npos);
    EXPECT_NE(message.find("  -probe\t\t: Check the computers of -remote or -group (answer, version, login), act on none\n"
                           "  -report f\t: Write one line per computer of the run to the report f (.csv, or .json)\n"),
              std::string::npos);
    EXPECT_NE(message.find("  -group g\t\t: Do all actions for computers in the group file g\n"
                           "  -parallel n\t: Handle up to n computers of the group at a time (1-64, default 64)\n"),
              std::string::npos);
    std::string tail = "  -reason \"r\"\t: Record the reason r with the shutdown or reboot\n"
                       "  -reason_code x:y\t: Record the planned reason with major x and minor y (default 0:0)\n";
    EXPECT_EQ(message.compare(message.size() - tail.size(), tail.size(), tail), 0);

    EXPECT_NE(message.find("  -idle n\t\t: Perform the action when nobody used keyboard or mouse for n minutes (1-1440)\n"),
              std::string::npos);
    EXPECT_NE(message.find("  -nopostpone\t:"), std::string::npos);

    std::string error = UsageError({"-" + std::string(150, 'z')});
    EXPECT_EQ(error.size(), 99u);
    EXPECT_EQ(error.substr(0, 26), "Invalid option specified (");
    EXPECT_EQ(error.substr(96), "...");
}

TEST(Usage, HelpSwitchesAskForTheTextAlone)
{
    for (const char* help : {"/?", "-?", "-h", "-help", "--help"}) {
        Parsed parsed = Parse({"reboot", help, "-bogus"});  // nothing after it is read
        EXPECT_TRUE(parsed.valid) << help;
        EXPECT_TRUE(parsed.result.help) << help;
    }
    EXPECT_FALSE(Parse({"-msg", "-h"}).result.help);  // an option's argument
    EXPECT_EQ(UsageError({"-H"}), "Invalid option specified (-H)");

    char built[USAGE_MESSAGE_SIZE];
    BuildUsageMessage(nullptr, built);
    EXPECT_EQ(std::string(built).rfind("Usage: haltall action [options]\n", 0), 0u);
}

TEST(CommandLine, PowerOptionsAndAbort)
{
    Parsed p = Parse({"reboot", "-hybrid", "-restart_apps", "-firmware", "-boot_options", "-reason",
                      "Patch day", "-reason_code", "2:17"});
    ASSERT_TRUE(p.valid) << p.result.usage_error;
    const auto& power = p.state.power;
    EXPECT_EQ(power.hybrid + power.restart_apps + power.firmware + power.boot_options, 4);
    EXPECT_STREQ(power.reason, "Patch day");
    EXPECT_EQ(power.reason_code, 0x20011u);
    EXPECT_EQ(p.result.counted, 7);  // settings: the stored ones are not read

    EXPECT_EQ(UsageError({"-reason_code", "2"}), "Invalid reason code specified (2)");
    EXPECT_EQ(UsageError({"-reason", std::string(256, 'r')}).rfind("Argument too long for -reason (", 0),
              0u);
    EXPECT_EQ(UsageError({"-reason"}), "Missing argument for -reason");

    p = Parse({"ABORT", "-remote", "pc7", "-use_nt"});
    ASSERT_TRUE(p.valid);
    EXPECT_EQ(p.state.action, ABORT);
    EXPECT_EQ(p.state.interactive, 0);
}
