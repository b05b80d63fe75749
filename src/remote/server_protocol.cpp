#include "remote/server_protocol.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/address_checks.h"
#include "core/report.h"
#include "core/app_state.h"
#include "core/log.h"
#include "core/log_mask.h"
#include "core/net_address.h"
#include "core/remote_password.h"
#include "core/scram.h"
#include "core/reason_code.h"
#include "remote/protocol_words.h"
#include "core/text_helpers.h"
#include "remote/address_reports.h"
#include "remote/reply_queue.h"

namespace {

const char* const help_lines[] = {
    "You can use the following commands to control Haltall",
    "QUIT\tTerminates the connection",
    "HELP\tShows this help",
    "PASSWORD p\tAuthenticates the client with a password",
    "SCRAM_FIRST m\tStarts a login without the password in clear (SCRAM-SHA-256)",
    "SCRAM_FINAL m\tCompletes that login with the client's proof",
    ("ACTION a\tThe action to perform "
     "(logoff,reboot,shutdown,poweroff,standby,hibernate,lock,wol,monitor_off,monitor_on,no_action,"
     "abort)"),
    "WHO w\tWho must perform the action (local,remote)",
    "WHEN w\tWhen must the action be performed (immediate,scheduled,after_process)",
    "SIMULATE s\tSimulate the action (on,off)",
    "COMPUTER c\tThe remote computer name",
    "MAC m\tThe remote computer mac address (WOL)",
    "IP i\tThe remote computer ip address (WOL)",
    "SUBNET s\tThe remote computer subnet mask (WOL)",
    "WARNING w\tShow warning before doing the action (on,off)",
    "WARNTIME w\tThe number of seconds to show the warning",
    "MESSAGE m\tThe warning message",
    "PLAYSOUND p\tPlay a sound when showing the warning (on,off)",
    "SOUNDFILE s\tThe WAV file to play",
    "RUNPRG r\tRuns a program before doing the action (on,off)",
    "PROGRAM p\tThe program to run",
    "DIRECTORY d\tThe startup directory for the program",
    "SCHEDULE s\tThe type of schedule (fixed_day,daily,day_of_month,after_x_seconds)",
    "TIME t\tThe time when to do the action (hh:mm)",
    "DATE d\tThe date when to do the action (dd/mm/yyyy)",
    "DAYS d\tThe days of the week when to do the action (m,t,w,th,f,s,su)",
    "WEEKS d\tThe weeks of the month when to do the action (1,2,3,4,5)",
    "DAY d\tThe day of the month when to do the action (1-31)",
    "WAIT w\tThe number of seconds to wait before checking the time",
    "SECONDS w\tThe number of seconds to wait before doing the action",
    "PROCESS p\tWait for process p to finish",
    "FORCE f\tForce applications to close (on,off)",
    "CANCEL c\tAllow the user to cancel the action (on,off)",
    "HYBRID h\tShutdown and poweroff keep fast start-up (on,off)",
    "RESTARTAPPS r\tReboot or logoff reopens the registered applications (on,off)",
    "FIRMWARE f\tReboot into the firmware setup (on,off)",
    "BOOTOPTIONS b\tReboot into the advanced start-up options (on,off)",
    "REASON r\tThe reason recorded with the shutdown or reboot",
    "REASONCODE c\tThe planned reason code recorded with it (major:minor)",
    "SHOW\tShow current settings",
    "VERSION\tShow current version of haltall",
    "DOIT\tDo the action",
    "STOP\tStop the current scheduled action",
};

// Words of the enumerated values (in any letter case), in the order of the
// values they stand for; actions and triggers as in ACTION_WORDS and WHEN_WORDS.
const char* const who_words[] = {"local", "remote"};
const char* const schedule_words[] = {"fixed_day", "daily", "day_of_month", "after_x_seconds"};
const char* const off_on_words[] = {"off", "on"};

bool SameWord(const char* a, const char* b)
{
    for (; *a && *b; a++, b++)
        if (tolower((unsigned char)*a) != tolower((unsigned char)*b))
            return false;
    return *a == *b;
}

// The value of the word in words (any letter case), or -1.
template <size_t N> int FindWord(const char* const (&words)[N], const char* text)
{
    for (size_t i = 0; i < N; i++)
        if (SameWord(words[i], text))
            return (int)i;
    return -1;
}

struct Server {
    const ServerEffects& fx;
    HWND window;
    AppState* state;

    void Ok() { ReturnClientOK(fx, window, state); }
    void Fail(const char* text) { ReturnClientError(fx, window, state, text); }
    // The main window shows the change before the peer hears of it.
    void RefreshAndOk()
    {
        fx.refresh(window, state);
        Ok();
    }
};

void SendLine(Server& s, const char* line, const char* log_format)
{
    size_t length = strlen(line);
    if (g_debug)
        WriteLog(log_format, (int)(length - 2), line);  // without CR LF
    QueueReply(s.fx, s.window, s.state, line, length);
}

bool Connected(const AppState* state)
{
    return state->client_socket != INVALID_SOCKET;
}

// Splits a list the way "%[^,],%[^,],...,%s" scans it: up to count - 1
// comma-terminated tokens, then one that runs to the first white space.
// Scanning stops at the first empty token. Calls token(begin, length) for
// each token read.
template <typename F> void ScanList(const char* text, int count, F token)
{
    const char* p = text;
    for (int i = 0; i < count - 1; i++) {
        size_t length = strcspn(p, ",");
        if (length == 0)
            return;
        token(p, length);
        p += length;
        if (*p != ',')
            return;
        p++;
    }
    p += strspn(p, " \t\n\v\f\r");
    size_t length = strcspn(p, " \t\n\v\f\r");
    if (length > 0)
        token(p, length);
}

// Sets the flags named by the tokens of the list after clearing them all.
// False when any token names no flag; the flags of the other tokens stay set.
template <size_t N>
bool SetListFlags(AppState* state, const char* value, const char* const (&tokens)[N],
                  Flag* (*flag)(AppState*, int))
{
    for (size_t i = 0; i < N; i++)
        *flag(state, (int)i) = 0;
    bool all_valid = true;
    ScanList(value, (int)N, [&](const char* token, size_t length) {
        for (size_t i = 0; i < N; i++) {
            if (strlen(tokens[i]) == length && memcmp(tokens[i], token, length) == 0) {
                *flag(state, (int)i) = 1;
                return;
            }
        }
        all_valid = false;
    });
    return all_valid;
}

// Stores a text value; a value longer than the field changes nothing.
template <size_t N> void StoreText(Server& s, char (&field)[N], const char* value)
{
    if (CopyField(field, value))
        s.Ok();
    else
        s.Fail("Value too long");
}

// A dotted address, refused with error when valid() says it is none.
template <size_t N>
void StoreAddress(Server& s, char (&field)[N], const char* value, int (*valid)(const char*),
                  const char* error)
{
    if (valid(value))
        StoreText(s, field, value);
    else
        s.Fail(error);
}

// Sets an enumerated field to the value's place among words; the window
// shows the change first where refresh asks for it.
template <typename T, size_t N>
void StoreChoice(Server& s, T* field, const char* const (&words)[N], const char* value,
                 bool refresh)
{
    int index = FindWord(words, value);
    if (index < 0) {
        s.Fail("Invalid value specified");
        return;
    }
    *field = (T)index;
    if (refresh)
        s.RefreshAndOk();
    else
        s.Ok();
}

// On/off commands set a flag and refresh the window.
void StoreOnOff(Server& s, Flag* flag, const char* value)
{
    StoreChoice(s, flag, off_on_words, value, true);
}

// The wrong-password delay belongs to the server, not to a connection: a
// peer that reconnects, or a second one, waits for it all the same.
struct PasswordGate {
    unsigned failures;     // wrong passwords in a row
    DWORD last_failure_ms;
    DWORD open_ms;         // no password is checked before this
    AddressReports reports;
};
PasswordGate gate;

void ReportWrongPasswords(void* context, const char* address, unsigned count)
{
    Server& s = *(Server*)context;
    char counted[16];
    FormatCount(count, counted, sizeof counted);
    char text[200];
    snprintf(text, sizeof text, "Remote control: %s wrong password%s from %s in the last minute",
             counted, count == 1 ? "" : "s", address);
    s.fx.warn(s.state, text);
}

// While a wrong password's delay runs, every password (right or wrong,
// from any peer) waits for its end before it is checked: guessing costs
// time. True when the line was held for that.
bool WaitsForTheDelay(Server& s, const char* line)
{
    // The clock wraps: the delay runs while its end is at most one delay ahead.
    DWORD wait = gate.open_ms - s.fx.ticks();
    if (gate.failures == 0 || wait - 1 >= PasswordDelay(gate.failures))
        return false;
    WriteLog("Password checked in %lu ms, when the delay of a wrong one ends", (unsigned long)wait);
    HoldCommands(s.fx, s.window, s.state, wait, nullptr, line);
    return true;
}

// A wrong password is answered only after a delay that doubles with each
// one in a row, and the commands behind it wait as long. A right one, or a
// quiet minute, starts the count again.
void CheckedPassword(Server& s, bool correct, const char* info)
{
    DWORD now = s.fx.ticks();
    if (gate.failures > 0 && now - gate.last_failure_ms >= QUIET_MINUTE_MS)
        gate.failures = 0;
    if (correct) {
        gate.failures = 0;
        s.state->authenticated = 1;
        if (info)
            ReturnClientInfo(s.fx, s.window, s.state, "%s", info);
        else
            s.Ok();
        return;
    }
    DWORD delay = PasswordDelay(++gate.failures);
    gate.last_failure_ms = now;
    gate.open_ms = now + delay;
    WriteLog("Wrong password, answered in %lu ms", (unsigned long)delay);
    unsigned count;
    if (CountForReport(&gate.reports, s.state->peer_address, now, &count))
        ReportWrongPasswords(&s, s.state->peer_address, count);
    HoldCommands(s.fx, s.window, s.state, delay, "Invalid password", nullptr);
}

void Password(Server& s, const char* value)
{
    if (s.state->remote_control.secure_only && HasRemoteControlPassword(s.state))
        return s.Fail("Passwords in clear text are refused: log in with SCRAM_FIRST");
    char line[COMMAND_SIZE + 1];
    snprintf(line, sizeof line, "PASSWORD%s%s", value ? " " : "", value ? value : "");
    if (WaitsForTheDelay(s, line))
        return;
    // No value at all stands for the empty password.
    CheckedPassword(s, RemoteControlPasswordMatches(s.state, value ? value : ""), nullptr);
}

// The login exchange of the connection: started by SCRAM_FIRST, ended by
// SCRAM_FINAL, forgotten with its peer.
ScramServer login;

// The verifier the login checks against: false (answered) when there is none.
bool LoginVerifier(Server& s, ScramVerifier* verifier)
{
    if (!HasRemoteControlPassword(s.state)) {
        s.Fail("Remote control has no password");
        return false;
    }
    if (HasOldEncodedPassword(s.state) || !ParseScramVerifier(s.state->remote_control.verifier, verifier)) {
        // Clients fall back to PASSWORD on this answer.
        s.Fail(SCRAM_NOT_OFFERED);
        return false;
    }
    return true;
}

void ScramFirst(Server& s, const char* value)
{
    login.started = false;
    ScramVerifier verifier;
    if (!LoginVerifier(s, &verifier))
        return;
    uint8_t random[SCRAM_NONCE_SIZE];
    char nonce[2 * SCRAM_NONCE_SIZE];
    if (!RandomBytes(random, sizeof random) || !Base64Encode(random, sizeof random, nonce, sizeof nonce))
        return s.Fail("No random numbers for a login");
    char reply[SCRAM_MESSAGE_SIZE];
    if (!ScramServerFirst(&login, verifier, value, nonce, reply, sizeof reply))
        return s.Fail(reply);
    ReturnClientInfo(s.fx, s.window, s.state, "%s", reply);
}

void ScramFinal(Server& s, const char* value)
{
    char line[COMMAND_SIZE + 1];
    snprintf(line, sizeof line, "SCRAM_FINAL %s", value);
    ScramVerifier verifier;
    if (WaitsForTheDelay(s, line) || !LoginVerifier(s, &verifier))
        return;
    char reply[SCRAM_MESSAGE_SIZE];
    ScramResult result = ScramServerFinal(&login, verifier, value, reply, sizeof reply);
    if (result == SCRAM_MALFORMED)
        return s.Fail(reply);
    CheckedPassword(s, result == SCRAM_PROVEN, reply);
}

// What runs or plays is chosen only by a peer that knows a password: a
// server without one would run any program for anyone who connects.
bool ChoosesWhatRuns(Server& s)
{
    if (HasRemoteControlPassword(s.state))
        return false;
    s.Fail("Not allowed while remote control has no password");
    return true;
}

void Time(Server& s, const char* value)
{
    int hour, minute;
    if (sscanf(value, "%d:%d", &hour, &minute) != 2 || (unsigned)hour > 23 ||
        (unsigned)minute > 59) {
        s.Fail("Invalid time specified");
        return;
    }
    SYSTEMTIME now;
    s.fx.now(&now);
    SYSTEMTIME& time = s.state->schedule.time;
    time = now;
    time.wHour = (WORD)hour;
    time.wMinute = (WORD)minute;
    if (s.state->schedule.date.wYear == 0)
        s.state->schedule.date = now;
    s.Ok();
}

void Date(Server& s, const char* value)
{
    int day, month, year;
    if (sscanf(value, "%d/%d/%d", &day, &month, &year) != 3 || (unsigned)day > 31 ||
        (unsigned)month > 12 || (unsigned)year > 9999) {
        s.Fail("Invalid date specified");
        return;
    }
    SYSTEMTIME& date = s.state->schedule.date;
    s.fx.now(&date);
    date.wDay = (WORD)day;
    date.wMonth = (WORD)month;
    date.wYear = (WORD)year;
    s.state->schedule.schedule = FIXED_DAY;
    s.Ok();
}

void DoItCommand(Server& s)
{
    char message[MESSAGE_SIZE] = "";
    if (s.fx.sanity_check(s.window, s.state, message)) {
        s.Fail(message);
        return;
    }
    // The peer hears of it before the action, which may end the session.
    s.Ok();
    SendQueuedReplies(s.fx, s.window, s.state);
    s.fx.do_it(s.window, s.state);
}

void Stop(Server& s)
{
    if (!s.state->active_timer) {
        s.Fail("No active command");
        return;
    }
    s.fx.stop_timer(s.window, s.state);
    s.state->active_timer = 0;
    s.Ok();
}

enum ValueRule { VALUE_NONE, VALUE_OPTIONAL, VALUE_REQUIRED };

struct Command {
    const char* word;
    bool needs_authentication;
    ValueRule value;
    // value is null when the line had no space.
    void (*run)(Server& s, char* value);
};

// In the order in which the command word is compared.
const Command commands[] = {
    {"QUIT", false, VALUE_NONE,
     [](Server& s, char*) {
         ReturnClientInfo(s.fx, s.window, s.state, "Bye bye");
         ClosePeer(s.fx, s.window, s.state);
     }},
    {"HELP", false, VALUE_NONE, [](Server& s, char*) { ShowClientHelp(s.fx, s.window, s.state); }},
    {"PASSWORD", false, VALUE_OPTIONAL, [](Server& s, char* v) { Password(s, v); }},
    {"SCRAM_FIRST", false, VALUE_REQUIRED, [](Server& s, char* v) { ScramFirst(s, v); }},
    {"SCRAM_FINAL", false, VALUE_REQUIRED, [](Server& s, char* v) { ScramFinal(s, v); }},
    {"ACTION", true, VALUE_REQUIRED,
     [](Server& s, char* v) { StoreChoice(s, &s.state->action, ACTION_WORDS, v, true); }},
    {"WHO", true, VALUE_REQUIRED,
     [](Server& s, char* v) { StoreChoice(s, &s.state->who, who_words, v, true); }},
    {"WHEN", true, VALUE_REQUIRED,
     [](Server& s, char* v) {
         if (s.state->run_as_service && FindWord(WHEN_WORDS, v) == IDLE)
             return s.Fail(IDLE_IN_SERVICE);
         StoreChoice(s, &s.state->when, WHEN_WORDS, v, true);
     }},
    {"SIMULATE", true, VALUE_REQUIRED, [](Server& s, char* v) { StoreOnOff(s, &s.state->simulate, v); }},
    {"COMPUTER", true, VALUE_REQUIRED,
     [](Server& s, char* v) { StoreText(s, s.state->remote.computer_name, v); }},
    {"MAC", true, VALUE_REQUIRED,
     [](Server& s, char* v) {
         if (!IsValidMACAddress(v))
             return s.Fail("Invalid MAC address");
         StoreText(s, s.state->remote.mac_address, v);
     }},
    {"IP", true, VALUE_REQUIRED,
     [](Server& s, char* v) { StoreAddress(s, s.state->remote.ip_address, v, IsValidIPAddress, "Invalid IP address"); }},
    {"SUBNET", true, VALUE_REQUIRED,
     [](Server& s, char* v) {
         StoreAddress(s, s.state->remote.subnet_mask, v, IsValidSubnetMask, "Invalid subnet mask");
     }},
    {"WARNING", true, VALUE_REQUIRED,
     [](Server& s, char* v) { StoreOnOff(s, &s.state->options.warning, v); }},
    {"WARNTIME", true, VALUE_REQUIRED,
     [](Server& s, char* v) {
         s.state->warning.seconds = atoi(v);
         s.Ok();
     }},
    {"MESSAGE", true, VALUE_OPTIONAL,
     [](Server& s, char* v) {
         char* message = s.state->warning.message;
         if (!CopyField(s.state->warning.message, v ? v : ""))
             return s.Fail("Value too long");
         // A line break travels as the two characters \ and n.
         ReplaceSubstring(message, sizeof s.state->warning.message, "\\n", "\r\n");
         s.Ok();
     }},
    {"PLAYSOUND", true, VALUE_REQUIRED,
     [](Server& s, char* v) { StoreOnOff(s, &s.state->warning.play_sound, v); }},
    {"SOUNDFILE", true, VALUE_REQUIRED,
     [](Server& s, char* v) {
         if (!ChoosesWhatRuns(s))
             StoreText(s, s.state->warning.sound_file, v);
     }},
    {"RUNPRG", true, VALUE_REQUIRED,
     [](Server& s, char* v) {
         // "RUNPRG off", which every client sends, chooses nothing.
         if (FindWord(off_on_words, v) == 1 && ChoosesWhatRuns(s))
             return;
         StoreOnOff(s, &s.state->options.run_program, v);
     }},
    {"PROGRAM", true, VALUE_REQUIRED,
     [](Server& s, char* v) {
         if (!ChoosesWhatRuns(s))
             StoreText(s, s.state->program.program, v);
     }},
    {"DIRECTORY", true, VALUE_OPTIONAL,
     [](Server& s, char* v) {
         if (!ChoosesWhatRuns(s))
             StoreText(s, s.state->program.directory, v ? v : "");
     }},
    {"SCHEDULE", true, VALUE_REQUIRED,
     [](Server& s, char* v) { StoreChoice(s, &s.state->schedule.schedule, schedule_words, v, false); }},
    {"TIME", true, VALUE_REQUIRED, [](Server& s, char* v) { Time(s, v); }},
    {"DATE", true, VALUE_REQUIRED, [](Server& s, char* v) { Date(s, v); }},
    {"DAYS", true, VALUE_REQUIRED,
     [](Server& s, char* v) {
         if (!SetListFlags(s.state, v, DAY_TOKENS, WeekdayFlags))
             return s.Fail("Invalid day specified");
         s.Ok();
     }},
    {"WEEKS", true, VALUE_REQUIRED,
     [](Server& s, char* v) {
         if (!SetListFlags(s.state, v, WEEK_TOKENS, WeekFlags))
             return s.Fail("Invalid week specified");
         s.Ok();
     }},
    {"DAY", true, VALUE_REQUIRED,
     [](Server& s, char* v) {
         s.state->schedule.day = (uint32_t)atoi(v);
         s.Ok();
     }},
    {"SECONDS", true, VALUE_REQUIRED,
     [](Server& s, char* v) {
         s.state->schedule.seconds = (uint32_t)atoi(v);
         s.Ok();
     }},
    {"WAIT", true, VALUE_REQUIRED,
     [](Server& s, char* v) {
         s.state->schedule.wait = atoi(v);
         s.Ok();
     }},
    {"PROCESS", true, VALUE_REQUIRED,
     [](Server& s, char* v) { StoreText(s, s.state->process.process, v); }},
    {"FORCE", true, VALUE_REQUIRED,
     [](Server& s, char* v) { StoreOnOff(s, &s.state->options.force, v); }},
    {"CANCEL", true, VALUE_REQUIRED,
     [](Server& s, char* v) { StoreOnOff(s, &s.state->options.allow_cancel, v); }},
    {"HYBRID", true, VALUE_REQUIRED,
     [](Server& s, char* v) { StoreChoice(s, &s.state->power.hybrid, off_on_words, v, false); }},
    {"RESTARTAPPS", true, VALUE_REQUIRED,
     [](Server& s, char* v) { StoreChoice(s, &s.state->power.restart_apps, off_on_words, v, false); }},
    {"FIRMWARE", true, VALUE_REQUIRED,
     [](Server& s, char* v) { StoreChoice(s, &s.state->power.firmware, off_on_words, v, false); }},
    {"BOOTOPTIONS", true, VALUE_REQUIRED,
     [](Server& s, char* v) { StoreChoice(s, &s.state->power.boot_options, off_on_words, v, false); }},
    {"REASON", true, VALUE_OPTIONAL,
     [](Server& s, char* v) { StoreText(s, s.state->power.reason, v ? v : ""); }},
    {"REASONCODE", true, VALUE_REQUIRED,
     [](Server& s, char* v) {
         if (!ParseReasonCode(v, &s.state->power.reason_code))
             return s.Fail("Invalid reason code");
         s.Ok();
     }},
    {"SHOW", true, VALUE_NONE,
     [](Server& s, char*) { ShowSettingsToClient(s.fx, s.window, s.state); }},
    {"VERSION", false, VALUE_NONE,
     [](Server& s, char*) { ReturnClientInfo(s.fx, s.window, s.state, "%s", VERSION_TEXT); }},
    {"DOIT", true, VALUE_NONE, [](Server& s, char*) { DoItCommand(s); }},
    {"STOP", false, VALUE_NONE, [](Server& s, char*) { Stop(s); }},
};

}  // namespace

DWORD PasswordDelay(unsigned failures)
{
    const DWORD first = 1000, longest = LONGEST_PASSWORD_DELAY_MS;
    if (failures == 0)
        return 0;
    if (failures > 5)  // 32 s and beyond
        return longest;
    DWORD delay = first << (failures - 1);
    return delay < longest ? delay : longest;
}

void ReportDueWarnings(const ServerEffects& fx, HWND window, AppState* state)
{
    Server s{fx, window, state};
    ReportDue(&gate.reports, fx.ticks(), ReportWrongPasswords, &s);
}

void ForgetPasswordFailures()
{
    gate = PasswordGate{};
}

void ForgetLogin()
{
    login = ScramServer{};
}

void ReturnClientOK(const ServerEffects& fx, HWND window, AppState* state)
{
    if (!Connected(state))
        return;
    char line[REPLY_SIZE];
    snprintf(line, sizeof line, "%d OK\r\n", 250);
    Server s{fx, window, state};
    SendLine(s, line, "sending ok %.*s to client");
}

void ReturnClientError(const ServerEffects& fx, HWND window, AppState* state, const char* text)
{
    if (!Connected(state))
        return;
    char line[REPLY_SIZE];
    snprintf(line, sizeof line, "%d %.493s\r\n", 501, text);
    Server s{fx, window, state};
    SendLine(s, line, "Sending error %.*s to client");
}

void ReturnClientInfo(const ServerEffects& fx, HWND window, AppState* state, const char* format, ...)
{
    if (!Connected(state))
        return;
    // "201 ", at most 493 characters of text, CR LF.
    char line[REPLY_SIZE];
    memcpy(line, "201 ", 4);
    va_list args;
    va_start(args, format);
    vsnprintf(line + 4, REPLY_SIZE - 6, format, args);
    va_end(args);
    memcpy(line + strlen(line), "\r\n", 3);
    Server s{fx, window, state};
    SendLine(s, line, "sending info %.*s to client");
}

void ShowClientHelp(const ServerEffects& fx, HWND window, AppState* state)
{
    WriteLog("ShowClientHelp start");
    for (const char* line : help_lines)
        ReturnClientInfo(fx, window, state, "%s", line);
    WriteLog("ShowClientHelp end");
}

void ShowSettingsToClient(const ServerEffects& fx, HWND window, AppState* state)
{
    WriteLog("ShowSettingsToClient start");
    auto info = [&](const char* format, auto... args) {
        ReturnClientInfo(fx, window, state, format, args...);
    };
    char message[REPLY_SIZE];
    snprintf(message, sizeof message, "%s", state->warning.message);
    ReplaceSubstring(message, sizeof message, "\r\n", "\\n");
    // An address shows in its standard form ("::1" for "0:0::1").
    char computer[sizeof state->remote.computer_name];
    NetAddress address;
    if (ParseNetAddress(state->remote.computer_name, &address))
        FormatNetAddress(address, computer, sizeof computer);
    else
        snprintf(computer, sizeof computer, "%s", state->remote.computer_name);
    char days[32], weeks[16];
    DaysText(state, days, sizeof days);
    WeeksText(state, weeks, sizeof weeks);
    const auto& schedule = state->schedule;
    char reason_code[REASON_CODE_TEXT_SIZE];
    ReasonCodeText(state->power.reason_code, reason_code, sizeof reason_code);

    info("%s", "These settings are currently in effect");
    info("ACTION\t%s", ActionWord(state->action));
    info("WHO\t\t%s", state->who == LOCAL_COMPUTER ? "LOCAL"
                      : state->who == REMOTE_COMPUTER ? "REMOTE"
                                                      : "UNKNOWN");
    info("WHEN\t%s", WhenWord(state->when));
    info("SIMULATE\t%s", OnOffWord(state->simulate));
    info("COMPUTER\t%s", computer);
    info("MAC\t\t%s", state->remote.mac_address);
    info("IP\t\t%s", state->remote.ip_address);
    info("SUBNET\t%s", state->remote.subnet_mask);
    info("WARNING\t%s", OnOffWord(state->options.warning));
    info("WARNTIME\t%d", (int)state->warning.seconds);
    info("MESSAGE\t%s", message);
    info("PLAYSOUND\t%s", OnOffWord(state->warning.play_sound));
    info("SOUNDFILE\t%s", state->warning.sound_file);
    info("RUNPRG\t%s", OnOffWord(state->options.run_program));
    info("PROGRAM\t%s", state->program.program);
    info("DIRECTORY\t%s", state->program.directory);
    info("SCHEDULE\t%s", ScheduleKindText(schedule.schedule));
    info("TIME\t%02d:%02d", (int)schedule.time.wHour, (int)schedule.time.wMinute);
    info("DATE\t%02d/%02d/%04d", (int)schedule.date.wDay, (int)schedule.date.wMonth,
         (int)schedule.date.wYear);
    info("DAYS\t%s", days);
    info("WEEKS\t%s", weeks);
    info("DAY\t\t%d", (int)schedule.day);
    info("WAIT\t%d", (int)schedule.wait);
    info("SECONDS\t%d", (int)schedule.seconds);
    info("PROCESS\t%s", state->process.process);
    info("FORCE\t%s", OnOffWord(state->options.force));
    info("CANCEL\t%s", OnOffWord(state->options.allow_cancel));
    info("IDLE\t%d", (int)state->idle.minutes);
    info("IDLE_CPU\t%d", (int)state->idle.cpu_percent);
    info("IDLE_NET\t%d", (int)state->idle.net_kbps);
    info("HYBRID\t%s", OnOffWord(state->power.hybrid));
    info("RESTARTAPPS\t%s", OnOffWord(state->power.restart_apps));
    info("FIRMWARE\t%s", OnOffWord(state->power.firmware));
    info("BOOTOPTIONS\t%s", OnOffWord(state->power.boot_options));
    info("REASON\t%s", state->power.reason);
    info("REASONCODE\t%s", reason_code);
    WriteLog("ShowSettingsToClient end");
}

void ProcessClientCommand(const ServerEffects& fx, HWND window, AppState* state, char* line)
{
    if (g_debug) {
        char shown[COMMAND_SIZE + 16];
        MaskPasswordLine(line, shown, sizeof shown);
        WriteLog("ProcessClientCommand start, command=%s", shown);
    }
    size_t length = strlen(line);
    if (length > 0 && line[length - 1] == '\n')
        line[length - 1] = '\0';

    // The word runs to the first space; the rest, trimmed, is the value. A
    // line without a space has no value at all, which differs from an empty one.
    char* value = strchr(line, ' ');
    if (value) {
        *value++ = '\0';
        TrimSpaces(value);
    }
    bool secret = value && SameWord(line, "PASSWORD");
    WriteLog("command=%s, value=%s", line, !value ? "(null)" : secret ? LOG_MASK : value);

    Server s{fx, window, state};
    const Command* command = nullptr;
    for (const Command& candidate : commands) {
        if (SameWord(candidate.word, line)) {
            command = &candidate;
            break;
        }
    }
    if (!command) {
        s.Fail("Invalid command");
    } else if (command->needs_authentication && !state->authenticated) {
        s.Fail("Access is denied");
        ClosePeer(fx, window, state);
    } else if (command->value == VALUE_REQUIRED && !value) {
        s.Fail("No value specified");
    } else {
        command->run(s, value);
    }
    WriteLog("ProcessClientCommand end");
}
