#include "actions/run_report.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/app_state.h"
#include "core/command_line.h"
#include "core/port.h"
#include "core/text_compare.h"

namespace {

const char* const FIELD_NAMES[] = {"computer", "address",  "port",  "protocol",    "action", "result",
                                   "error",    "version", "login", "start", "duration_ms"};
const int FIELD_COUNT = (int)(sizeof FIELD_NAMES / sizeof FIELD_NAMES[0]);

const char* WayName(ReportWay way)
{
    switch (way) {
    case WAY_REMOTE_SHUTDOWN:
        return "remote-shutdown";
    case WAY_WAKE_ON_LAN:
        return "wake-on-lan";
    default:
        return "haltall";
    }
}

const char* OutcomeName(ReportOutcome outcome)
{
    switch (outcome) {
    case OUTCOME_OK:
        return "ok";
    case OUTCOME_SKIPPED:
        return "skipped";
    default:
        return "failed";
    }
}

// A text that grows as it is written; a failed allocation sticks.
struct Text {
    char* data = nullptr;
    size_t length = 0;
    size_t capacity = 0;
    bool failed = false;

    void Add(const char* bytes, size_t count)
    {
        if (failed)
            return;
        if (length + count + 1 > capacity) {
            size_t wanted = capacity ? capacity : 4096;
            while (length + count + 1 > wanted)
                wanted *= 2;
            char* grown = (char*)realloc(data, wanted);
            if (!grown) {
                failed = true;
                return;
            }
            data = grown;
            capacity = wanted;
        }
        memcpy(data + length, bytes, count);
        length += count;
        data[length] = '\0';
    }
    void Add(const char* text) { Add(text, strlen(text)); }
};

// The row's fields as text, in FIELD_NAMES order.
void RowFields(const ReportRow& row, char (&port)[12], char (&start)[40], char (&duration)[12],
               const char* (&fields)[FIELD_COUNT])
{
    snprintf(port, sizeof port, "%ld", (long)row.port);
    FormatReportTime(start, sizeof start, row.start);
    snprintf(duration, sizeof duration, "%lu", (unsigned long)row.duration_ms);
    const char* values[FIELD_COUNT] = {row.computer, row.address, port,       WayName(row.way),
                                       row.action,   OutcomeName(row.outcome), row.error,
                                       row.version,  row.login,   start,      duration};
    memcpy(fields, values, sizeof values);
}

// The fields JSON writes bare: port and duration_ms.
bool IsNumberField(int field)
{
    return field == 2 || field == FIELD_COUNT - 1;
}

// RFC 4180: a field with a separator, a quote or a line break is quoted,
// its quotes doubled.
void AddCsvField(Text& text, const char* field)
{
    if (!strpbrk(field, ",\"\r\n")) {
        text.Add(field);
        return;
    }
    text.Add("\"");
    for (const char* at = field; *at; at++)
        text.Add(*at == '"' ? "\"\"" : at, *at == '"' ? 2 : 1);
    text.Add("\"");
}

void AddJsonString(Text& text, const char* value)
{
    text.Add("\"");
    for (const unsigned char* at = (const unsigned char*)value; *at; at++) {
        char escaped[8];
        if (*at == '"' || *at == '\\') {
            escaped[0] = '\\';
            escaped[1] = (char)*at;
            text.Add(escaped, 2);
        } else if (*at < 0x20) {
            snprintf(escaped, sizeof escaped, "\\u%04x", *at);
            text.Add(escaped);
        } else {
            text.Add((const char*)at, 1);
        }
    }
    text.Add("\"");
}

}  // namespace

ReportFormat ReportFormatOf(const char* path)
{
    size_t length = strlen(path);
    return length >= 5 && EqualIgnoringCase(path + length - 5, ".json") ? REPORT_JSON : REPORT_CSV;
}

void StartReportRow(const AppState* job, ReportRow* row)
{
    memset(row, 0, sizeof *row);
    CopyField(row->computer, job->remote.computer_name);
    snprintf(row->action, sizeof row->action, "%s",
             job->probe.on ? "probe" : ActionCommandWord(job->action));
    if (job->action == WAKE_ON_LAN) {
        row->way = WAY_WAKE_ON_LAN;
    } else if (job->remote.use_nt) {
        row->way = WAY_REMOTE_SHUTDOWN;
    } else {
        row->way = WAY_PROGRAM;
        int32_t port = 0;
        row->port = TakePort(job->remote.port, &port) ? port : job->remote.port;
    }
}

void FormatReportTime(char* out, size_t size, const ReportTime& time)
{
    const SYSTEMTIME& t = time.local;
    long offset = time.offset_minutes < 0 ? -(long)time.offset_minutes : time.offset_minutes;
    snprintf(out, size, "%04u-%02u-%02uT%02u:%02u:%02u.%03u%c%02ld:%02ld", (unsigned)t.wYear,
             (unsigned)t.wMonth, (unsigned)t.wDay, (unsigned)t.wHour, (unsigned)t.wMinute,
             (unsigned)t.wSecond, (unsigned)t.wMilliseconds, time.offset_minutes < 0 ? '-' : '+',
             offset / 60, offset % 60);
}

char* FormatReport(ReportFormat format, const ReportRow* rows, int count, size_t* length)
{
    Text text;
    if (format == REPORT_CSV) {
        text.Add("\xEF\xBB\xBF");
        for (int f = 0; f < FIELD_COUNT; f++) {
            text.Add(f ? "," : "");
            text.Add(FIELD_NAMES[f]);
        }
        text.Add("\r\n");
    } else {
        text.Add("[");
    }
    for (int i = 0; i < count; i++) {
        char port[12], start[40], duration[12];
        const char* fields[FIELD_COUNT];
        RowFields(rows[i], port, start, duration, fields);
        if (format == REPORT_JSON)
            text.Add(i ? ",\r\n  {" : "\r\n  {");
        for (int f = 0; f < FIELD_COUNT; f++) {
            if (format == REPORT_CSV) {
                text.Add(f ? "," : "");
                AddCsvField(text, fields[f]);
                continue;
            }
            text.Add(f ? ", \"" : "\"");
            text.Add(FIELD_NAMES[f]);
            text.Add("\": ");
            if (IsNumberField(f))
                text.Add(fields[f]);
            else
                AddJsonString(text, fields[f]);
        }
        text.Add(format == REPORT_CSV ? "\r\n" : "}");
    }
    if (format == REPORT_JSON)
        text.Add(count ? "\r\n]\r\n" : "]\r\n");
    if (text.failed) {
        free(text.data);
        return nullptr;
    }
    *length = text.length;
    return text.data;
}

bool SaveReport(const ReportFileCalls& calls, const char* path, unsigned long unique,
                const ReportRow* rows, int count, char* error, size_t size)
{
    char problem[300] = "";
    char temporary[300];
    bool saved = false;
    size_t length = 0;
    char* data = FormatReport(ReportFormatOf(path), rows, count, &length);
    if (!data) {
        snprintf(problem, sizeof problem, "Not enough memory");
    } else if (snprintf(temporary, sizeof temporary, "%s.%lu.tmp", path, unique) >=
               (int)sizeof temporary) {
        snprintf(problem, sizeof problem, "The file name is too long");
    } else if (!calls.write(temporary, data, length, problem, sizeof problem)) {
        calls.remove(temporary);
    } else if (!calls.replace(temporary, path, problem, sizeof problem)) {
        calls.remove(temporary);
    } else {
        saved = true;
    }
    free(data);
    if (!saved)
        snprintf(error, size, "The report %s could not be written: %s", path, problem);
    return saved;
}
