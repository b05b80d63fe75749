// The report's clock, text conversion and files on Windows.
#include <cstdio>
#include <cstring>

#include "actions/run_report.h"
#include "core/app_state.h"
#include "core/report.h"

namespace {

bool Failed(char* error, size_t size)
{
    SystemErrorText(GetLastError(), error, size);
    return false;
}

bool WriteWhole(const char* path, const char* data, size_t length, char* error, size_t size)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return Failed(error, size);
    DWORD written = 0;
    bool whole = WriteFile(file, data, (DWORD)length, &written, nullptr) && written == length;
    if (!whole)
        SystemErrorText(GetLastError(), error, size);
    // A file that could not be closed may not hold its last bytes.
    if (!CloseHandle(file) && whole)
        return Failed(error, size);
    return whole;
}

bool Replace(const char* from, const char* to, char* error, size_t size)
{
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ||
           Failed(error, size);
}

void Remove(const char* path)
{
    DeleteFileA(path);
}

}  // namespace

void StampReportTime(ReportTime* time)
{
    GetLocalTime(&time->local);
    TIME_ZONE_INFORMATION zone;
    DWORD kind = GetTimeZoneInformation(&zone);
    long bias = zone.Bias;
    if (kind == TIME_ZONE_ID_DAYLIGHT)
        bias += zone.DaylightBias;
    else if (kind == TIME_ZONE_ID_STANDARD)
        bias += zone.StandardBias;
    else if (kind == TIME_ZONE_ID_INVALID)
        bias = 0;
    time->offset_minutes = (int32_t)-bias;
}

void ReportTextToUtf8(char* text, size_t size)
{
    if (GetACP() == CP_UTF8)
        return;
    bool plain = true;
    for (const char* at = text; *at; at++)
        plain = plain && (unsigned char)*at < 0x80;
    if (plain)
        return;
    WCHAR wide[512];
    char converted[1024];
    int length = MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 512);
    if (length > 0 && WideCharToMultiByte(CP_UTF8, 0, wide, -1, converted, (int)sizeof converted,
                                          nullptr, nullptr) > 0 &&
        strlen(converted) < size)
        memcpy(text, converted, strlen(converted) + 1);
}

void StartReportTiming(const AppState* job, ReportRow* row, DWORD* started)
{
    StartReportRow(job, row);
    ReportTextToUtf8(row->computer, sizeof row->computer);
    StampReportTime(&row->start);
    *started = GetTickCount();
}

void EndReportRow(const AppState* job, int result, const char* reason, DWORD started, ReportRow* row)
{
    row->duration_ms = GetTickCount() - started;
    snprintf(row->address, sizeof row->address, "%s",
             job->client_address[0] ? job->client_address : job->remote.computer_name);
    row->outcome = result < 0 ? OUTCOME_FAILED : OUTCOME_OK;
    CopyField(row->version, job->probe.version);
    CopyField(row->login, job->probe.login);
    snprintf(row->error, sizeof row->error, "%s", result < 0 && !reason[0] ? "failed" : reason);
    ReportTextToUtf8(row->error, sizeof row->error);
}

bool SaveReportFile(const char* path, const ReportRow* rows, int count, char* error, size_t size)
{
    ReportFileCalls files = {WriteWhole, Replace, Remove};
    return SaveReport(files, path, GetCurrentProcessId(), rows, count, error, size);
}

bool WriteRunReport(AppState* state, HWND window, const ReportRow* rows, int count)
{
    if (!state->report_file[0])
        return true;
    char error[MESSAGE_SIZE];
    if (SaveReportFile(state->report_file, rows, count, error, sizeof error)) {
        WriteLog("Report written to %s (%d computers)", state->report_file, count);
        return true;
    }
    // The run itself stands: only its report is missing.
    ErrorWithEvent(state, window, error, EVENT_ACTION_FAILED);
    NoteResult(state, -1);
    return false;
}
