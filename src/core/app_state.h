// The one record of all settings and runtime state, its enumerations, and
// the routines that give it defaults, name its action and dump it.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/platform.h"

struct RemotePC;

enum Action : int32_t {
    LOGOFF = 0,
    REBOOT = 1,
    SHUTDOWN = 2,
    POWEROFF = 3,
    STANDBY = 4,
    HIBERNATE = 5,
    LOCK = 6,
    WAKE_ON_LAN = 7,
    MONITOR_OFF = 8,
    MONITOR_ON = 9,
    NO_ACTION = 10,
    ABORT = 11,  // stops a countdown of the system's own shutdown
};

enum Who : int32_t { LOCAL_COMPUTER = 0, REMOTE_COMPUTER = 1, REMOTE_GROUP = 2 };

enum When : int32_t { IMMEDIATE = 0, SCHEDULED = 1, PROCESS = 2, IDLE = 3 };

enum ScheduleKind : int32_t { FIXED_DAY = 0, DAILY = 1, DAY_OF_MONTH = 2, AFTER_X_SECONDS = 3 };

typedef int16_t Flag;

// One reading for the idle trigger. Ticks are the system's 32-bit
// millisecond count, which wraps after 49.7 days: only differences of
// readings a moment apart are used.
struct IdleSample {
    uint32_t now_ms;         // tick count when read
    uint32_t last_input_ms;  // tick count of the session's last keyboard or mouse input
    bool has_cpu;            // cpu_idle and cpu_total were read
    uint64_t cpu_idle;       // system idle time, 100 ns units
    uint64_t cpu_total;      // kernel (idle included) plus user time, 100 ns units
    bool has_net;            // net_bytes was read
    uint32_t net_bytes;      // bytes in and out on all interfaces, a wrapping counter
};

const int DEFAULT_PORT = 3210;

// The idle trigger's window in minutes, and the limits of its conditions
// (0 leaves a condition off).
const int MIN_IDLE_MINUTES = 1;
const int MAX_IDLE_MINUTES = 1440;
const int DEFAULT_IDLE_MINUTES = 30;
const int MAX_IDLE_CPU_PERCENT = 100;
const int MAX_IDLE_NET_KBPS = 1000000;
// How long a postponed action waits before it warns again.
const int DEFAULT_POSTPONE_MINUTES = 10;
const WORD NO_TIME_HOUR = 25;  // schedule.time.wHour while no time was chosen
inline constexpr char VERSION_TEXT[] = "3.0.2.0";

// What a run tells the program that started it (WinMain returns it).
enum ExitCode : int32_t {
    EXIT_CODE_SUCCESS = 0,       // done, armed, handed over, or nothing to do
    EXIT_CODE_USAGE = 1,         // a usage error, or the group file could not be read
    EXIT_CODE_FAILED = 2,        // an action or a maintenance command failed
    EXIT_CODE_CANCELLED = 3,     // the user cancelled at the warning
};

// How many computers of a group are handled at a time (group_parallel). The
// default is the widest: a computer that never answers holds its worker for
// the whole connect time-out, and with 64 at a time 5,000 computers of which
// one in ten is silent are done within a minute. The widest is what one
// WaitForMultipleObjects call can wait for.
const int DEFAULT_GROUP_PARALLEL = 64;
const int MAX_GROUP_PARALLEL = 64;
inline bool IsValidGroupParallel(long width)
{
    return width >= 1 && width <= MAX_GROUP_PARALLEL;
}

// Closes a socket of the record: the system's call once the program has
// started Windows Sockets, none before (nor in builds without sockets).
extern void (*g_close_record_socket)(SOCKET socket);

// A socket the record holds. A copy of the record starts without one, an
// assignment of one record to another keeps the target's own, and a record
// that ends closes the one it still holds: a job's copy of the record can
// neither carry off nor close the run's connection, and cannot end without
// closing its own.
class RecordSocket {
public:
    RecordSocket() = default;
    RecordSocket(const RecordSocket&) {}
    RecordSocket& operator=(const RecordSocket&) { return *this; }
    ~RecordSocket()
    {
        if (socket_ != INVALID_SOCKET && g_close_record_socket)
            g_close_record_socket(socket_);
    }
    RecordSocket& operator=(SOCKET socket)
    {
        socket_ = socket;
        return *this;
    }
    operator SOCKET() const { return socket_; }
    SOCKET* slot() { return &socket_; }

private:
    SOCKET socket_ = INVALID_SOCKET;
};

// Who asked for the action under way.
enum Requester {
    REQUESTED_BY_USER = 0,  // the window, the tray or the command line
    REQUESTED_BY_TRIGGER,   // the armed trigger (schedule, process, idle) fired
    REQUESTED_BY_REMOTE,    // a remote-control peer (its address is kept)
    REQUESTED_BY_GROUP,     // a group run, for each of its computers
};

struct AppState {
    Action action;
    Who who;
    When when;
    Flag interactive;
    uint32_t active_timer;
    Flag simulate;
    Flag start_minimized;
    Flag run_as_service;
    char executable[260];
    RecordSocket server_socket;
    RecordSocket client_socket;
    char peer_address[64];  // the accepted peer's address in text form
    char client_address[64];  // where the last outgoing connection went, in text form
    // A group job's whole exchange, from the accepted connection to its last
    // reply, must fit in this (0: every reply may take the reply time-out).
    uint32_t reply_budget_ms;
    uint32_t connected_ms;  // the tick count at which the last connection was accepted
    Flag authenticated;
    Flag quiet;
    uint32_t remaining_seconds;
    uint32_t fired_minute;  // the scheduled minute that last fired (0: none since arming)
    // Ticks the armed schedule still skips: the configured schedule.wait when
    // armed, 60 after every action. schedule.wait itself stays as configured.
    uint32_t wait_left;
    ExitCode exit_code;
    struct {
        Requester by;
        char address[64];  // the remote-control peer's (peer_address)
    } request;

    struct {
        char computer_name[100];
        char mac_address[14];
        char ip_address[20];
        char subnet_mask[20];
        Flag use_nt;
        int32_t port;
        Flag save_password;
        char password[40];
        Flag schedule_remote;
        Flag current_credentials;
        char username[40];
        Flag secure;  // never send the password in clear, not even to an older server
    } remote;

    RemotePC* group_list;
    int32_t group_count;
    char group_file[260];
    uint32_t group_modified;
    int32_t group_parallel;  // computers a group run handles at a time
    char report_file[260];   // where this run's report goes (-report); never stored
    struct {
        Flag on;           // -probe: the computers are checked, not acted on
        char version[32];  // what the last check found: the remote copy's version,
        char login[12];    // and "accepted", "refused" or "" (no password to try)
    } probe;

    struct {
        int32_t port;
        char password[40];   // the encoded form older copies stored, until it is set again
        char verifier[160];  // the password's salted verifier (SCRAM-SHA-256)
        Flag secure_only;    // PASSWORD in clear is refused
        char allow[512];     // addresses and ranges that may connect; empty: all
    } remote_control;

    struct {
        int32_t seconds;
        char message[200];
        Flag play_sound;
        char sound_file[260];
    } warning;

    struct {
        char program[260];
        char directory[260];
    } program;

    struct {
        ScheduleKind schedule;
        SYSTEMTIME time;
        SYSTEMTIME date;
        Flag monday, tuesday, wednesday, thursday, friday, saturday, sunday;
        Flag week1, week2, week3, week4, week5;
        uint32_t day;
        uint32_t seconds;
        int32_t wait;
    } schedule;

    struct {
        char process[200];
        uint32_t seen_running;
    } process;

    struct {
        int32_t minutes;      // no input for this long
        int32_t cpu_percent;  // processor load below this over the window (0: off)
        int32_t net_kbps;     // network traffic below this over the window (0: off)
        IdleSample previous;  // the last reading while armed
        uint32_t quiet_ms;    // how long every condition has held
    } idle;

    struct {
        int32_t minutes;         // the delay last chosen in the warning
        uint32_t seconds_left;   // until a postponed action warns again (0: none)
    } postpone;

    OSVERSIONINFOA os_version;

    struct {
        Flag warning;
        Flag run_program;
        Flag force;
        Flag in_tray;
        Flag allow_cancel;
        Flag allow_remote_control;
        Flag allow_postpone;
        Flag confirm_quick_actions;  // the tray's quick actions ask first
    } options;

    // What today's systems offer beyond the plain actions (power_options.h).
    struct {
        Flag hybrid;        // shutdown and power off keep fast start-up
        Flag restart_apps;  // reboot or logoff reopens the registered applications
        Flag firmware;      // the reboot goes into the firmware setup
        Flag boot_options;  // the reboot goes into the advanced start-up options
        char reason[256];   // recorded with the shutdown (and shown remotely)
        uint32_t reason_code;  // planned reason: major << 16 | minor
    } power;
    // What GetFirmwareType said at start-up (FIRMWARE_TYPE_*; 0 unknown).
    int32_t firmware_type;
};

// Why the idle trigger is refused in service mode (saved service settings,
// a service start, the protocol).
inline constexpr char IDLE_IN_SERVICE[] =
    "The idle trigger cannot be used in service mode: a service sees no keyboard or mouse input";

// The first of the idle settings that is out of range, as a message, or null.
const char* IdleSettingsProblem(long minutes, long cpu_percent, long net_kbps);

// True when the copy on the remote computer is to wait for the trigger
// itself. It runs as a service, which sees no keyboard or mouse: the idle
// trigger always waits here.
inline bool RemoteCopyWaits(const AppState* state)
{
    return state->remote.schedule_remote && state->when != IDLE;
}

// Pointers to the seven weekday flags, Monday first, and the five week flags.
Flag* WeekdayFlags(AppState* state, int index);
Flag* WeekFlags(AppState* state, int index);

const char* ActionText(int32_t action);
const char* WhoText(int32_t who);
const char* WhenText(int32_t when);
const char* ScheduleKindText(int32_t kind);

// Copies text into a fixed field; returns false (field untouched) when it
// does not fit with its terminator.
bool CopyField(char* field, size_t size, const char* text);
template <size_t N> bool CopyField(char (&field)[N], const char* text)
{
    return CopyField(field, N, text);
}

// Defaults for every field; the operating-system version is left empty.
void SetDefaultSettings(AppState* state);
// Defaults plus the operating-system version (reported when the query fails).
void InitSettings(AppState* state);
// Gives every setting its default again but keeps the state of the run
// (mode flags, armed trigger, sockets, group, operating system).
void ResetSettings(AppState* state);
const char* GetModeStr(AppState* state);
// Marks the run failed when result is negative (the operations' failure
// results); success and a cancel at the warning leave the mark as it is.
void NoteResult(AppState* state, int result);
// "Action requested by the user" and the like, with " (simulated)" when so.
void FormatRequest(const AppState* state, char* out, size_t size);
// A cancel at the warning; a failure of another action still wins.
void NoteCancelled(AppState* state);
void DebugSettings(AppState* state);
