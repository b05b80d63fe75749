// The report of a run: one row per computer, written as CSV (what
// spreadsheets and PowerShell's Import-Csv read) or, for a name ending in
// .json, as a JSON array of the same fields. The file appears whole or not
// at all: it is written beside its place under a temporary name and then
// renamed over it.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/platform.h"

struct AppState;

enum ReportWay : int32_t {
    WAY_PROGRAM = 0,          // this program's own protocol
    WAY_REMOTE_SHUTDOWN = 1,  // the system's remote shutdown
    WAY_WAKE_ON_LAN = 2,
};

enum ReportOutcome : int32_t { OUTCOME_OK = 0, OUTCOME_FAILED = 1, OUTCOME_SKIPPED = 2 };

// A moment as local time and that time's offset from UTC in minutes (east
// of Greenwich positive).
struct ReportTime {
    SYSTEMTIME local;
    int32_t offset_minutes;
};

// Texts are UTF-8.
struct ReportRow {
    char computer[100];
    char address[64];  // the address the connection or packet went to
    int32_t port;      // 0 where the way has none
    ReportWay way;
    char action[16];  // the action's command-line word, or "probe"
    ReportOutcome outcome;
    char error[256];    // the problem as the user was told it
    char version[32];   // the remote copy's version, where it was read
    char login[12];     // "accepted", "refused", or empty where none was tried
    ReportTime start;
    uint32_t duration_ms;
};

enum ReportFormat { REPORT_CSV, REPORT_JSON };
// JSON for a name ending in ".json" (any letter case), else CSV.
ReportFormat ReportFormatOf(const char* path);

// The row of one computer before its job: name, port, way and action from
// the job's record.
void StartReportRow(const AppState* job, ReportRow* row);

// "2026-12-11T05:04:03.120+01:00".
void FormatReportTime(char* out, size_t size, const ReportTime& time);

// The whole report text, allocated (free it), with its length; null when
// memory ran out. CSV starts with a UTF-8 byte-order mark (without one,
// spreadsheets and Windows PowerShell 5.1 read the text in the ANSI code
// page), then a header row; lines end in CR LF. JSON carries no mark.
char* FormatReport(ReportFormat format, const ReportRow* rows, int count, size_t* length);

// The file operations a report needs; each gives false with the system's
// text in error (size bytes) when it fails.
struct ReportFileCalls {
    // Creates (or replaces) path with the bytes.
    bool (*write)(const char* path, const char* data, size_t length, char* error, size_t size);
    // Renames from to to, replacing to.
    bool (*replace)(const char* from, const char* to, char* error, size_t size);
    void (*remove)(const char* path);
};

// Writes the report to "<path>.<unique>.tmp" and renames it over path:
// true; false with "The report <path> could not be written: <text>" in
// error, the earlier report at path (if any) untouched and no temporary
// file left behind.
bool SaveReport(const ReportFileCalls& calls, const char* path, unsigned long unique,
                const ReportRow* rows, int count, char* error, size_t size);

#ifdef _WIN32
// Now, as local time with its offset.
void StampReportTime(ReportTime* time);
// Text in the program's code page turned into UTF-8, where it fits.
void ReportTextToUtf8(char* text, size_t size);
// The row of a job about to start (StartReportRow), its start time and the
// tick count it started at.
void StartReportTiming(const AppState* job, ReportRow* row, DWORD* started);
// The row of a job that ended with result (below 0: failed) and reason.
void EndReportRow(const AppState* job, int result, const char* reason, DWORD started, ReportRow* row);
// SaveReport to path with the system's files.
bool SaveReportFile(const char* path, const ReportRow* rows, int count, char* error, size_t size);
// Writes the rows to the report that -report asked for, if any: true when
// written or none was asked; otherwise the problem is reported, the run's
// exit code becomes 2, and false.
bool WriteRunReport(AppState* state, HWND window, const ReportRow* rows, int count);
#endif
