// The client joins a server's bytes into reply lines however they arrive.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "remote/reply_lines.h"

namespace {

// Feeds the pieces one receive each and returns the lines taken.
std::vector<std::string> Lines(const std::vector<std::string>& pieces)
{
    ReplyLines replies;
    ClearReplyLines(&replies);
    std::vector<std::string> lines;
    for (const std::string& piece : pieces) {
        for (size_t at = 0; at < piece.size();) {
            size_t room;
            char* into = ReplyRoom(&replies, &room);
            EXPECT_GT(room, 0u);
            size_t count = std::min(room, piece.size() - at);
            memcpy(into, piece.data() + at, count);
            AddReplyBytes(&replies, count);
            at += count;
            char line[REPLY_LINE_SIZE + 1];
            while (TakeReplyLine(&replies, line))
                lines.push_back(line);
        }
    }
    return lines;
}

}  // namespace

TEST(ReplyLines, LinesAreJoinedAndSplitWhateverTheReceives)
{
    using L = std::vector<std::string>;
    EXPECT_EQ(Lines({"25", "0 OK\r\n"}), (L{"250 OK\r"}));
    EXPECT_EQ(Lines({"201 Welcome\r\n250 OK\r\n501 No"}), (L{"201 Welcome\r", "250 OK\r"}));
    EXPECT_EQ(Lines({"201 a\r", "\n", "\n201 b\n"}), (L{"201 a\r", "", "201 b"}));
    EXPECT_EQ(Lines({"250 OK"}), L{});  // its end has not come
}

TEST(ReplyLines, AnOverlongLineIsCutAndItsRestDropped)
{
    std::string longest(REPLY_LINE_SIZE, 'x');
    std::string overlong = "501 " + std::string(700, 'e');
    std::vector<std::string> lines = Lines({longest + "\n", overlong.substr(0, 300),
                                            overlong.substr(300) + "\r\n201 next\r\n"});
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], longest);
    EXPECT_EQ(lines[1], overlong.substr(0, REPLY_LINE_SIZE));
    EXPECT_EQ(lines[2], "201 next\r");
}
