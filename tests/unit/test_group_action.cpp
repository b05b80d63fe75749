#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "actions/group_action.h"
#include "actions/group_file.h"
#include "core/app_state.h"

namespace {

RemotePC Computer(const char* name, int port = 3211, int use_nt = 0, int current_credentials = 1)
{
    RemotePC pc = {};
    CopyField(pc.computer_name, name);
    CopyField(pc.mac_address, "00AABBCCDDEE");
    CopyField(pc.subnet_mask, "255.0.0.0");
    CopyField(pc.password, "pw");
    CopyField(pc.username, "bob");
    pc.port = port;
    pc.use_nt = (int16_t)use_nt;
    pc.current_credentials = (int16_t)current_credentials;
    return pc;
}

GroupResult Result(int result, const char* reason = "")
{
    GroupResult r = {};
    r.result = result;
    CopyField(r.reason, reason);
    return r;
}

}  // namespace

TEST(GroupAction, ProgressTextIsTruncatedPercent)
{
    struct {
        int done, count;
        const char* text;
    } cases[] = {{0, 3, "0%"},  {1, 3, "33%"}, {2, 3, "66%"}, {3, 3, "100%"}, {1, 4, "25%"},
                 {3, 4, "75%"}, {1, 7, "14%"}, {6, 7, "85%"}, {0, 0, "100%"}};
    for (const auto& c : cases) {
        char text[16];
        FormatGroupProgress(text, sizeof text, c.done, c.count);
        EXPECT_STREQ(text, c.text) << c.done << "/" << c.count;
    }
}

TEST(GroupAction, WorkersAreBoundedBySettingAndGroup)
{
    struct {
        int setting, count, workers;
    } cases[] = {{16, 500, 16}, {1, 500, 1}, {64, 500, 64}, {16, 3, 3}, {0, 500, 64},
                 {65, 500, 64}, {-1, 2, 2},  {16, 0, 1}};
    for (const auto& c : cases)
        EXPECT_EQ(GroupWorkerCount(c.setting, c.count), c.workers) << c.setting << " " << c.count;
}

TEST(GroupAction, EachEntryAppliesItsOwnValues)
{
    AppState run;
    SetDefaultSettings(&run);
    run.who = REMOTE_GROUP;
    run.action = SHUTDOWN;
    run.quiet = 0;
    run.remote.use_nt = 1;
    run.remote.port = 4000;
    run.remote.current_credentials = 0;
    CopyField(run.remote.ip_address, "127.0.0.1");
    run.server_socket = 7;
    run.client_socket = 8;
    RemotePC list[1] = {Computer("pc one", 0, 0, 1)};
    run.group_list = list;
    run.group_count = 1;

    AppState job;
    EXPECT_TRUE(PrepareGroupEntry(&run, &list[0], &job));
    EXPECT_EQ(job.who, REMOTE_COMPUTER);
    EXPECT_EQ(job.quiet, 1);
    EXPECT_EQ(job.action, SHUTDOWN);
    EXPECT_STREQ(job.remote.computer_name, "pc one");
    EXPECT_STREQ(job.remote.mac_address, "00AABBCCDDEE");
    EXPECT_STREQ(job.remote.subnet_mask, "255.0.0.0");
    EXPECT_STREQ(job.remote.password, "pw");
    EXPECT_STREQ(job.remote.username, "bob");
    EXPECT_STREQ(job.remote.ip_address, "127.0.0.1");  // the record's, for every computer
    // The entry's protocol, port and credentials, not the single computer's.
    EXPECT_EQ(job.remote.use_nt, 0);
    EXPECT_EQ(job.remote.port, 3210);  // 0 falls back to the default
    EXPECT_EQ(job.remote.current_credentials, 1);
    // Nothing of the run's shared resources reaches the job.
    EXPECT_EQ(job.server_socket, INVALID_SOCKET);
    EXPECT_EQ(job.client_socket, INVALID_SOCKET);
    EXPECT_EQ(job.group_list, nullptr);
    EXPECT_EQ(job.group_count, 0);
    // The run's record is left as it was.
    EXPECT_EQ(run.who, REMOTE_GROUP);
    EXPECT_EQ(run.quiet, 0);
    EXPECT_EQ(run.remote.port, 4000);
    EXPECT_STREQ(run.remote.computer_name, "");

    // A port above 65535 is refused, never wrapped onto another port.
    for (auto [port, taken] : {std::pair{65535, 65535}, {-5, 3210}, {1, 1}}) {
        RemotePC pc = Computer("pc", port);
        EXPECT_TRUE(PrepareGroupEntry(&run, &pc, &job)) << port;
        EXPECT_EQ(job.remote.port, taken) << port;
    }
    RemotePC wrapped = Computer("pc", 65536 + 3211);
    EXPECT_FALSE(PrepareGroupEntry(&run, &wrapped, &job));

    // SECURE adds -secure for its computer; the run's -secure holds for all.
    for (int run_secure : {0, 1}) {
        run.remote.secure = (Flag)run_secure;
        for (int entry_secure : {0, 1}) {
            RemotePC pc = Computer("pc", 1);
            pc.secure = (int16_t)entry_secure;
            EXPECT_TRUE(PrepareGroupEntry(&run, &pc, &job));
            EXPECT_EQ(job.remote.secure, run_secure || entry_secure) << run_secure << entry_secure;
        }
    }
}

TEST(GroupAction, ResultLinesAndSummary)
{
    RemotePC list[] = {Computer("alpha"), Computer("beta"), Computer("gamma"), Computer("delta")};
    GroupResult results[] = {Result(0), Result(-1, "connect(): Connection refused (10061)"),
                             Result(1), Result(-1)};
    char line[512];
    FormatGroupEntryResult(line, sizeof line, &list[0], &results[0]);
    EXPECT_STREQ(line, "alpha: done");
    FormatGroupEntryResult(line, sizeof line, &list[1], &results[1]);
    EXPECT_STREQ(line, "beta: failed (connect(): Connection refused (10061))");
    FormatGroupEntryResult(line, sizeof line, &list[2], &results[2]);
    EXPECT_STREQ(line, "gamma: done");  // cancelled at a warning is not a failure
    FormatGroupEntryResult(line, sizeof line, &list[3], &results[3]);
    EXPECT_STREQ(line, "delta: failed (no reason given)");

    char summary[4000];
    EXPECT_EQ(FormatGroupSummary(summary, sizeof summary, list, results, 4, false), 2);
    EXPECT_STREQ(summary, "Group action on 4 computers: 2 done, 2 failed: beta, delta");
    EXPECT_EQ(FormatGroupSummary(summary, sizeof summary, list, results, 1, false), 0);
    EXPECT_STREQ(summary, "Group action on 1 computers: 1 done, 0 failed");
    EXPECT_EQ(FormatGroupSummary(summary, sizeof summary, list, results, 0, false), 0);
    EXPECT_STREQ(summary, "Group action on 0 computers: 0 done, 0 failed");
}

TEST(GroupAction, CancelledAndCheckedRunsSayWhatHappened)
{
    RemotePC list[] = {Computer("alpha"), Computer("beta"), Computer("gamma"), Computer("delta")};
    GroupResult results[] = {Result(0), Result(-1, "recv(): timed out"), Result(-1), Result(-1)};
    // A computer skipped after Cancel is neither done nor failed, whatever
    // its result held before.
    SkipGroupEntry(&results[2]);
    SkipGroupEntry(&results[3]);
    EXPECT_STREQ(GroupResultWord(&results[0]), "ok");
    EXPECT_STREQ(GroupResultWord(&results[1]), "failed");
    EXPECT_STREQ(GroupResultWord(&results[2]), "skipped");
    EXPECT_STREQ(results[2].reason, "Cancelled before it began");

    struct {
        int count;
        bool probe;
        int failed;
        const char* summary;
    } cases[] = {
        {4, false, 1, "Group action on 4 computers: 1 done, 1 failed, 2 skipped (cancelled): beta"},
        {4, true, 1, "Group check of 4 computers: 1 answered, 1 failed, 2 skipped (cancelled): beta"},
        {1, true, 0, "Group check of 1 computers: 1 answered, 0 failed"},
        {3, false, 1, "Group action on 3 computers: 1 done, 1 failed, 1 skipped (cancelled): beta"},
    };
    for (const auto& c : cases) {
        char summary[400];
        EXPECT_EQ(FormatGroupSummary(summary, sizeof summary, list, results, c.count, c.probe), c.failed);
        EXPECT_STREQ(summary, c.summary);
    }
}

TEST(GroupAction, ResultsSortByColumnFailuresFirstTiesInListOrder)
{
    RemotePC list[] = {Computer("delta"), Computer("Alpha"), Computer("charlie"),
                       Computer("bravo"), Computer("echo")};
    GroupResult results[] = {Result(0), Result(-1, "refused"), Result(0), Result(-1, "timed out"),
                             Result(0)};
    SkipGroupEntry(&results[4]);
    struct {
        int column;
        bool descending;
        std::vector<int> order;
    } cases[] = {
        {GROUP_COLUMN_RESULT, false, {1, 3, 4, 0, 2}},  // failed, skipped, ok; ties as listed
        {GROUP_COLUMN_RESULT, true, {0, 2, 4, 1, 3}},
        {GROUP_COLUMN_COMPUTER, false, {1, 3, 2, 0, 4}},  // letters of either case together
        {GROUP_COLUMN_COMPUTER, true, {4, 0, 2, 3, 1}},
        {GROUP_COLUMN_MESSAGE, false, {0, 2, 4, 1, 3}},  // "" < "Cancelled..." < "refused" < "timed out"
    };
    for (const auto& c : cases) {
        int32_t order[5];
        ASSERT_TRUE(SortGroupResults(list, results, 5, c.column, c.descending, order));
        EXPECT_EQ(std::vector<int>(order, order + 5), c.order) << c.column << c.descending;
    }
    // A long list keeps the ties in list order across the merge's runs.
    std::vector<RemotePC> many;
    std::vector<GroupResult> outcomes;
    for (int i = 0; i < 37; i++) {
        many.push_back(Computer(("pc-" + std::to_string(i)).c_str()));
        outcomes.push_back(Result(i % 3 == 0 ? -1 : 0));
    }
    std::vector<int32_t> order(37);
    ASSERT_TRUE(SortGroupResults(many.data(), outcomes.data(), 37, GROUP_COLUMN_RESULT, false,
                                 order.data()));
    for (int i = 1; i < 37; i++) {
        bool was_failed = order[i - 1] % 3 == 0, failed = order[i] % 3 == 0;
        EXPECT_TRUE(was_failed > failed || (was_failed == failed && order[i - 1] < order[i])) << i;
    }
}

TEST(GroupAction, LongFailureListsAreCutWhole)
{
    std::vector<RemotePC> list;
    std::vector<GroupResult> results;
    for (int i = 0; i < 500; i++) {
        list.push_back(Computer(("computer-" + std::to_string(i)).c_str()));
        results.push_back(Result(-1, "timed out"));
    }
    char summary[200];
    FormatGroupSummary(summary, sizeof summary, list.data(), results.data(), 500, false);
    std::string text = summary;
    EXPECT_EQ(text.rfind("Group action on 500 computers: 0 done, 500 failed: computer-0, computer-1, ", 0), 0u);
    EXPECT_EQ(text.substr(text.size() - 5), ", ...") << text;
    EXPECT_LT(text.size(), sizeof summary);

    char box[4000];
    FormatGroupFailures(box, sizeof box, list.data(), results.data(), 500, 3, false, false);
    EXPECT_STREQ(box, "The action failed on these computers:\ncomputer-0: timed out\n"
                      "computer-1: timed out\ncomputer-2: timed out\nand 497 more");
    char small[60];
    FormatGroupFailures(small, sizeof small, list.data(), results.data(), 2, 20, false, false);
    EXPECT_STREQ(small, "The action failed on these computers:\nand 2 more");
    // The event's list names each computer with the port the run used.
    list[0].port = 0;
    list[1].port = 4000;
    FormatGroupFailures(box, sizeof box, list.data(), results.data(), 2, 2, true, false);
    EXPECT_STREQ(box, "The action failed on these computers:\ncomputer-0:3210: timed out\n"
                      "computer-1:4000: timed out");
    // A check's list says what failed: the check.
    FormatGroupFailures(box, sizeof box, list.data(), results.data(), 1, 1, true, true);
    EXPECT_STREQ(box, "The check failed on these computers:\ncomputer-0:3210: timed out");
}

TEST(GroupAction, AfterTheRunTheRecordKeepsTheLastComputer)
{
    AppState state;
    SetDefaultSettings(&state);
    state.remote.port = 4000;
    RemotePC last = Computer("last one", 5000, 1, 0);
    KeepLastGroupEntry(&state, &last);
    EXPECT_STREQ(state.remote.computer_name, "last one");
    EXPECT_STREQ(state.remote.mac_address, "00AABBCCDDEE");
    EXPECT_STREQ(state.remote.subnet_mask, "255.0.0.0");
    EXPECT_STREQ(state.remote.password, "pw");
    EXPECT_STREQ(state.remote.username, "bob");
    EXPECT_EQ(state.remote.port, 4000);  // only the five copied values change
    EXPECT_EQ(state.remote.use_nt, 0);
}

TEST(GroupAction, AComputerListedTwiceIsHandledOnce)
{
    // The same computer by the same way, whatever the letter case or how the
    // default port is written; another port or the system's remote shutdown
    // is another way in.
    const RemotePC list[] = {Computer("pc1", 0),    Computer("PC1", 3210),   Computer("pc1", 3211),
                             Computer("pc1", 0, 1), Computer("Pc1", 99, 1), Computer("pc2", 3210),
                             Computer("pc1", -5),   Computer("pc1", 70000), Computer("pc1", 70000)};
    const int32_t expected[] = {-1, 0, -1, -1, 3, -1, 0, -1, -1};
    int32_t earlier[9];
    FindRepeatedEntries(list, 9, earlier);
    for (int i = 0; i < 9; i++)
        EXPECT_EQ(earlier[i], expected[i]) << i;
}
