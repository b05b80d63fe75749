#include "core/command_line.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/address_checks.h"
#include "core/allow_list.h"
#include "core/app_state.h"
#include "core/clock.h"
#include "core/day_tokens.h"
#include "core/log.h"
#include "core/port.h"
#include "core/remote_password.h"
#include "core/reason_code.h"
#include "core/text_compare.h"
#include "core/text_helpers.h"

// ---------------------------------------------------------------------------
// Tokenizer

void AddToken(char*** list, int* count, const char* text, int start, int end)
{
    size_t len = (size_t)(end - start);
    char* token = (char*)malloc(len + 1);
    char** grown = (char**)realloc(*list, sizeof(char*) * (size_t)(*count + 2));
    if (!token || !grown)
        abort();
    memcpy(token, text + start, len);
    token[len] = '\0';
    grown[*count] = token;
    grown[*count + 1] = nullptr;
    *list = grown;
    (*count)++;
}

namespace {

bool EndsArgument(char c)
{
    return c == ' ' || c == '\t' || c == '\0';
}

// Where a single-quoted argument starting at `at` ends: the first quote that
// a blank, a tab or the end follows; -1 when there is none.
int ClosingSingleQuote(const char* text, int at)
{
    for (int i = at + 1; text[i]; i++)
        if (text[i] == '\'' && EndsArgument(text[i + 1]))
            return i;
    return -1;
}

// Appends c while it fits (size - 1 characters); counts it either way.
void Put(char* out, size_t size, int* n, char c)
{
    if ((size_t)*n + 1 < size)
        out[*n] = c;
    (*n)++;
}

}  // namespace

int ReadCommandArgument(const char* text, int at, char* out, size_t size, int* length)
{
    int n = 0;
    // A single quote that opens an argument quotes it up to a single quote
    // that ends one ('two words'); everything between is literal. Elsewhere
    // it is a plain character (O'Brien, Don't).
    int closing = text[at] == '\'' ? ClosingSingleQuote(text, at) : -1;
    if (closing >= 0) {
        for (int i = at + 1; i < closing; i++)
            Put(out, size, &n, text[i]);
        at = closing + 1;
    }
    // Otherwise Windows' own rule (the one of CommandLineToArgvW and the C
    // runtime): blanks inside double quotes belong to the argument, 2n
    // backslashes before a double quote give n backslashes and the quote
    // opens or closes, 2n+1 give n and a literal quote, other backslashes
    // are literal, and a doubled quote inside quotes is a literal quote.
    bool quoted = false;
    while (closing < 0 && text[at] && (quoted || (text[at] != ' ' && text[at] != '\t'))) {
        if (text[at] == '\\') {
            int backslashes = 0;
            while (text[at] == '\\') {
                backslashes++;
                at++;
            }
            bool before_quote = text[at] == '"';
            for (int k = 0; k < (before_quote ? backslashes / 2 : backslashes); k++)
                Put(out, size, &n, '\\');
            if (before_quote && backslashes % 2 == 1) {
                Put(out, size, &n, '"');
                at++;
            }
        } else if (text[at] == '"') {
            if (quoted && text[at + 1] == '"') {
                Put(out, size, &n, '"');
                at += 2;
            } else {
                quoted = !quoted;
                at++;
            }
        } else {
            Put(out, size, &n, text[at++]);
        }
    }
    if (size > 0)
        out[(size_t)n < size ? n : size - 1] = '\0';
    *length = n;
    return at;
}

void SplitCommandLine(const char* text, int* count, char*** list)
{
    *count = 0;
    *list = (char**)calloc(1, sizeof(char*));
    if (!*list)
        abort();
    // The program path follows Windows' own rule: quoted, or up to the
    // first blank. An apostrophe in it (C:\Users\O'Brien) opens no quote.
    int at = 0;
    while (text[at] == ' ' || text[at] == '\t')
        at++;
    if (text[at] != '\0') {
        char end = text[at] == '"' ? '"' : ' ';
        int path_start = end == '"' ? at + 1 : at;
        int path_end = path_start;
        while (text[path_end] && text[path_end] != end && (end == '"' || text[path_end] != '\t'))
            path_end++;
        AddToken(list, count, text, path_start, path_end);
        at = text[path_end] ? path_end + 1 : path_end;
    }

    // An argument is never longer than the rest of the text.
    size_t room = strlen(text + at) + 1;
    char* argument = (char*)malloc(room);
    if (!argument)
        abort();
    for (;;) {
        while (text[at] == ' ' || text[at] == '\t')
            at++;
        if (text[at] == '\0')
            break;
        int length;
        at = ReadCommandArgument(text, at, argument, room, &length);
        AddToken(list, count, argument, 0, length);
    }
    free(argument);
}

void FreeTokens(int count, char** list)
{
    for (int i = 0; i < count; i++)
        free(list[i]);
    free(list);
}

// ---------------------------------------------------------------------------
// Usage text

namespace {

const char usage_first_block[] =
    "Usage: haltall action [options]\n"
    "Actions: logoff, reboot, shutdown, poweroff, standby, hibernate, lock, wol, monitor_off, "
    "monitor_on, no_action or abort (stops a countdown of the system's shutdown)\n"
    "Options:\n"
    "  -warn\t\t: Show a warning message before doing the action\n"
    "  -warntime s\t: Show the warning message for s seconds\n"
    "  -playsound\t: Play a sound when the warning is displayed\n"
    "  -soundfile \"f\"\t: Specifies the .WAV file that must be played\n"
    "  -msg \"m\"\t: Specifies the warning message\n"
    "  -force\t\t: Force applications to close\n"
    "  -wait s\t\t: Wait s seconds before checking the time\n"
    "  -remote m\t: Do the action on the remote machine m (name or ip)\n"
    "  -remschedule\t: Schedule on the remote machine\n"
    "  -use_nt\t\t: Use the NT protocol to shutdown/reboot a remote machine\n"
    "  -port p\t\t: Use port p to connect to the remote machine\n"
    "  -username u\t: User NT username u to connect to the remote machine\n"
    "  -password p\t: Use password p to connect to the remote machine\n"
    "  -run\t\t: Run a program before doing the action\n"
    "  -program \"p\"\t: Runs program p before doing the action\n"
    "  -directory \"d\"\t: Start the program in directory d\n"
    "  -notray\t\t: Do not show haltall icon in the system tray\n"
    "  -nocancel\t: Do not allow the user to cancel the action from the tray or in the warning "
    "dialog\n"
    "  -nopostpone\t: Do not allow the user to postpone the action in the warning dialog\n"
    "  -noconfirm\t: Do the tray menu's quick actions without asking first\n"
    "  -immediate\t: Perform the action immediately (default)\n"
    "  -scheduled\t: Perform the action in a scheduled manner\n"
    "  -time hh:mm\t: Perform the action at the specified time\n"
    "  -date dd/mm/yyyy\t: Perform the action on the specified date\n"
    "  -days [d1,d2,...]\t: Perform the action on the spcified days of the week (m,t,w,th,s,su)\n"
    "  -weeks [1,..,5]\t: Perform the action on the spcified weeks (default=all weeks)\n"
    "  -day d\t\t: Perform the action on the specified day of the month (1-31)\n"
    "  -seconds n\t: Perform the action after n seconds\n"
    "  -process p\t: Perform the action when a process named p does not exist anymore\n"
    "  -idle n\t\t: Perform the action when nobody used keyboard or mouse for n minutes (1-1440)\n"
    "  -idle_cpu p\t: ...and the processor load stayed below p % (1-100)\n"
    "  -idle_net k\t: ...and the network traffic stayed below k KB/s\n"
    "  -ip ip\t\t: Specifies the ip adress for WOL\n"
    "  -subnet s\t: Specifies the subnet mask for WOL\n"
    "  -mac m\t\t: Specifies the mac address for WOL\n"
    "  -allow_remote\t: Allow remote control\n";

const char usage_second_block[] =
    "  -remote_port p\t: Listen on port p for commands\n"
    "  -remote_pswd p\t: Set a password that clients must give for remote control\n"
    "  -remote_secure_only\t: Refuse remote-control passwords sent in clear text\n"
    "  -remote_allow l\t: Take remote control only from the addresses and ranges in list l\n"
    "  -secure\t\t: Never send the password in clear to the remote machine\n"
    "  -simulate\t: Simulate all actions, do not perform them\n"
    "  -minimize\t: Start minimized in the system tray\n"
    "  -quiet\t\t: Don't display error messages\n"
    "  -save_settings\t: Saves current settings to the registry\n"
    "  -remove_settings\t: Remove the settings from the registry\n"
    "  -save_svc_set\t: Save current settings to the service\n"
    "  -remove_svc_set\t: Removes the service settings\n"
    "  -create_service\t: Creates the haltall service, including the settings\n"
    "  -remove_service\t: Removes the haltall service, including the settings\n"
    "  -debug\t\t: Start haltall in debug mode\n"
    "  -probe\t\t: Check the computers of -remote or -group (answer, version, login), act on none\n"
    "  -report f\t: Write one line per computer of the run to the report f (.csv, or .json)\n"
    "  -group g\t\t: Do all actions for computers in the group file g\n"
    "  -parallel n\t: Handle up to n computers of the group at a time (1-64, default 64)\n"
    "  -hybrid\t\t: Shutdown and poweroff keep fast start-up (Windows 8 and later)\n"
    "  -restart_apps\t: Reboot or logoff reopens the applications registered for it\n"
    "  -firmware\t: Reboot into the firmware setup (Windows 8 and later, UEFI)\n"
    "  -boot_options\t: Reboot into the advanced start-up options (Windows 8 and later)\n"
    "  -reason \"r\"\t: Record the reason r with the shutdown or reboot\n"
    "  -reason_code x:y\t: Record the planned reason with major x and minor y (default 0:0)\n";

}  // namespace

void FormatUsageDetail(char (&detail)[USAGE_DETAIL_SIZE], const char* format, va_list args)
{
    int needed = vsnprintf(detail, sizeof detail, format, args);
    if (needed >= (int)sizeof detail)
        memcpy(detail + sizeof detail - 4, "...", 4);
}

void BuildUsageMessage(const char* detail, char (&message)[USAGE_MESSAGE_SIZE])
{
    if (detail)
        snprintf(message, sizeof message, "Error: %s\n%s%s", detail, usage_first_block,
                 usage_second_block);
    else
        snprintf(message, sizeof message, "%s%s", usage_first_block, usage_second_block);
}

// ---------------------------------------------------------------------------
// Action words and options

namespace {

bool Fail(CommandLineResult* result, const char* format, ...)
#ifdef __GNUC__
    __attribute__((format(printf, 2, 3)))
#endif
    ;

bool Fail(CommandLineResult* result, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    FormatUsageDetail(result->usage_error, format, args);
    va_end(args);
    return false;
}

struct ActionWord {
    const char* word;
    Action action;
};

const ActionWord action_words[] = {
    {"logoff", LOGOFF},   {"reboot", REBOOT},       {"shutdown", SHUTDOWN},
    {"poweroff", POWEROFF}, {"standby", STANDBY},   {"hibernate", HIBERNATE},
    {"lock", LOCK},       {"monitor_off", MONITOR_OFF}, {"monitor_on", MONITOR_ON},
    {"no_action", NO_ACTION}, {"wol", WAKE_ON_LAN},     {"abort", ABORT},
};

}  // namespace

const char* ActionCommandWord(int32_t action)
{
    for (const ActionWord& entry : action_words)
        if (entry.action == action)
            return entry.word;
    return "unknown";
}

namespace {

bool ApplyActionWord(const char* word, AppState* state, CommandLineResult* result)
{
    for (const ActionWord& entry : action_words) {
        if (EqualIgnoringCase(word, entry.word)) {
            state->action = entry.action;
            state->interactive = 0;
            if (entry.action == WAKE_ON_LAN)
                state->who = REMOTE_COMPUTER;
            return true;
        }
    }
    return Fail(result, "Invalid action specified (%s)", word);
}

// One option: its name, whether it takes the next token, whether it counts
// as a setting (and so keeps the registry from being read), and its effect.
struct Option {
    const char* name;
    bool takes_argument;
    bool counted;
    bool (*apply)(AppState* state, const char* name, const char* arg, CommandLineResult* result);
};

bool CopyArgument(char* field, size_t size, const char* name, const char* arg,
                  CommandLineResult* result)
{
    if (CopyField(field, size, arg))
        return true;
    return Fail(result, "Argument too long for %s (%s)", name, arg);
}

#define TEXT_ARGUMENT(field) CopyArgument(field, sizeof(field), name, arg, result)

// A whole number from low to high, or the usage error naming what it is for.
bool NumberArgument(int32_t* field, long low, long high, const char* what, const char* arg,
                    CommandLineResult* result)
{
    char* end;
    long number = strtol(arg, &end, 10);
    if (end == arg || *end != '\0' || number < low || number > high)
        return Fail(result, "Invalid %s specified (%s)", what, arg);
    *field = (int32_t)number;
    return true;
}

bool PortArgument(int32_t* port, const char* name, const char* arg, CommandLineResult* result)
{
    if (TakePortText(arg, port))
        return true;
    return Fail(result, "Invalid port specified for %s (%s)", name, arg);
}

// Splits a comma list the way the schedule options read it: at most max_items
// items, the last one running to the first blank; an empty item ends the list.
// Returns the number of items, or -1 when an item is longer than 9 characters.
int SplitScheduleList(const char* arg, int max_items, char (*items)[10])
{
    const char* at = arg;
    for (int n = 0; n < max_items; n++) {
        size_t len;
        bool last = n == max_items - 1;
        if (last) {
            at += strspn(at, " \t\n\r\f\v");
            len = strcspn(at, " \t\n\r\f\v");
        } else {
            len = strcspn(at, ",");
        }
        if (len == 0)
            return n;
        if (len > 9)
            return -1;
        memcpy(items[n], at, len);
        items[n][len] = '\0';
        at += len;
        if (last || *at != ',')
            return n + 1;
        at++;
    }
    return max_items;
}

// Sets flags[i] for each item equal to names[i]; every item makes the
// schedule DAILY. Returns false when an item names nothing.
bool ApplyScheduleList(const char* arg, const char* const* names, int name_count,
                       Flag* (*flag_of)(AppState*, int), AppState* state)
{
    for (int i = 0; i < name_count; i++)
        *flag_of(state, i) = 0;
    char items[7][10];
    int count = SplitScheduleList(arg, name_count, items);
    if (count < 0)
        return false;
    for (int n = 0; n < count; n++) {
        int match = -1;
        for (int i = 0; i < name_count; i++)
            if (strcmp(items[n], names[i]) == 0)
                match = i;
        if (match < 0)
            return false;
        *flag_of(state, match) = 1;
        state->schedule.schedule = DAILY;
    }
    return true;
}


const Option options[] = {
    {"-force", false, true, [](AppState* s, const char*, const char*, CommandLineResult*) { return s->options.force = 1, true; }},
    {"-warn", false, true, [](AppState* s, const char*, const char*, CommandLineResult*) { return s->options.warning = 1, true; }},
    {"-quiet", false, true, [](AppState* s, const char*, const char*, CommandLineResult*) { return s->quiet = 1, true; }},
    {"-playsound", false, true, [](AppState* s, const char*, const char*, CommandLineResult*) { return s->warning.play_sound = 1, true; }},
    {"-soundfile", true, true, [](AppState* s, const char* name, const char* arg, CommandLineResult* result) { return TEXT_ARGUMENT(s->warning.sound_file); }},
    {"-service", false, false, [](AppState* s, const char*, const char*, CommandLineResult*) { return s->run_as_service = 1, true; }},
    {"-warntime", true, true, [](AppState* s, const char*, const char* arg, CommandLineResult*) { return s->warning.seconds = atoi(arg), true; }},
    {"-wait", true, true, [](AppState* s, const char*, const char* arg, CommandLineResult*) { return s->schedule.wait = atoi(arg), true; }},
    {"-msg", true, true, [](AppState* s, const char* name, const char* arg, CommandLineResult* result) {
         if (!TEXT_ARGUMENT(s->warning.message))
             return false;
         // \n becomes a line break; a doubled backslash keeps a literal \n.
         ReplaceSubstring(s->warning.message, sizeof s->warning.message, "\\n", "\r\n");
         ReplaceSubstring(s->warning.message, sizeof s->warning.message, "\\\r\n", "\\n");
         return true;
     }},
    {"-remote", true, true, [](AppState* s, const char* name, const char* arg, CommandLineResult* result) {
         s->who = REMOTE_COMPUTER;
         return TEXT_ARGUMENT(s->remote.computer_name);
     }},
    {"-group", true, true, [](AppState* s, const char* name, const char* arg, CommandLineResult* result) {
         s->who = REMOTE_GROUP;
         return TEXT_ARGUMENT(s->group_file);
     }},
    {"-probe", false, true, [](AppState* s, const char*, const char*, CommandLineResult*) {
         s->probe.on = 1;
         s->interactive = 0;
         s->when = IMMEDIATE;
         return true;
     }},
    {"-report", true, false, [](AppState* s, const char* name, const char* arg, CommandLineResult* result) { return TEXT_ARGUMENT(s->report_file); }},
    {"-parallel", true, true, [](AppState* s, const char*, const char* arg, CommandLineResult* result) {
         return NumberArgument(&s->group_parallel, 1, MAX_GROUP_PARALLEL,
                               "number of parallel actions", arg, result);
     }},
    {"-remschedule", false, true, [](AppState* s, const char*, const char*, CommandLineResult*) { return s->remote.schedule_remote = 1, true; }},
    {"-use_nt", false, true, [](AppState* s, const char*, const char*, CommandLineResult*) { return s->remote.use_nt = 1, true; }},
    {"-port", true, true, [](AppState* s, const char* name, const char* arg, CommandLineResult* result) { return PortArgument(&s->remote.port, name, arg, result); }},
    {"-password", true, true, [](AppState* s, const char* name, const char* arg, CommandLineResult* result) { return TEXT_ARGUMENT(s->remote.password); }},
    {"-username", true, true, [](AppState* s, const char* name, const char* arg, CommandLineResult* result) {
         s->remote.current_credentials = 0;
         return TEXT_ARGUMENT(s->remote.username);
     }},
    {"-run", false, true, [](AppState* s, const char*, const char*, CommandLineResult*) { return s->options.run_program = 1, true; }},
    {"-program", true, true, [](AppState* s, const char* name, const char* arg, CommandLineResult* result) { return TEXT_ARGUMENT(s->program.program); }},
    {"-directory", true, true, [](AppState* s, const char* name, const char* arg, CommandLineResult* result) { return TEXT_ARGUMENT(s->program.directory); }},
    {"-notray", false, true, [](AppState* s, const char*, const char*, CommandLineResult*) { return s->options.in_tray = 0, true; }},
    {"-nocancel", false, true, [](AppState* s, const char*, const char*, CommandLineResult*) { return s->options.allow_cancel = 0, true; }},
    {"-noconfirm", false, true, [](AppState* s, const char*, const char*, CommandLineResult*) { return s->options.confirm_quick_actions = 0, true; }},
    {"-immediate", false, true, [](AppState* s, const char*, const char*, CommandLineResult*) { return s->when = IMMEDIATE, true; }},
    {"-scheduled", false, true, [](AppState* s, const char*, const char*, CommandLineResult*) { return s->when = SCHEDULED, true; }},
    {"-allow_remote", false, true, [](AppState* s, const char*, const char*, CommandLineResult*) { return s->options.allow_remote_control = 1, true; }},
    {"-remote_port", true, true, [](AppState* s, const char* name, const char* arg, CommandLineResult* result) { return PortArgument(&s->remote_control.port, name, arg, result); }},
    {"-remote_pswd", true, true, [](AppState* s, const char* name, const char* arg, CommandLineResult* result) {
         // Only the password's verifier is kept; the text's own length
         // is limited as before.
         char plain[sizeof s->remote_control.password];
         if (!TEXT_ARGUMENT(plain))
             return false;
         return SetRemoteControlPassword(s, plain);
     }},
    {"-remote_allow", true, true, [](AppState* s, const char* name, const char* arg, CommandLineResult* result) {
         char problem[USAGE_DETAIL_SIZE];
         if (!CheckAllowList(arg, problem, sizeof problem))
             return Fail(result, "%s (%s)", problem, name);
         return TEXT_ARGUMENT(s->remote_control.allow);
     }},
    {"-remote_secure_only", false, true, [](AppState* s, const char*, const char*, CommandLineResult*) { return s->remote_control.secure_only = 1, true; }},
    {"-secure", false, true, [](AppState* s, const char*, const char*, CommandLineResult*) { return s->remote.secure = 1, true; }},
    {"-process", true, true, [](AppState* s, const char* name, const char* arg, CommandLineResult* result) {
         s->when = PROCESS;
         return TEXT_ARGUMENT(s->process.process);
     }},
    {"-idle", true, true, [](AppState* s, const char*, const char* arg, CommandLineResult* result) {
         s->when = IDLE;
         return NumberArgument(&s->idle.minutes, MIN_IDLE_MINUTES, MAX_IDLE_MINUTES,
                               "idle time", arg, result);
     }},
    {"-idle_cpu", true, true, [](AppState* s, const char*, const char* arg, CommandLineResult* result) {
         return NumberArgument(&s->idle.cpu_percent, 1, MAX_IDLE_CPU_PERCENT,
                               "processor load", arg, result);
     }},
    {"-idle_net", true, true, [](AppState* s, const char*, const char* arg, CommandLineResult* result) {
         return NumberArgument(&s->idle.net_kbps, 1, MAX_IDLE_NET_KBPS,
                               "network traffic", arg, result);
     }},
    {"-nopostpone", false, true, [](AppState* s, const char*, const char*, CommandLineResult*) { return s->options.allow_postpone = 0, true; }},
    {"-simulate", false, false, [](AppState* s, const char*, const char*, CommandLineResult*) { return s->simulate = 1, true; }},
    {"-minimize", false, false, [](AppState* s, const char*, const char*, CommandLineResult*) { return s->start_minimized = 1, true; }},
    {"-time", true, true, [](AppState* s, const char*, const char* arg, CommandLineResult* result) {
         int hour, minute;
         if (sscanf(arg, "%d:%d", &hour, &minute) != 2)
             return Fail(result, "Invalid time format for -time (%s)", arg);
         GetLocalNow(&s->schedule.time);
         s->schedule.time.wHour = (WORD)hour;
         s->schedule.time.wMinute = (WORD)minute;
         if (s->schedule.date.wYear == 0)
             GetLocalNow(&s->schedule.date);
         return true;
     }},
    {"-date", true, true, [](AppState* s, const char*, const char* arg, CommandLineResult* result) {
         int day, month, year;
         if (sscanf(arg, "%d/%d/%d", &day, &month, &year) != 3)
             return Fail(result, "Invalid format for -date (%s)", arg);
         GetLocalNow(&s->schedule.date);
         s->schedule.date.wDay = (WORD)day;
         s->schedule.date.wMonth = (WORD)month;
         s->schedule.date.wYear = (WORD)year;
         s->schedule.schedule = FIXED_DAY;
         return true;
     }},
    {"-days", true, true, [](AppState* s, const char*, const char* arg, CommandLineResult* result) {
         if (!ApplyScheduleList(arg, DAY_TOKENS, 7, WeekdayFlags, s))
             return Fail(result, "Invalid day specified for -day (%s)", arg);
         return true;
     }},
    {"-weeks", true, true, [](AppState* s, const char*, const char* arg, CommandLineResult* result) {
         if (!ApplyScheduleList(arg, WEEK_TOKENS, 5, WeekFlags, s))
             return Fail(result, "Invalid week number specified for -week (%s)", arg);
         return true;
     }},
    {"-day", true, true, [](AppState* s, const char*, const char* arg, CommandLineResult*) {
         s->schedule.day = (uint32_t)atoi(arg);
         s->schedule.schedule = DAY_OF_MONTH;
         return true;
     }},
    {"-seconds", true, true, [](AppState* s, const char*, const char* arg, CommandLineResult*) {
         s->schedule.seconds = (uint32_t)atoi(arg);
         s->schedule.schedule = AFTER_X_SECONDS;
         return true;
     }},
    {"-ip", true, true, [](AppState* s, const char* name, const char* arg, CommandLineResult* result) {
         if (!IsValidIPAddress(arg))
             return Fail(result, "Invalid IP address specified (%s)", arg);
         return TEXT_ARGUMENT(s->remote.ip_address);
     }},
    {"-subnet", true, true, [](AppState* s, const char* name, const char* arg, CommandLineResult* result) {
         if (!IsValidSubnetMask(arg))
             return Fail(result, "Invalid subnet mask specified (%s)", arg);
         return TEXT_ARGUMENT(s->remote.subnet_mask);
     }},
    {"-mac", true, true, [](AppState* s, const char* name, const char* arg, CommandLineResult* result) {
         char mac[MAC_TEXT_SIZE];
         if (!CopyField(mac, arg) || !IsValidMACAddress(mac))
             return Fail(result, "Invalid MAC address specified (%s)", arg);
         return CopyArgument(s->remote.mac_address, sizeof s->remote.mac_address, name, mac, result);
     }},
    {"-save_settings", false, true, [](AppState*, const char*, const char*, CommandLineResult* r) { return r->mode = SAVE_SETTINGS, true; }},
    {"-remove_settings", false, true, [](AppState*, const char*, const char*, CommandLineResult* r) { return r->mode = REMOVE_SETTINGS, true; }},
    {"-save_svc_set", false, true, [](AppState*, const char*, const char*, CommandLineResult* r) { return r->mode = SAVE_SVC_SET, true; }},
    {"-remove_svc_set", false, true, [](AppState*, const char*, const char*, CommandLineResult* r) { return r->mode = REMOVE_SVC_SET, true; }},
    {"-create_service", false, true, [](AppState*, const char*, const char*, CommandLineResult* r) { return r->mode = CREATE_SERVICE, true; }},
    {"-remove_service", false, true, [](AppState*, const char*, const char*, CommandLineResult* r) { return r->mode = REMOVE_SERVICE, true; }},
    {"-hybrid", false, true, [](AppState* s, const char*, const char*, CommandLineResult*) { return s->power.hybrid = 1, true; }},
    {"-restart_apps", false, true, [](AppState* s, const char*, const char*, CommandLineResult*) { return s->power.restart_apps = 1, true; }},
    {"-firmware", false, true, [](AppState* s, const char*, const char*, CommandLineResult*) { return s->power.firmware = 1, true; }},
    {"-boot_options", false, true, [](AppState* s, const char*, const char*, CommandLineResult*) { return s->power.boot_options = 1, true; }},
    {"-reason", true, true, [](AppState* s, const char* name, const char* arg, CommandLineResult* result) { return TEXT_ARGUMENT(s->power.reason); }},
    {"-reason_code", true, true, [](AppState* s, const char*, const char* arg, CommandLineResult* result) {
         if (!ParseReasonCode(arg, &s->power.reason_code))
             return Fail(result, "Invalid reason code specified (%s)", arg);
         return true;
     }},
    {"-debug", false, false, [](AppState*, const char*, const char*, CommandLineResult*) { return g_debug = 1, true; }},
};

#undef TEXT_ARGUMENT

const char* const help_switches[] = {"/?", "-?", "-h", "-help", "--help"};

const Option* FindOption(const char* token)
{
    for (const Option& option : options)
        if (strcmp(token, option.name) == 0)
            return &option;
    return nullptr;
}

}  // namespace

bool ApplyCommandLine(int count, char** tokens, AppState* state, CommandLineResult* result)
{
    result->counted = 0;
    result->settings = 0;
    result->mode = CMD_NONE;
    result->usage_error[0] = '\0';
    result->help = false;
    if (count > 0)
        CopyField(state->executable, tokens[0]);

    for (int i = 1; i < count; i++) {
        const char* token = tokens[i];
        for (const char* help : help_switches)
            if (strcmp(token, help) == 0)
                return result->help = true;
        if (token[0] != '-') {
            result->counted++;
            result->settings++;
            if (!ApplyActionWord(token, state, result))
                return false;
            continue;
        }
        const Option* option = FindOption(token);
        if (!option)
            return Fail(result, "Invalid option specified (%s)", token);
        const char* arg = nullptr;
        if (option->takes_argument) {
            if (i + 1 >= count)
                return Fail(result, "Missing argument for %s", option->name);
            arg = tokens[++i];
        }
        if (option->counted)
            result->counted++;
        // A maintenance option is the one that sets the mode.
        CommandMode before = result->mode;
        result->mode = CMD_NONE;
        if (!option->apply(state, option->name, arg, result))
            return false;
        if (result->mode == CMD_NONE) {
            result->mode = before;
            if (option->counted && strcmp(option->name, "-quiet") != 0)
                result->settings++;
        }
    }
    return true;
}
