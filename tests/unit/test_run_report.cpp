#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "actions/run_report.h"
#include "core/app_state.h"
#include "log_folder.h"

namespace {

ReportRow Row(const char* computer, ReportOutcome outcome, const char* error)
{
    ReportRow row = {};
    snprintf(row.computer, sizeof row.computer, "%s", computer);
    snprintf(row.address, sizeof row.address, "127.0.0.1");
    row.port = 3210;
    row.way = WAY_PROGRAM;
    snprintf(row.action, sizeof row.action, "logoff");
    row.outcome = outcome;
    snprintf(row.error, sizeof row.error, "%s", error);
    row.start = {{2026, 12, 5, 11, 4, 5, 6, 7}, 60};
    row.duration_ms = 1234;
    return row;
}

std::string Format(ReportFormat format, const std::vector<ReportRow>& rows)
{
    size_t length = 0;
    char* data = FormatReport(format, rows.data(), (int)rows.size(), &length);
    std::string text(data, length);
    free(data);
    return text;
}

const char CSV_HEADER[] =
    "\xEF\xBB\xBF"
    "computer,address,port,protocol,action,result,error,version,login,start,duration_ms\r\n";

}  // namespace

TEST(RunReport, CsvRowsQuoteWhatWouldSplitThem)
{
    struct Case {
        const char* computer;
        const char* error;
        const char* line;  // after the header
    } cases[] = {
        {"pc-01", "", "pc-01,127.0.0.1,3210,haltall,logoff,ok,,,,2026-12-11T04:05:06.007+01:00,1234\r\n"},
        {"pc,02", "a \"quoted\" word",
         "\"pc,02\",127.0.0.1,3210,haltall,logoff,ok,\"a \"\"quoted\"\" word\",,,"
         "2026-12-11T04:05:06.007+01:00,1234\r\n"},
        {"pc-03", "line one\r\nline two",
         "pc-03,127.0.0.1,3210,haltall,logoff,ok,\"line one\r\nline two\",,,"
         "2026-12-11T04:05:06.007+01:00,1234\r\n"},
        // UTF-8 passes as it is, semicolons too.
        {"Müller-PC;日本", "", "Müller-PC;日本,127.0.0.1,3210,haltall,logoff,ok,,,,"
                              "2026-12-11T04:05:06.007+01:00,1234\r\n"},
    };
    for (const Case& c : cases) {
        ReportRow row = Row(c.computer, OUTCOME_OK, c.error);
        EXPECT_EQ(Format(REPORT_CSV, {row}), std::string(CSV_HEADER) + c.line) << c.computer;
    }
}

TEST(RunReport, EveryFieldInCsvAndJson)
{
    ReportRow ok = Row("pc-01", OUTCOME_OK, "");
    snprintf(ok.version, sizeof ok.version, "3.0.2.0");
    snprintf(ok.login, sizeof ok.login, "accepted");
    ReportRow failed = Row("nas \"b\\1\"", OUTCOME_FAILED, "connect(): refused\n\x01");
    failed.way = WAY_REMOTE_SHUTDOWN;
    failed.port = 0;
    failed.start = {{2026, 1, 5, 2, 23, 59, 59, 999}, -330};
    ReportRow skipped = Row("wol-pc", OUTCOME_SKIPPED, "");
    skipped.way = WAY_WAKE_ON_LAN;
    snprintf(skipped.action, sizeof skipped.action, "wol");
    std::vector<ReportRow> rows = {ok, failed, skipped};

    EXPECT_EQ(Format(REPORT_CSV, rows),
              std::string(CSV_HEADER) +
                  "pc-01,127.0.0.1,3210,haltall,logoff,ok,,3.0.2.0,accepted,2026-12-11T04:05:06.007+01:00,1234\r\n"
                  "\"nas \"\"b\\1\"\"\",127.0.0.1,0,remote-shutdown,logoff,failed,\"connect(): refused\n\x01\",,,"
                  "2026-01-02T23:59:59.999-05:30,1234\r\n"
                  "wol-pc,127.0.0.1,3210,wake-on-lan,wol,skipped,,,,2026-12-11T04:05:06.007+01:00,1234\r\n");
    EXPECT_EQ(Format(REPORT_JSON, rows),
              "[\r\n"
              "  {\"computer\": \"pc-01\", \"address\": \"127.0.0.1\", \"port\": 3210, \"protocol\": \"haltall\", "
              "\"action\": \"logoff\", \"result\": \"ok\", \"error\": \"\", \"version\": \"3.0.2.0\", "
              "\"login\": \"accepted\", \"start\": \"2026-12-11T04:05:06.007+01:00\", \"duration_ms\": 1234},\r\n"
              "  {\"computer\": \"nas \\\"b\\\\1\\\"\", \"address\": \"127.0.0.1\", \"port\": 0, "
              "\"protocol\": \"remote-shutdown\", \"action\": \"logoff\", \"result\": \"failed\", "
              "\"error\": \"connect(): refused\\u000a\\u0001\", \"version\": \"\", \"login\": \"\", "
              "\"start\": \"2026-01-02T23:59:59.999-05:30\", \"duration_ms\": 1234},\r\n"
              "  {\"computer\": \"wol-pc\", \"address\": \"127.0.0.1\", \"port\": 3210, \"protocol\": "
              "\"wake-on-lan\", \"action\": \"wol\", \"result\": \"skipped\", \"error\": \"\", \"version\": \"\", "
              "\"login\": \"\", \"start\": \"2026-12-11T04:05:06.007+01:00\", \"duration_ms\": 1234}\r\n"
              "]\r\n");
    EXPECT_EQ(Format(REPORT_JSON, {}), "[]\r\n");
    EXPECT_EQ(Format(REPORT_CSV, {}), CSV_HEADER);
}

TEST(RunReport, TheFormatFollowsTheExtension)
{
    EXPECT_EQ(ReportFormatOf("r.json"), REPORT_JSON);
    EXPECT_EQ(ReportFormatOf("C:\\Reports\\R.JSON"), REPORT_JSON);
    EXPECT_EQ(ReportFormatOf("r.csv"), REPORT_CSV);
    EXPECT_EQ(ReportFormatOf("json"), REPORT_CSV);
    EXPECT_EQ(ReportFormatOf("r.json.txt"), REPORT_CSV);
}

TEST(RunReport, TheRowOfAJobNamesItsWay)
{
    struct Case {
        Action action;
        int use_nt;
        ReportWay way;
        const char* word;
        int port;
    } cases[] = {
        {REBOOT, 0, WAY_PROGRAM, "reboot", 4000},
        {REBOOT, 1, WAY_REMOTE_SHUTDOWN, "reboot", 0},
        {WAKE_ON_LAN, 0, WAY_WAKE_ON_LAN, "wol", 0},
    };
    for (const Case& c : cases) {
        AppState job;
        SetDefaultSettings(&job);
        job.action = c.action;
        job.remote.use_nt = (Flag)c.use_nt;
        job.remote.port = 4000;
        snprintf(job.remote.computer_name, sizeof job.remote.computer_name, "pc-9");
        ReportRow row;
        StartReportRow(&job, &row);
        EXPECT_STREQ(row.computer, "pc-9");
        EXPECT_EQ(row.way, c.way) << c.word;
        EXPECT_STREQ(row.action, c.word);
        EXPECT_EQ(row.port, c.port) << c.word;
    }
}

namespace {

// The C library's files: what a test on this side can do.
bool WriteWhole(const char* path, const char* data, size_t length, char* error, size_t size)
{
    FILE* file = fopen(path, "wb");
    if (!file || fwrite(data, 1, length, file) != length) {
        snprintf(error, size, "%s", strerror(errno));
        if (file)
            fclose(file);
        return false;
    }
    fclose(file);
    return true;
}

bool Rename(const char* from, const char* to, char* error, size_t size)
{
#ifdef _WIN32
    remove(to);  // this C library's rename does not replace; the program's own does
#endif
    if (rename(from, to) == 0)
        return true;
    snprintf(error, size, "%s", strerror(errno));
    return false;
}

void Remove(const char* path)
{
    remove(path);
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

TEST(RunReport, SavedWholeOrNotAtAll)
{
    LogFolder folder;
    std::string path = (folder.folder / "r.csv").string();
    std::vector<ReportRow> rows = {Row("pc-01", OUTCOME_OK, "")};
    ReportFileCalls files = {WriteWhole, Rename, Remove};
    char error[400] = "";

    // The first report, then one that replaces it.
    ASSERT_TRUE(SaveReport(files, path.c_str(), 7, rows.data(), 1, error, sizeof error)) << error;
    rows.push_back(Row("pc-02", OUTCOME_FAILED, "refused"));
    ASSERT_TRUE(SaveReport(files, path.c_str(), 7, rows.data(), 2, error, sizeof error)) << error;
    EXPECT_EQ(ReadFile(path), Format(REPORT_CSV, rows));
    EXPECT_FALSE(std::ifstream(path + ".7.tmp").good());

    // A write or a rename that fails leaves the earlier report as it was
    // and no temporary file.
    struct Case {
        const char* name;
        ReportFileCalls calls;
    } cases[] = {
        {"write", {[](const char* p, const char*, size_t, char* e, size_t s) {
                       std::ofstream(p) << "half";
                       snprintf(e, s, "No space left on device");
                       return false;
                   },
                   Rename, Remove}},
        {"rename", {WriteWhole,
                    [](const char*, const char*, char* e, size_t s) {
                        snprintf(e, s, "Access is denied.");
                        return false;
                    },
                    Remove}},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(SaveReport(c.calls, path.c_str(), 7, rows.data(), 1, error, sizeof error)) << c.name;
        EXPECT_EQ(ReadFile(path), Format(REPORT_CSV, rows)) << c.name;
        EXPECT_FALSE(std::ifstream(path + ".7.tmp").good()) << c.name;
    }
    EXPECT_EQ(std::string(error), "The report " + path + " could not be written: Access is denied.");

    // A folder that is not there: the system's own words.
    std::string nowhere = (folder.folder / "missing" / "r.json").string();
    EXPECT_FALSE(SaveReport(files, nowhere.c_str(), 7, rows.data(), 1, error, sizeof error));
    EXPECT_EQ(std::string(error),
              "The report " + nowhere + " could not be written: " + strerror(ENOENT));
}
