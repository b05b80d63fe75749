// The log file kept open: rotation at its size limit and whole lines from
// several threads.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "core/log.h"
#include "log_folder.h"

TEST(LogFile, PassingTheLimitMovesTheLogAsideAndNoLineIsLost)
{
    LogFolder folder;
    const long limit = 1000;
    SetLogSizeLimit(limit);
    std::vector<std::string> written;
    for (int i = 0; i < 100; i++) {
        written.push_back("line " + std::to_string(i));
        WriteLog("%s", written.back().c_str());
    }
    CloseLog();
    // Several rotations happened; each older file was replaced by the next.
    std::vector<std::string> older = LogFolder::Messages("haltall.log.1");
    std::vector<std::string> current = LogFolder::Messages("haltall.log");
    ASSERT_FALSE(older.empty());
    EXPECT_GT(fs::file_size("haltall.log.1"), (uintmax_t)limit);
    EXPECT_LE(fs::file_size("haltall.log"), (uintmax_t)limit);
    older.insert(older.end(), current.begin(), current.end());
    std::vector<std::string> tail(written.end() - (long)older.size(), written.end());
    EXPECT_EQ(older, tail);
    EXPECT_NE(older.front(), "line 0");
}

TEST(LogFile, AnExistingLogCountsTowardsTheLimit)
{
    LogFolder folder;
    std::ofstream("haltall.log") << std::string(900, 'x') << "\n";
    SetLogSizeLimit(1000);
    WriteLog("first");
    EXPECT_FALSE(fs::exists("haltall.log.1"));
    WriteLog("%s", std::string(100, 'y').c_str());
    WriteLog("after");
    CloseLog();
    EXPECT_TRUE(fs::exists("haltall.log.1"));
    EXPECT_EQ(LogFolder::Messages("haltall.log"), std::vector<std::string>{"after"});
}

TEST(LogFile, LinesOfSeveralThreadsStayWhole)
{
    LogFolder folder;
    const int threads = 4, lines = 500;
    std::vector<std::thread> writers;
    for (int t = 0; t < threads; t++)
        writers.emplace_back([t] {
            std::string filler(200, (char)('a' + t));
            for (int i = 0; i < lines; i++)
                WriteLog("thread %d line %d %s", t, i, filler.c_str());
        });
    for (std::thread& writer : writers)
        writer.join();
    CloseLog();
    std::vector<int> next(threads, 0);
    std::vector<std::string> messages = LogFolder::Messages("haltall.log");
    ASSERT_EQ(messages.size(), (size_t)(threads * lines));
    for (const std::string& message : messages) {
        int t = -1, i = -1;
        ASSERT_EQ(sscanf(message.c_str(), "thread %d line %d", &t, &i), 2) << message;
        ASSERT_TRUE(t >= 0 && t < threads) << message;
        EXPECT_EQ(i, next[t]++) << message;
        std::string filler(200, (char)('a' + t));
        EXPECT_EQ(message.substr(message.size() - 200), filler);
    }
}
